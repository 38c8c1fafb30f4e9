#include "PathBytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

TEST(PathBytes, EveryNameComesBackAsItsOwnBytes)
{
    QList<QByteArray> names = {
        "HAMLOG.HDB",
        "\xE6\x8A\xBD\xE5\x87\xBA.csv", // 抽出.csv in UTF-8
        "\x83\x6E\x83\x80.HDB",         // ハム.HDB in Shift-JIS
        "\xE6\x8A",                     // UTF-8 cut short
        "\xC0\xAF",                     // an overlong "/"
        "\xED\xA0\x80",                 // a surrogate written as UTF-8
        "\xF4\x90\x80\x80",             // past U+10FFFF
        "\xF0\x9F\x93\xBB",             // 📻, outside the BMP
    };
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    names << all;
    for (const QByteArray& name : names) {
        const QString decoded = PathBytes::Decode(name);
        EXPECT_EQ(PathBytes::Encode(decoded), name) << name.toHex().constData();
        // Valid UTF-8 reads as the text it is, so names show as they should.
        if (QString::fromUtf8(name).toUtf8() == name) {
            EXPECT_EQ(decoded, QString::fromUtf8(name)) << name.toHex().constData();
        }
    }
    EXPECT_EQ(PathBytes::Decode("\x83\x6E").size(), 2) << "one character for each stray byte";
}

TEST(PathBytes, RecoversTheFileBehindANameQtCouldNotDecode)
{
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + "/\x8A\x8F";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    const QByteArray file = folder + "/\x83\x6E\x83\x80.HDB";
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);

    // As a file dialog hands it back: each stray byte shown as U+FFFD.
    const QString shown = QFile::decodeName(file);
    ASSERT_TRUE(shown.contains(QChar::ReplacementCharacter));
    EXPECT_EQ(PathBytes::Encode(PathBytes::Recover(shown)), file);
    // Two names that look alike: neither is guessed.
    const QByteArray twin = folder + "/\x84\x6E\x85\x81.HDB";
    ASSERT_EQ(QFile::decodeName(twin), shown);
    ASSERT_EQ(::close(::open(twin.constData(), O_WRONLY | O_CREAT, 0600)), 0);
    EXPECT_EQ(PathBytes::Recover(shown), shown);

    ::unlink(file.constData());
    ::unlink(twin.constData());
    ::rmdir(folder.constData());
}
