#include "WinePrefixes.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <deque>
#include <utility>

QStringList WinePrefixes::DriveCFolders(const QString& home, const QString& winePrefix)
{
    QStringList folders;
    for (const QString& prefix :
         {winePrefix, home.isEmpty() ? QString() : home + QStringLiteral("/.wine")}) {
        if (prefix.isEmpty())
            continue;
        const QString driveC = QDir::cleanPath(prefix + QStringLiteral("/drive_c"));
        if (QFileInfo(driveC).isDir() && !folders.contains(driveC))
            folders << driveC;
    }
    return folders;
}

QString WinePrefixes::FindLog(const QStringList& folders, int depth, int entries)
{
    std::deque<std::pair<QString, int>> queue; // a folder and how deep it lies
    for (const QString& folder : folders)
        queue.emplace_back(folder, 0);
    int seen = 0;
    while (!queue.empty() && seen < entries) {
        const auto [folder, level] = queue.front();
        queue.pop_front();
        QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot);
        while (seen < entries && it.hasNext()) {
            it.next();
            ++seen;
            const QFileInfo entry = it.fileInfo();
            if (entry.isDir()) {
                const bool wineFolder =
                    level == 0 && entry.fileName().compare(u"windows", Qt::CaseInsensitive) == 0;
                if (level < depth && !wineFolder)
                    queue.emplace_back(entry.filePath(), level + 1);
            } else if (entry.fileName().compare(u"HAMLOG.HDB", Qt::CaseInsensitive) == 0) {
                return entry.filePath();
            }
        }
    }
    return {};
}
