#include "OpenFileScan.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

namespace {

// Closes a directory stream however the scan leaves it.
struct Directory {
    explicit Directory(DIR* d) : handle(d) {}
    ~Directory()
    {
        if (handle)
            closedir(handle);
    }
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;
    DIR* handle;
};

bool IsNumber(const char* name)
{
    if (!*name)
        return false;
    for (; *name; ++name) {
        if (!std::isdigit(static_cast<unsigned char>(*name)))
            return false;
    }
    return true;
}

bool ProcessHolds(int procFd, const char* pid, const struct stat& target)
{
    const int fdFolder =
        openat(procFd, (QByteArray(pid) + "/fd").constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdFolder < 0)
        return false; // another user's process, or one that has just ended
    Directory fds(fdopendir(fdFolder));
    if (!fds.handle) {
        close(fdFolder);
        return false;
    }
    while (const dirent* entry = readdir(fds.handle)) {
        struct stat opened {};
        // The entries are links to what is open; stat follows them to it.
        if (IsNumber(entry->d_name) && fstatat(fdFolder, entry->d_name, &opened, 0) == 0 &&
            opened.st_dev == target.st_dev && opened.st_ino == target.st_ino)
            return true;
    }
    return false;
}

} // namespace

bool OpenFileScan::IsHeldOpen(const QString& path)
{
    struct stat target {};
    if (path.isEmpty() || stat(QFile::encodeName(path).constData(), &target) != 0)
        return false;
    Directory proc(opendir("/proc"));
    if (!proc.handle)
        return false;
    const int procFd = dirfd(proc.handle);
    while (const dirent* entry = readdir(proc.handle)) {
        if (IsNumber(entry->d_name) && ProcessHolds(procFd, entry->d_name, target))
            return true;
    }
    return false;
}
