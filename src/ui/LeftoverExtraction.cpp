#include "LeftoverExtraction.h"

#include "FileProbes.h"
#include "OpenFileScan.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

QString LeftoverExtraction::LockFilePath(const QString& path)
{
    const QFileInfo info(path);
    return info.dir().filePath(QStringLiteral(".~lock.") + info.fileName() + u'#');
}

bool LeftoverExtraction::Clear(const QString& path)
{
    if (FileExists(path) == True) {
        if (OpenFileScan::IsHeldOpen(path) || CanOpenFile(path) != True || !QFile::remove(path))
            return false;
    }
    // A stale lock would make LibreOffice call the next extraction file "in use".
    QFile::remove(LockFilePath(path));
    return true;
}
