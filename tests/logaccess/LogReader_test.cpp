#include "LogReader.h"
#include "ScriptedWindow.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

// A record source whose field texts the test writes byte by byte.
class ScriptedSource : public RecordSource {
public:
    int OpenResult = 0;
    int Records = 1;
    std::function<void(char*, qint16)> Fill = [](char* b, qint16) { b[0] = '\0'; };
    int Opens = 0, Closes = 0;
    QString OpenedPath;

    int HamlogOpen(const QString& path) override
    {
        ++Opens;
        OpenedPath = path;
        return OpenResult;
    }
    int THW_read(qint32 recordNo) override { return recordNo >= 1 && recordNo <= Records ? 0 : 1; }
    void ThwString(char* buffer, qint16 field) override { Fill(buffer, field); }
    void HamlogClose() override { ++Closes; }
};

void Put(char* buffer, const char* text)
{
    std::memcpy(buffer, text, std::strlen(text) + 1);
}

class LogReaderTest : public ::testing::Test {
protected:
    LogReaderTest() : reader(source, window, dir.path())
    {
        window.Path = dir.filePath(QStringLiteral("HAMLOG.HDB"));
        WriteAll(window.Path, "x");
    }
    ~LogReaderTest() override { QDir::setCurrent(startFolder); }

    QString startFolder = QDir::currentPath();
    QTemporaryDir dir;
    ScriptedSource source;
    ScriptedWindow window;
    LogReader reader;
};

} // namespace

TEST_F(LogReaderTest, TakesFieldTextsUpToTheTerminator)
{
    source.Fill = [](char* b, qint16 field) {
        switch (field) {
        case 0: Put(b, "JA1ABC/2"); break;
        case 3: Put(b, "12:00J  "); break;                // spaces before the terminator stay
        case 7: break;                                    // untouched: no terminator at all
        case 8: b[255] = 'x'; break;                      // text fills the whole space
        case 11: Put(b, "\x8E\x52\x93\x63\x20\x91\xBE"); break; // characters, not bytes
        case 12: Put(b, "\xFF\x41"); break;
        default: Put(b, ""); break;
        }
    };
    reader.RecordNo = 1;
    EXPECT_EQ(reader.ReadNextRecord(), LogReader::Outcome::RecordRead);
    EXPECT_EQ(reader.Fields[0], QStringLiteral("JA1ABC/2"));
    EXPECT_EQ(reader.Fields[3], QStringLiteral("12:00J  "));
    EXPECT_EQ(reader.Fields[7], QString());
    EXPECT_EQ(reader.Fields[8], QString());
    EXPECT_EQ(reader.Fields[11], QString::fromUtf16(u"山田 太"));
    EXPECT_EQ(reader.Fields[12], QString::fromUtf16(u"\uFFFDA"));
    for (int i = 17; i < LogReader::FieldCount; ++i)
        EXPECT_TRUE(reader.Fields[i].isEmpty());
}

TEST_F(LogReaderTest, QslMarksAreAlwaysThreeCharactersFromTheBuffer)
{
    QByteArray qsl;
    bool untouched = false;
    source.Fill = [&](char* b, qint16 field) {
        if (field == 10 && untouched)
            return;
        // A long field before QSL must not leave its bytes behind for the marks.
        Put(b, field == 10 ? qsl.constData() : "ABCDEFGHIJ");
    };
    auto marks = [&](const QByteArray& text, bool leaveUntouched = false) {
        qsl = text;
        untouched = leaveUntouched;
        ++reader.RecordNo;
        source.Records = reader.RecordNo;
        reader.ReadNextRecord();
        return reader.Fields[10];
    };
    EXPECT_EQ(marks("J N"), QStringLiteral("J N"));
    EXPECT_EQ(marks("JNNX"), QStringLiteral("JNN"));
    EXPECT_EQ(marks("J"), QString::fromUtf16(u"J\0 ", 3)); // terminator, then the pre-fill
    EXPECT_EQ(marks("", true), QStringLiteral("   "));
    EXPECT_EQ(marks("\x82\xA0\x82\xA2\x82\xA4\x82\xA6"), QString::fromUtf16(u"あいう"));
}

TEST_F(LogReaderTest, OpensOnceAfterConfirmationAndSignalsTheEnd)
{
    source.Records = 2;
    source.Fill = [&](char* b, qint16 field) {
        Put(b, field == 0 ? (reader.RecordNo == 1 ? "JA1AAA" : "JA2BBB") : "");
    };
    for (reader.RecordNo = 1; reader.RecordNo <= 2; ++reader.RecordNo)
        EXPECT_EQ(reader.ReadNextRecord(), LogReader::Outcome::RecordRead);
    EXPECT_EQ(window.Questions, QStringList{QStringLiteral("HAMLOG からデータを読み出します")});
    EXPECT_EQ(source.OpenedPath, window.Path);
    EXPECT_EQ(reader.Handle.IsOpen, True);
    EXPECT_EQ(QDir::currentPath(), QDir(dir.path()).canonicalPath());

    EXPECT_EQ(reader.ReadNextRecord(), LogReader::Outcome::EndOfLog);
    EXPECT_EQ(reader.LogPath, QStringLiteral("END"));
    EXPECT_EQ(reader.Handle.IsOpen, False);
    EXPECT_EQ(reader.Fields[0], QStringLiteral("JA2BBB")); // the last record stays
    EXPECT_EQ(source.Opens, 1);
    EXPECT_EQ(source.Closes, 1);
    EXPECT_TRUE(window.Messages.isEmpty());

    // A later read starts over with a new confirmation and a fresh path.
    reader.RecordNo = 1;
    EXPECT_EQ(reader.ReadNextRecord(), LogReader::Outcome::RecordRead);
    EXPECT_EQ(window.Questions.size(), 2);
    EXPECT_EQ(reader.LogPath, window.Path);
}

TEST_F(LogReaderTest, AnEmptyLogIsOpenedAndClosedInOneCall)
{
    source.Records = 0;
    reader.RecordNo = 1;
    EXPECT_EQ(reader.ReadNextRecord(), LogReader::Outcome::EndOfLog);
    EXPECT_EQ(source.Opens, 1);
    EXPECT_EQ(source.Closes, 1);
    EXPECT_EQ(reader.LogPath, QStringLiteral("END"));
}

TEST_F(LogReaderTest, FailuresBeforeTheFirstRecordLeaveFieldsAlone)
{
    reader.Fields[0] = QStringLiteral("previous");
    reader.RecordNo = 1;

    window.ConfirmAnswer = false;
    EXPECT_EQ(reader.ReadNextRecord(), LogReader::Outcome::Declined);
    EXPECT_TRUE(reader.LogPath.isEmpty());
    EXPECT_EQ(source.Opens, 0);
    EXPECT_TRUE(window.Messages.isEmpty());

    window.ConfirmAnswer = true;
    for (const QString& path : {QString(), dir.path(), dir.filePath(QStringLiteral("gone.hdb"))}) {
        window.Path = path;
        EXPECT_EQ(reader.ReadNextRecord(), LogReader::Outcome::PathInvalid);
        EXPECT_EQ(reader.LogPath, path);
        EXPECT_EQ(window.Messages.takeLast(), QStringLiteral("HAMLOG.HDB が 未指定 または 無効です"));
    }
    EXPECT_EQ(source.Opens, 0);

    window.Path = dir.filePath(QStringLiteral("HAMLOG.HDB"));
    source.OpenResult = 7;
    EXPECT_EQ(reader.ReadNextRecord(), LogReader::Outcome::OpenFailed);
    EXPECT_EQ(window.Messages, QStringList{QStringLiteral("HAMLOG Open 失敗")});
    EXPECT_EQ(reader.LogPath, QStringLiteral("END"));
    EXPECT_EQ(reader.Handle.IsOpen, False);
    EXPECT_EQ(source.Closes, 0);
    EXPECT_EQ(reader.Fields[0], QStringLiteral("previous"));
}
