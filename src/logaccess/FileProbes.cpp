#include "FileProbes.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Truth FileExists(const QString& path)
{
    if (path.isEmpty())
        return False;
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden() ? True : False;
}

Truth CanOpenFile(const QString& path)
{
    if (path.isEmpty())
        return False;
    // Not blocking: a named pipe would otherwise hold the window until a writer came.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return False;
    struct stat info {};
    // A folder opens on Linux, but cannot be read as a text file.
    const bool readable = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
    const bool closed = ::close(fd) == 0;
    return readable && closed ? True : False;
}
