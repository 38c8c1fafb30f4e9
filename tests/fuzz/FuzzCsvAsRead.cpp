// Any bytes as a CSV log checked as it is read: whenever the check is asked
// to finish, it must say what the check at opening says, and the records read
// must be those read after that check. The first byte picks when it is asked,
// the chunk size and whether a thread tokenizes ahead.

#include "CsvRecordSource.h"

#include <cstdlib>
#include <limits>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int fd = memfd_create("log", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, data + 1, size - 1) != static_cast<ssize_t>(size - 1))
        std::abort();
    const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);

    CsvRecordSource atOpening(4096);
    atOpening.SetCheckAsReadFrom(std::numeric_limits<off_t>::max());
    const bool opened = atOpening.HamlogOpen(path) == 0;
    const QString error = atOpening.OpenError();
    qint32 records = 0;
    while (opened && atOpening.THW_read(records + 1) == 0)
        ++records;

    CsvRecordSource asRead(64 + 64 * (data[0] >> 5), (data[0] & 1) != 0);
    asRead.SetCheckAsReadFrom(0);
    if (asRead.HamlogOpen(path) != 0) {
        // Refused at opening only for a fault among the first lines.
        if (opened || asRead.OpenError() != error)
            std::abort();
    } else {
        const qint32 before = (data[0] >> 1) & 15;
        qint32 read = 0;
        while (read < before && asRead.THW_read(read + 1) == 0)
            ++read;
        if (asRead.FinishCheck() != error.isEmpty() || asRead.OpenError() != error)
            std::abort();
        while (asRead.THW_read(read + 1) == 0)
            ++read;
        if (error.isEmpty() && read != records)
            std::abort();
    }
    ::close(fd);
    return 0;
}
