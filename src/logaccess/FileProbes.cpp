#include "FileProbes.h"

#include "PathBytes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString SystemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

Truth FileExists(const QString& path)
{
    if (path.isEmpty())
        return False;
    struct stat info {};
    const bool hidden = path.section(u'/', -1).startsWith(u'.');
    return ::stat(PathBytes::Encode(path).constData(), &info) == 0 && S_ISREG(info.st_mode) &&
                   !hidden
               ? True
               : False;
}

OpenProbe ProbeOpen(const QString& path)
{
    if (path.isEmpty())
        return {};
    // Not blocking: a named pipe would otherwise hold the window until a writer came.
    const int fd = ::open(PathBytes::Encode(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {false, {}, SystemReason(errno)};
    struct stat info {};
    OpenProbe probe{true, {}, {}};
    if (::fstat(fd, &info) != 0) {
        probe = {false, {}, SystemReason(errno)};
    } else if (S_ISDIR(info.st_mode)) {
        // A folder opens on Linux, but cannot be read as a text file.
        probe = {false, {}, SystemReason(EISDIR)};
    } else {
        probe.File = FileId::Of(info);
    }
    if (::close(fd) != 0 && probe.Opened)
        probe = {false, {}, SystemReason(errno)};
    return probe;
}

Truth CanOpenFile(const QString& path)
{
    return ProbeOpen(path).Opened ? True : False;
}

int OpenLogFile(const QString& path, QString* reason, FileId* file)
{
    const int fd = ::open(PathBytes::Encode(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *reason = SystemReason(errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *reason =
            S_ISDIR(info.st_mode) ? SystemReason(EISDIR) : QStringLiteral("not a regular file");
        ::close(fd);
        return -1;
    }
    if (file)
        *file = FileId::Of(info);
    return fd;
}

std::optional<struct stat> RegularFileStatus(int fd, QString* reason)
{
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        return info;
    *reason = QStringLiteral("not a regular file");
    ::close(fd);
    return std::nullopt;
}
