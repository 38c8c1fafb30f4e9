#include "LeftoverExtraction.h"

#include "TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class LeftoverExtractionTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("KORVEX.tmp"));
    QString lock = dir.filePath(QStringLiteral(".~lock.KORVEX.tmp#"));
};

} // namespace

TEST_F(LeftoverExtractionTest, RemovesAFileNobodyHoldsWithItsStaleLock)
{
    ASSERT_TRUE(WriteAll(path, "\"CALL\"\r\n") && WriteAll(lock, "stale"));
    EXPECT_TRUE(LeftoverExtraction::Clear(path));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(QFileInfo::exists(lock));
}

TEST_F(LeftoverExtractionTest, RemovesAStaleLockWhenThereIsNoFile)
{
    ASSERT_TRUE(WriteAll(lock, "stale"));
    EXPECT_TRUE(LeftoverExtraction::Clear(path));
    EXPECT_FALSE(QFileInfo::exists(lock));
}

TEST_F(LeftoverExtractionTest, LeavesAHeldFileAndItsLockUntouched)
{
    ASSERT_TRUE(WriteAll(path, "rows") && WriteAll(lock, "in use"));
    QFile held(path);
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));

    EXPECT_FALSE(LeftoverExtraction::Clear(path));
    EXPECT_EQ(ReadAll(path), QByteArray("rows"));
    EXPECT_EQ(ReadAll(lock), QByteArray("in use"));
}
