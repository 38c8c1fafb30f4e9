#include "LogReader.h"
#include "ScriptedWindow.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// A log of `Records` records whose field texts the test writes byte by byte.
struct ScriptedSource : RecordSource {
    int OpenResult = 0, Records = 1, Opens = 0, Closes = 0;
    std::function<void(char*, qint16)> Fill = [](char* b, qint16) { b[0] = '\0'; };

    int HamlogOpen(const QString&) override
    {
        ++Opens;
        return OpenResult;
    }
    int THW_read(qint32 n) override { return n >= 1 && n <= Records ? 0 : 1; }
    void ThwString(char* buffer, qint16 field) override { Fill(buffer, field); }
    void HamlogClose() override { ++Closes; }
};

// A log whose source says it writes its fields exactly (never reading back
// what it did not write) until the test says otherwise; then, as a source that
// goes through ThwString, it leaves the QSL field untouched.
struct TurningSource : RecordSource {
    bool Exact = true;

    int HamlogOpen(const QString&) override { return 0; }
    int THW_read(qint32 n) override { return n >= 1 && n <= 2 ? 0 : 1; }
    void ThwString(char* buffer, qint16 field) override
    {
        if (field != 10)
            buffer[0] = '\0';
    }
    void HamlogClose() override {}
    QByteArrayView FieldText(qint16 field, char* scratch) override
    {
        if (!Exact)
            return RecordSource::FieldText(field, scratch);
        std::memcpy(scratch, "ABCDEFGHIJ", 10);
        return QByteArrayView(scratch, 10);
    }
    bool HoldsLastRecord() const override { return true; }
    std::uint32_t ExactFields() const override
    {
        return Exact ? (std::uint32_t{1} << FieldCount) - 1 : 0;
    }
};

void Put(char* buffer, const char* text)
{
    std::memcpy(buffer, text, std::strlen(text) + 1);
}

template <typename Source> class ReaderTest : public ::testing::Test {
protected:
    ReaderTest()
    {
        window.Path = dir.filePath(u"HAMLOG.HDB"_s);
        WriteAll(window.Path, "x");
        reader.RecordNo = 1;
    }
    ~ReaderTest() override { QDir::setCurrent(startFolder); }

    QString startFolder = QDir::currentPath();
    QTemporaryDir dir;
    Source source;
    ScriptedWindow window;
    LogReader reader{source, window, dir.path()};
};

using LogReaderTest = ReaderTest<ScriptedSource>;
using LogFieldsTest = ReaderTest<TurningSource>;

} // namespace

TEST_F(LogReaderTest, TakesFieldTextsUpToTheTerminatorAsCodePage932)
{
    source.Fill = [](char* b, qint16 field) {
        switch (field) {
        case 0: Put(b, "JA1ABC/2"); break;
        case 3: Put(b, "12:00J  "); break; // spaces before the terminator stay
        case 7: break;                     // untouched: no terminator at all
        case 8: b[255] = 'x'; break;       // text fills the whole space
        case 11: Put(b, "\x8E\x52\x93\x63"); break;
        default: Put(b, field == 10 ? "JNN" : ""); break;
        }
    };
    EXPECT_EQ(reader.ReadNextRecord(), LogReader::Outcome::RecordRead);
    for (int i = 0; i < LogReader::FieldCount; ++i) {
        const QString expected = i == 0 ? u"JA1ABC/2"_s : i == 3 ? u"12:00J  "_s
                                 : i == 10 ? u"JNN"_s : i == 11 ? u"山田"_s : QString();
        EXPECT_EQ(reader.Fields[i], expected) << "field " << i;
    }
}

TEST_F(LogReaderTest, QslMarksAreTheFirstThreeCharactersBeforeTheTerminator)
{
    QByteArray qsl;
    source.Fill = [&](char* b, qint16 field) {
        // A long field before QSL must not leave its bytes behind for the marks.
        if (field != 10 || !qsl.isNull())
            Put(b, field == 10 ? qsl.constData() : "ABCDEFGHIJ");
    };
    // The terminator ends the marks: it never becomes one of them.
    const std::pair<QByteArray, QStringView> cases[] = {
        {"J N", u"J N"}, {"JNNX", u"JNN"}, {"J", u"J"}, {"\x82\xA0J", u"あJ"},
        {{}, u"   "}, // untouched: the pre-fill
        {"\x82\xA0\x82\xA2\x82\xA4\x82\xA6", u"あいう"},
    };
    for (const auto& [bytes, marks] : cases) {
        qsl = bytes;
        source.Records = ++reader.RecordNo;
        reader.ReadNextRecord();
        EXPECT_EQ(reader.Fields[10], marks) << bytes.constData();
        EXPECT_FALSE(reader.Fields[10].contains(QChar(0)));
    }
}

TEST_F(LogReaderTest, OpensOnlyAfterConfirmationAndAValidPathThenSignalsTheEnd)
{
    window.ConfirmAnswer = false;
    EXPECT_EQ(reader.ReadNextRecord(), LogReader::Outcome::Declined);
    window.ConfirmAnswer = true;
    const QString log = std::exchange(window.Path, dir.filePath(u"gone.hdb"_s));
    EXPECT_EQ(reader.ReadNextRecord(), LogReader::Outcome::PathInvalid);
    EXPECT_EQ(source.Opens, 0);
    window.Path = log;
    source.OpenResult = 7;
    EXPECT_EQ(reader.ReadNextRecord(), LogReader::Outcome::OpenFailed);
    EXPECT_EQ(reader.LogPath, u"END"_s);
    EXPECT_EQ(window.Messages.size(), 2); // none for the declined read

    source.OpenResult = 0;
    source.Records = 2;
    for (; reader.RecordNo <= 2; ++reader.RecordNo)
        EXPECT_EQ(reader.ReadNextRecord(), LogReader::Outcome::RecordRead);
    EXPECT_EQ(window.Questions.size(), 4); // once per open, not per record
    EXPECT_EQ(QDir::currentPath(), QDir(dir.path()).canonicalPath());
    EXPECT_EQ(reader.ReadNextRecord(), LogReader::Outcome::EndOfLog);
    EXPECT_EQ(reader.LogPath, u"END"_s);
    EXPECT_EQ(reader.LogHandle.IsOpen, False);
    EXPECT_EQ(source.Opens, 2);
    EXPECT_EQ(source.Closes, 1);
}

TEST_F(LogFieldsTest, ScratchAnExactSourceWroteIsFilledAgainForOneThatIsNot)
{
    ASSERT_EQ(reader.ReadNextRecord(), LogReader::Outcome::RecordRead);
    reader.Fields.Prefetch(1u << 10 | 1u << 4);
    EXPECT_EQ(reader.Fields.Bytes(10), "ABCDEFGHIJ");
    EXPECT_EQ(reader.Fields[4], u"ABCDEFGHIJ");

    // The marks of an untouched field are the pre-fill, not what is left of the last record.
    source.Exact = false;
    reader.RecordNo = 2;
    ASSERT_EQ(reader.ReadNextRecord(), LogReader::Outcome::RecordRead);
    EXPECT_EQ(reader.Fields[10], u"   ");
    EXPECT_EQ(reader.Fields[4], u"");
}
