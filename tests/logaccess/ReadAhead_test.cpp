#include "ReadAhead.h"
#include "TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

class ReadAheadTest : public ::testing::Test {
protected:
    ~ReadAheadTest() override
    {
        if (fd >= 0)
            ::close(fd);
    }

    void Write(const QByteArray& bytes)
    {
        ASSERT_TRUE(WriteAll(path, bytes));
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        ASSERT_GE(fd, 0);
    }

    // Everything Next hands out until the end.
    static QByteArray Drain(ReadAhead& ahead)
    {
        QByteArray all;
        for (std::span<const char> block = ahead.Next(); !block.empty(); block = ahead.Next()) {
            EXPECT_LE(block.size(), ahead.BlockSize());
            all.append(block.data(), static_cast<qsizetype>(block.size()));
        }
        EXPECT_TRUE(ahead.Next().empty()) << "the end stays the end";
        return all;
    }

    static QByteArray Pattern(qsizetype size)
    {
        QByteArray bytes(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
        return bytes;
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("log"));
    int fd = -1;
};

TEST_F(ReadAheadTest, HandsOutTheFileInOrderWhateverItsSizeAgainstTheBlocks)
{
    // Sizes around the block size and around all blocks in turn, so that the
    // reading thread waits for blocks to come back.
    for (const qsizetype size : {0, 1, 63, 64, 65, 64 * 3, 64 * 3 + 5, 64 * 20 + 17}) {
        SCOPED_TRACE(size);
        const QByteArray bytes = Pattern(size);
        Write(bytes);
        for (const bool ownThread : {true, false}) {
            ReadAhead ahead(64, 3, ownThread);
            ahead.Start(fd, 0);
            EXPECT_EQ(Drain(ahead), bytes) << ownThread;
            EXPECT_EQ(ahead.Error(), 0);
        }
        ::close(fd);
        fd = -1;
    }
}

TEST_F(ReadAheadTest, StartsAtTheOffsetAndStopsAtTheLimit)
{
    const QByteArray bytes = Pattern(1000);
    Write(bytes);
    ReadAhead ahead(128, 2);
    ahead.Start(fd, 100, 733);
    EXPECT_EQ(Drain(ahead), bytes.mid(100, 633));
    ahead.Start(fd, 900, 2000); // a limit past the end is the end
    EXPECT_EQ(Drain(ahead), bytes.mid(900));
    ahead.Start(fd, 500, 400); // a limit before the start reads nothing
    EXPECT_EQ(Drain(ahead), QByteArray());
}

TEST_F(ReadAheadTest, StartsAgainFromAnywhereAfterStoppingHalfWay)
{
    const QByteArray bytes = Pattern(64 * 50);
    Write(bytes);
    for (const bool ownThread : {true, false}) {
        ReadAhead ahead(64, 2, ownThread);
        for (int round = 0; round < 20; ++round) {
            ahead.Start(fd, round);
            const std::span<const char> first = ahead.Next();
            ASSERT_FALSE(first.empty());
            ahead.Stop();
            // The block handed out last stays readable after a stop.
            EXPECT_EQ(QByteArray(first.data(), static_cast<qsizetype>(first.size())),
                      bytes.mid(round, 64));
            EXPECT_TRUE(ahead.Next().empty());
        }
        ahead.Start(fd, 0);
        EXPECT_EQ(Drain(ahead), bytes);
    }
}

TEST_F(ReadAheadTest, AFailedReadEndsTheBytesWithItsReason)
{
    Write(Pattern(10));
    const int directory = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY);
    ASSERT_GE(directory, 0);
    for (const bool ownThread : {true, false}) {
        ReadAhead ahead(64, 2, ownThread);
        ahead.Start(directory, 0);
        EXPECT_TRUE(ahead.Next().empty());
        EXPECT_EQ(ahead.Error(), EISDIR);
        ahead.Stop();
    }
    ::close(directory);
}

} // namespace
