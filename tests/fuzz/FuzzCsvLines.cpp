// Any bytes as a HAMLOG CSV export, through a buffer whose size the first byte
// picks: read the quick ways (a whole-file check at opening, plain lines taken
// at a glance, records tokenized ahead on a thread) and byte by byte, in turn,
// every field, every error and what is held after a failed read must be the
// same.

#include "CsvReads.h"

#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int fd = memfd_create("export", MFD_CLOEXEC);
    if (fd < 0)
        std::abort();
    // Small buffers make lines cross refills; odd ones move the block ends.
    const std::size_t bufferSize = 2 + std::size_t{data[0]} * (data[0] & 1 ? 1 : 9);
    const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    const QByteArray text(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    if (CsvReads(path, text, bufferSize, false) != CsvReads(path, text, bufferSize, true))
        std::abort();
    ::close(fd);
    return 0;
}
