#include "OpenFileScan.h"

#include "TestFiles.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(OpenFileScan, SeesAFileOnlyWhileAnotherProcessHasItOpen)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KORVEX.tmp"));
    const QString otherName = dir.filePath(QStringLiteral("other-name"));
    ASSERT_TRUE(WriteAll(path, "x") && QFile::link(path, otherName));
    EXPECT_FALSE(OpenFileScan::IsHeldOpen(path));
    EXPECT_FALSE(OpenFileScan::IsHeldOpen(dir.filePath(QStringLiteral("missing"))));

    // Like `sleep 30 < KORVEX.tmp`: the child holds the file as its input.
    QProcess holder;
    holder.setStandardInputFile(path);
    holder.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(holder.waitForStarted());
    EXPECT_TRUE(OpenFileScan::IsHeldOpen(path));
    EXPECT_TRUE(OpenFileScan::IsHeldOpen(otherName)); // the same file by another name
    holder.kill();
    holder.waitForFinished();
    EXPECT_FALSE(OpenFileScan::IsHeldOpen(path));
}
