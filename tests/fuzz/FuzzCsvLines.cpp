// Any bytes as a HAMLOG CSV export, through a buffer whose size the first byte
// picks: checked and read the quick ways (a whole-file scan, plain lines taken
// at a glance) and byte by byte, every field, every error and what is held
// after a failed read must be the same.

#include "CsvRecordSource.h"

#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

QByteArray Reads(const QString& path, std::size_t bufferSize, bool fast)
{
    CsvRecordSource source(bufferSize);
    source.SetFastLines(fast);
    source.SetQuickCheck(fast);
    QByteArray all = QByteArray::number(source.HamlogOpen(path)) + source.OpenError().toUtf8();
    const auto fields = [&] {
        for (qint16 field = 0; field < RecordSource::FieldCount; ++field) {
            char buffer[RecordSource::FieldBufferSize + 1] = {};
            source.ThwString(buffer, field);
            all += '|' + QByteArray(buffer);
            std::memset(buffer, ' ', sizeof buffer);
            all += '/' + source.FieldText(field, buffer).toByteArray();
        }
    };
    qint32 count = 0;
    while (count < 100000 && source.THW_read(count + 1) == 0) {
        ++count;
        fields();
    }
    fields();
    if (count > 1 && source.THW_read(count / 2) == 0)
        fields();
    source.HamlogClose();
    fields();
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int fd = memfd_create("export", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, data + 1, size - 1) != static_cast<ssize_t>(size - 1))
        std::abort();
    // Small buffers make lines cross refills; odd ones move the block ends.
    const std::size_t bufferSize = 2 + std::size_t{data[0]} * (data[0] & 1 ? 1 : 9);
    const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    if (Reads(path, bufferSize, false) != Reads(path, bufferSize, true))
        std::abort();
    ::close(fd);
    return 0;
}
