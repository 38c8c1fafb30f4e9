#include "ExtractLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ExtractLocation, PutsOneSlashBetweenFolderAndName)
{
    EXPECT_EQ(ExtractLocation::InFolder(QStringLiteral("/")), QStringLiteral("/KORVEX.tmp"));
    EXPECT_EQ(ExtractLocation::InFolder(QStringLiteral("/opt/korvex")),
              QStringLiteral("/opt/korvex/KORVEX.tmp"));
    EXPECT_EQ(ExtractLocation::InFolder(QStringLiteral("/opt/korvex/")),
              QStringLiteral("/opt/korvex/KORVEX.tmp"));
}

TEST(ExtractLocation, StaysBesideTheProgramWhereItCanWriteAndLeavesNoTrace)
{
    QTemporaryDir program, data;
    EXPECT_EQ(ExtractLocation::Choose(program.path(), data.filePath(QStringLiteral("korvex"))),
              program.filePath(QStringLiteral("KORVEX.tmp")));
    EXPECT_TRUE(QDir(program.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    EXPECT_FALSE(QFileInfo::exists(data.filePath(QStringLiteral("korvex"))));
}

TEST(ExtractLocation, MovesToTheDataFolderWhenTheProgramFolderTakesNoFiles)
{
    // procfs takes no new files, not even from root, who may write anywhere else.
    const QString readOnly = QStringLiteral("/proc/self");
    ASSERT_FALSE(ExtractLocation::CanCreateFilesIn(readOnly));
    QTemporaryDir data;
    const QString dataFolder = data.filePath(QStringLiteral("share/korvex"));

    EXPECT_EQ(ExtractLocation::Choose(readOnly, dataFolder), dataFolder + "/KORVEX.tmp");
    EXPECT_TRUE(QFileInfo(dataFolder).isDir());
}

TEST(ExtractLocation, AnInstalledCopyNeverWritesBesideItsBinary)
{
    // A writable prefix, as for an install into ~/.local.
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(prefix.filePath("share/applications")));
    const QString dataFolder = prefix.filePath(QStringLiteral("data/korvex"));
    EXPECT_EQ(ExtractLocation::Choose(bin, dataFolder), ExtractLocation::InFolder(bin));

    QFile entry(prefix.filePath(QStringLiteral("share/applications/korvex.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.close();
    EXPECT_EQ(ExtractLocation::Choose(bin, dataFolder), ExtractLocation::InFolder(dataFolder));
}
