#include "ExtractLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

QString ExtractLocation::InFolder(const QString& folder)
{
    return folder.endsWith(u'/') ? folder + FileName : folder + u'/' + FileName;
}

bool ExtractLocation::CanCreateFilesIn(const QString& folder)
{
    QTemporaryFile probe(InFolder(folder) + QStringLiteral(".XXXXXX"));
    return probe.open(); // removed again when the probe goes
}

bool ExtractLocation::IsInstalledCopy(const QString& programFolder)
{
    return QFileInfo::exists(programFolder +
                             QStringLiteral("/../share/applications/korvex.desktop"));
}

QString ExtractLocation::Choose(const QString& programFolder, const QString& dataFolder)
{
    if (!IsInstalledCopy(programFolder) && CanCreateFilesIn(programFolder))
        return InFolder(programFolder);
    QDir().mkpath(dataFolder);
    return InFolder(dataFolder);
}
