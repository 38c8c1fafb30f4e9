#include "LeftoverExtraction.h"

#include "TestFiles.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(LeftoverExtraction, RemovesAFileNobodyHoldsAndAStaleLockButNothingHeld)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KORVEX.tmp"));
    const QString lock = dir.filePath(QStringLiteral(".~lock.KORVEX.tmp#"));
    for (const bool withFile : {true, false}) {
        ASSERT_TRUE(WriteAll(lock, "stale") && (!withFile || WriteAll(path, "rows")));
        EXPECT_TRUE(LeftoverExtraction::Clear(path)) << withFile;
        EXPECT_FALSE(QFileInfo::exists(path) || QFileInfo::exists(lock)) << withFile;
    }

    ASSERT_TRUE(WriteAll(path, "rows") && WriteAll(lock, "in use"));
    QFile held(path);
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    EXPECT_FALSE(LeftoverExtraction::Clear(path));
    EXPECT_EQ(ReadAll(path), QByteArray("rows"));
    EXPECT_EQ(ReadAll(lock), QByteArray("in use"));
}
