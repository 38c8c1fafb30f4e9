#include "AdifFixtureWriter.h"
#include "AdifRecordSource.h"
#include "CsvFixtureWriter.h"
#include "CsvRecordSource.h"
#include "ExtractionRun.h"
#include "HdbFixtureWriter.h"
#include "HdbRecordSource.h"
#include "PlainSource.h"
#include "ScriptedWindow.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;

// The run decides most records on the log's bytes, and the readers hand it
// fields in place. These tests run it that way and field by field over
// generated logs full of what could tell the two apart, and require the same
// file, the same messages and the same counts.

namespace {

class LogGenerator {
public:
    explicit LogGenerator(unsigned seed) : engine_(seed) {}

    HdbContact Next()
    {
        HdbContact c;
        c.Call =
            Pick({u"JA1ABC/2", u"7K3XYZ/JA0", u"ＪＡ１ＡＢＣ/2", u"JA1ABC/２", u"JA\"1/3",
                  u"jh1abc/1", u"JA1ABC", u"8J1ABC/5", u"JA/3", u"", u" JA1ABC / 2 ", u"JE3HHT/1/P",
                  u"ｱA1ABC/4", u"JR6\"\"X/6", u"JA1ABCD/3", u"JD1ABC/JD1", u"JA1ABCDE"});
        c.Flag = Pick(4) == 0 ? 0x000A : 0x0001; // sometimes a reversed foreign call
        c.Century = Pick(2) ? 19 : 20;
        c.Year = Pick(100);
        c.Month = 1 + Pick(12);
        c.Day = 1 + Pick(31);
        c.Hour = Pick(24);
        c.Minute = Pick(60);
        c.Utc = Pick(4) == 0;
        c.Freq =
            Pick({u"7.050", u"430.00", u"10368", u"0.136", u"", u"１４４", u"144.10", u"5", u"24",
                  u"2427.5", u"76000.0", u"145.00", u"1.9", u"29.6", u"47088", u"\"50", u"ｱ"});
        c.Mode = Pick({u"SSB", u"CW", u"FM", u"ＳＳＢ", u"ssb", u"F\"M", u"", u"ＦＭ", u"RTTY"});
        c.Code = Pick({u"100110", u" 1001 ", u"１００１", u"12\"3", u"", u"東京", u"0100  "});
        static const QByteArray Marks[] = {
            "J  ",       "J J", "JNN", "\x82\xA0J", QByteArray("J\0 ", 3),
            "\x8E\x52J", " *J", "   ", "J\"J",      "JJ\xB1"};
        c.Qsl = Marks[Pick(std::size(Marks))];
        c.Name = Pick(3) == 0 ? u"山田"_s : QString();
        c.Deleted = Pick(20) == 0;
        return c;
    }

    std::vector<HdbContact> Contacts(int count)
    {
        std::vector<HdbContact> contacts;
        for (int i = 0; i < count; ++i)
            contacts.push_back(Next());
        return contacts;
    }

    // Overwrites a few bytes of some records with bytes that matter to the
    // code page or to the CSV file: zero bytes, quotes, lead bytes, bytes that
    // start no character.
    void Damage(QByteArray& file, int headerLength, int recordLength)
    {
        static const char Bytes[] = {'\0',   ' ',    '"',    '\x80', '\x81', '\x82',
                                     '\xA0', '\xB1', '\xFD', '\xFF', '/',    'J'};
        for (int at = headerLength; at + recordLength <= file.size(); at += recordLength) {
            if (Pick(3) == 0)
                file[at + 1 + Pick(static_cast<unsigned>(recordLength - 1))] =
                    Bytes[Pick(std::size(Bytes))];
        }
    }

    unsigned Pick(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(engine_); }

private:
    QString Pick(std::initializer_list<const char16_t*> texts)
    {
        return QString::fromUtf16(*(texts.begin() + Pick(static_cast<unsigned>(texts.size()))));
    }

    std::mt19937 engine_;
};

struct RunResult {
    ExtractionRun::Result Result;
    QByteArray File;
    QStringList Messages;
    qint32 Selected;
    QString FreqText, BandText;
};

class BytePathTest : public ::testing::Test {
protected:
    ~BytePathTest() override { QDir::setCurrent(startFolder); }

    RunResult Run(RecordSource& source, bool bytePath, const std::array<QString, 3>& filters)
    {
        ScriptedWindow window;
        window.Path = logPath;
        window.Texts = filters;
        LogReader reader(source, window, dir.path());
        ExtractionTarget target(extractPath);
        ExtractionRun run(window, reader, target);
        run.SetBytePath(bytePath);
        const ExtractionRun::Result result = run.Command4_Click();
        return {result,          ReadAll(extractPath), window.Messages, run.SelectedCount(),
                reader.FreqText, reader.BandText};
    }

    // The fast way (bytes, fields read in place) and the plain way (every field
    // through ThwString and decoded), under a few filter settings.
    void ExpectSameBothWays(RecordSource& source)
    {
        PlainSource plain(source);
        const std::array<QString, 3> settings[] = {
            {u"ALL"_s, u"ALL"_s, u"ALL"_s},
            {u"j, ,*"_s, u"7,144,,430"_s, u"ssb,FM, F\"M"_s},
            {u""_s, u"10000, 2400"_s, u"CW,,RTTY"_s},
        };
        for (const auto& filters : settings) {
            const RunResult decoded = Run(plain, false, filters);
            const RunResult bytes = Run(source, true, filters);
            ASSERT_EQ(decoded.Result, ExtractionRun::Result::Completed);
            ASSERT_EQ(bytes.Result, decoded.Result);
            EXPECT_EQ(bytes.File, decoded.File) << filters[0].toStdString();
            EXPECT_EQ(bytes.Messages, decoded.Messages);
            EXPECT_EQ(bytes.Selected, decoded.Selected);
            if (filters[0] == u"ALL") {
                EXPECT_GT(decoded.Selected, 0) << "a log that selects nothing compares nothing";
            }
            EXPECT_EQ(bytes.FreqText, decoded.FreqText) << "the last record's frequency";
            EXPECT_EQ(bytes.BandText, decoded.BandText);
            EXPECT_FALSE(bytes.File.contains('\0')) << "a zero byte reached the file";
        }
    }

    QString startFolder = QDir::currentPath();
    QTemporaryDir dir;
    QString logPath = dir.filePath(u"HAMLOG.HDB"_s);
    QString extractPath = dir.filePath(u"KORVEX.tmp"_s);
};

} // namespace

TEST_F(BytePathTest, HdbLogsGiveTheSameFileAsDecodingEveryField)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        LogGenerator generator(seed);
        // The lengths other versions of the logging program use, and shorter.
        static const int CallsLengths[] = {6, 8, 6, 3, 10, 5}, IgnLengths[] = {14, 12, 5, 4, 9, 7};
        const HdbFixtureWriter writer(
            HdbFixtureWriter::StandardFields(CallsLengths[seed - 1], IgnLengths[seed - 1]));
        QByteArray file = writer.File(generator.Contacts(400));
        const int header = static_cast<int>(writer.Header(0).size());
        if (seed % 2 == 0)
            generator.Damage(file, header, writer.RecordLength());
        // Other programs store the whole callsign in CALLS: "/2" at its end.
        for (int at = header; at + writer.RecordLength() <= file.size();
             at += 7 * writer.RecordLength()) {
            file[at + CallsLengths[seed - 1] - 1] = '/';
            file[at + CallsLengths[seed - 1]] = '2';
        }
        ASSERT_TRUE(WriteAll(logPath, file));
        HdbRecordSource source(1024); // small, so records cross many refills
        ExpectSameBothWays(source);
    }
}

TEST_F(BytePathTest, CsvLogsGiveTheSameFileAsDecodingEveryField)
{
    for (unsigned seed = 11; seed <= 14; ++seed) {
        SCOPED_TRACE(seed);
        LogGenerator generator(seed);
        // The forms other programs write, one more each seed.
        const CsvFixtureWriter writer(CsvFixtureWriter::Options{.Quoted = seed % 2 == 0,
                                                                .TrailingComma = seed >= 12,
                                                                .FourDigitYear = seed >= 13,
                                                                .RecordNumbers = seed >= 14,
                                                                .Header = seed >= 14});
        ASSERT_TRUE(writer.WriteFile(logPath, generator.Contacts(400)));
        CsvRecordSource source(512);
        ExpectSameBothWays(source);
    }
}

TEST_F(BytePathTest, AdifLogsGiveTheSameFileAsDecodingEveryField)
{
    using Form = AdifFixtureWriter::Form;
    unsigned seed = 21;
    for (Form form :
         {Form::WsjtX, Form::LoggerExport, Form::Utf8Bytes, Form::ShiftJis, Form::Lotw}) {
        SCOPED_TRACE(seed);
        LogGenerator generator(seed++);
        ASSERT_TRUE(AdifFixtureWriter({.As = form}).WriteFile(logPath, generator.Contacts(300)));
        AdifRecordSource source(4096);
        ExpectSameBothWays(source);
    }
}
