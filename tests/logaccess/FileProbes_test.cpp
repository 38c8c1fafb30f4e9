#include "FileProbes.h"
#include "TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(FileProbes, TellOrdinaryReadableFilesFromEverythingElse)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("KORVEX.tmp"));
    const QString hidden = dir.filePath(QStringLiteral(".hidden"));
    ASSERT_TRUE(WriteAll(file, "x") && WriteAll(hidden, "x"));

    EXPECT_EQ(FileExists(file), True);
    EXPECT_EQ(CanOpenFile(file), True);
    EXPECT_EQ(FileExists(hidden), False);
    for (const QString& path : {QString(), dir.path(), dir.filePath(QStringLiteral("missing"))}) {
        EXPECT_EQ(FileExists(path), False) << qPrintable(path);
        EXPECT_EQ(CanOpenFile(path), False) << qPrintable(path);
    }
}
