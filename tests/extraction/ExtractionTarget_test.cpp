#include "ExtractionTarget.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A file written in many pieces, larger than what is sent on to the disk
// while it is written, arrives whole, and only under its name once closed.

namespace {

TEST(ExtractionTarget, ALargeFileArrivesWholeInPlace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KORVEX.tmp"));
    QByteArray expected;
    {
        ExtractionTarget target(path);
        QIODevice* device = target.Open();
        ASSERT_NE(device, nullptr);
        QByteArray piece(64 * 1024 + 17, '\0');
        for (int i = 0; expected.size() < 11 * 1024 * 1024; ++i) {
            piece.fill(static_cast<char>('a' + i % 26));
            ASSERT_EQ(device->write(piece), piece.size());
            expected += piece;
        }
        EXPECT_FALSE(QFile::exists(path));
        ASSERT_TRUE(target.Close());
    }
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll() == expected);
}

} // namespace
