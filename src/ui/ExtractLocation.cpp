#include "ExtractLocation.h"

#include <QDir>
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

QString ExtractLocation::Choose(const QString& programFolder, const QString& dataFolder)
{
    if (CanCreateFilesIn(programFolder))
        return InFolder(programFolder);
    QDir().mkpath(dataFolder);
    return InFolder(dataFolder);
}
