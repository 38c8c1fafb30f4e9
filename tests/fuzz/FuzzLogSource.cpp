// Any bytes as a log file: opening and reading every record and field must
// neither crash nor hand the run malformed fields. Built once per record source
// (KORVEX_FUZZ_SOURCE names it).

#include "AdifRecordSource.h"
#include "CsvRecordSource.h"
#include "HdbRecordSource.h"
#include "LogReader.h"
#include "ScriptedWindow.h"

#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int fd = memfd_create("log", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size))
        std::abort();
    ScriptedWindow window;
    window.Path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    KORVEX_FUZZ_SOURCE source(4096); // small, so records cross buffer refills
    LogReader reader(source, window, QString());
    for (reader.RecordNo = 1; reader.RecordNo < 100000; ++reader.RecordNo) {
        if (reader.ReadNextRecord() != LogReader::Outcome::RecordRead)
            break;
        // At most three marks, and a zero byte ends a field rather than joining it.
        if (reader.Fields[10].size() > 3 || !reader.Fields[16].isEmpty())
            std::abort();
        for (const QString& field : reader.Fields) {
            if (field.size() > 256 || field.contains(QChar(0)))
                std::abort();
        }
    }
    // Reading an earlier record again rescans from the start.
    if (source.HamlogOpen(window.Path) == 0) {
        source.THW_read(2);
        source.THW_read(1);
        char buffer[RecordSource::FieldBufferSize + 1] = {};
        source.ThwString(buffer, 0);
        source.HamlogClose();
    }
    ::close(fd);
    return 0;
}
