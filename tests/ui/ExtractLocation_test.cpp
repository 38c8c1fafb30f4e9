#include "ExtractLocation.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ExtractLocation, StaysBesideTheProgramUnlessInstalledOrTheFolderTakesNoFiles)
{
    EXPECT_EQ(ExtractLocation::InFolder(QStringLiteral("/")), QStringLiteral("/KORVEX.tmp"));
    // A writable prefix, as for an install into ~/.local.
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    const QString data = prefix.filePath(QStringLiteral("data/korvex"));
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(prefix.filePath("share/applications")));
    EXPECT_EQ(ExtractLocation::Choose(bin, data), ExtractLocation::InFolder(bin));
    EXPECT_TRUE(QDir(bin).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        << "the probe stays";
    EXPECT_FALSE(QDir(data).exists());

    QFile entry(prefix.filePath(QStringLiteral("share/applications/korvex.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.close();
    EXPECT_EQ(ExtractLocation::Choose(bin, data), ExtractLocation::InFolder(data));
    EXPECT_TRUE(QDir(data).exists());

    // procfs takes no new files, not even from root, who may write anywhere else.
    const QString other = prefix.filePath(QStringLiteral("other"));
    EXPECT_EQ(ExtractLocation::Choose(QStringLiteral("/proc/self"), other),
              ExtractLocation::InFolder(other));
}
