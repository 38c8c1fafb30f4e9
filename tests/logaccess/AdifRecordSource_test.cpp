#include "AdifRecordSource.h"

#include "AdifFixtureWriter.h"
#include "CodePage932.h"
#include "CsvFixtureWriter.h"
#include "ExtractionRun.h"
#include "LogFileSource.h"
#include "RecordClassification.h"
#include "ScriptedWindow.h"
#include "SourceFields.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using Form = AdifFixtureWriter::Form;

namespace {

using Record = std::array<QString, RecordSource::FieldCount>;

// The fields as the reader decodes them.
std::vector<Record> Decoded(const std::vector<FieldRecord>& read)
{
    std::vector<Record> records;
    for (const FieldRecord& fields : read) {
        Record& record = records.emplace_back();
        for (int field = 0; field < RecordSource::FieldCount; ++field)
            record[field] = CodePage932().Decode(fields[field]);
    }
    return records;
}

std::vector<Record> ReadAdif(const QByteArray& bytes)
{
    return Decoded(LogOnDisk<AdifRecordSource>(bytes).Records());
}

// One record of the given specifiers, as a header-less log.
Record One(const QByteArray& specifiers)
{
    const std::vector<Record> records = ReadAdif(specifiers + "<EOR>\r\n");
    EXPECT_EQ(records.size(), 1u);
    return records.empty() ? Record{} : records[0];
}

QString Two(int value)
{
    return QString::number(value).rightJustified(2, u'0');
}

// Contacts in Japan time whose rows the extraction file shows; a few are not
// extracted (home station, logged in UTC: the last one) and one is deleted.
std::vector<HdbContact> Contacts()
{
    return {{.Call = u"JA1ABC/2"_s, .Year = 24, .Month = 3, .Day = 10, .Hour = 21, .Minute = 5,
             .Freq = u"7.050"_s, .Mode = u"SSB"_s, .Code = u"1001"_s, .Qsl = "J**",
             .Name = u"山田　太郎"_s, .Qth = u"ﾄｳｷｮｳﾄ 千代田区"_s},
            {.Call = u"7K3XYZ/JA0"_s, .Century = 19, .Year = 99, .Month = 12, .Day = 31,
             .Hour = 23, .Minute = 59, .Freq = u"430.00"_s, .Mode = u"FM"_s, .Qsl = "J *"},
            {.Call = u"JH6ZZZ/8"_s, .Year = 1, .Month = 1, .Day = 1, .Hour = 0, .Minute = 30,
             .Freq = u"14.074"_s, .Mode = u"FT4"_s, .Code = u"01003A"_s, .Qsl = "N  ",
             .Rmk1 = u"移動運用 <EOR> say \"hi\", ok"_s, .Rmk2 = u"ＪＡ１"_s},
            {.Call = u"JA3AAA/4"_s, .Deleted = true},
            {.Call = u"JR2BBB"_s, .Freq = u"144.10"_s, .Mode = u"CW"_s},
            {.Call = u"8J1DDD/3"_s, .Month = 2, .Day = 29, .Hour = 9, .Minute = 0,
             .Freq = u"1295.0"_s, .Mode = u"CW"_s, .Code = u"2701"_s, .Qsl = "J  "},
            {.Call = u"JG1EEE/5"_s, .Freq = u"10368"_s, .Mode = u"CW"_s, .Qsl = "   "},
            {.Call = u"JE1CCC/1"_s, .Hour = 8, .Minute = 59, .Utc = true}};
}

} // namespace

struct ValueCase {
    const char* name;
    QByteArray specifiers;
    int field;
    QString text;
};

class AdifValues : public testing::TestWithParam<ValueCase> {};

TEST_P(AdifValues, BecomeTheFieldsOfTheHamlogLibrary)
{
    EXPECT_EQ(One(GetParam().specifiers)[GetParam().field], GetParam().text);
}

const QByteArray Noon = "<QSO_DATE:8>20240101";

INSTANTIATE_TEST_SUITE_P(
    AdifRecordSource, AdifValues,
    testing::Values(
        // UTC plus nine hours; the date moves with it.
        ValueCase{"MidnightDate", "<QSO_DATE:8>20231231<TIME_ON:4>1500", 2, u"24/01/01"_s},
        ValueCase{"MidnightTime", "<QSO_DATE:8>20231231<TIME_ON:4>1500", 3, u"00:00J"_s},
        ValueCase{"LastMinuteSameDay", "<QSO_DATE:8>20240101<TIME_ON:6>145959", 3, u"23:59J"_s},
        ValueCase{"LeapDay", "<QSO_DATE:8>20240228<TIME_ON:4>2030", 2, u"24/02/29"_s},
        ValueCase{"NoLeapDay", "<QSO_DATE:8>20230228<TIME_ON:4>2030", 2, u"23/03/01"_s},
        ValueCase{"Century", "<QSO_DATE:8>19991231<TIME_ON:4>2359", 2, u"00/01/01"_s},
        ValueCase{"BadDateNoMark", "<QSO_DATE:7>2024011<TIME_ON:4>1200", 3, u"1200"_s},
        ValueCase{"BadTimeNoMark", Noon + "<TIME_ON:4>2460", 3, u"2460"_s},
        ValueCase{"NoTime", Noon, 3, QString()},
        // Names and values in any letter case; typed values; codes after their area.
        ValueCase{"ModeAnyCase", "<mode:2>cw", 7, u"CW"_s},
        ValueCase{"FreqWithType", "<FREQ:5:N>7.050", 6, u"7.050"_s},
        ValueCase{"CodeFromCounty", "<CNTY:6>100110", 8, u"100110"_s},
        ValueCase{"CodeAfterArea", "<CNTY:7>JA,1001", 8, u"1001"_s},
        ValueCase{"CallInCapitals", "<call:8>ja1abc/2", 0, u"JA1ABC/2"_s},
        ValueCase{"ForeignFlag", "<CALL:10>KH6/JE3HHT<DXCC:3>110", 15, u"10"_s},
        ValueCase{"JapaneseFlag", "<CALL:8>JA1ABC/2<DXCC:3>339", 15, u"1"_s},
        // QSL marks: via, sent, received.
        ValueCase{"NoCard", "<QSL_SENT:1>N<QSL_SENT_VIA:1>B", 10, u"N  "_s},
        ValueCase{"Direct", "<QSL_SENT_VIA:1>D", 10, u"D  "_s},
        ValueCase{"QueuedGoesByBureau", "<QSL_SENT:1>Q", 10, u"J  "_s},
        ValueCase{"EqslVerified", "<eqsl_qsl_rcvd:1>v", 10, u"  *"_s},
        ValueCase{"RequestedIsNotReceived", "<QSL_RCVD:1>R<LOTW_QSL_RCVD:1>N", 10, u"   "_s},
        // Where a value ends.
        ValueCase{"SpecifierInsideValue", "<COMMENT:5><EOR><NOTES:1>x", 13, u"<EOR>"_s},
        ValueCase{"TextBetweenFieldsIgnored", "junk <NAME:2>ab more <QTH:1>c", 12, u"c"_s},
        ValueCase{"NoFieldOne", "<CALL:6>JA1ABC", 1, QString()}),
    [](const testing::TestParamInfo<ValueCase>& row) { return std::string(row.param.name); });

TEST(AdifRecordSource, BandWithoutFrequencyNamesTheSameBand)
{
    const std::pair<QByteArray, QStringView> bands[] = {
        {"160m", u"1.9"},     {"80M", u"3.5"},   {"40m", u"7"},    {"30m", u"10"},
        {"20m", u"14"},       {"17m", u"18"},    {"15m", u"21"},   {"12m", u"24"},
        {"10m", u"28"},       {"6m", u"50"},     {"2m", u"144"},   {"70cm", u"430"},
        {"23cm", u"1200"},    {"13cm", u"2400"}, {"6cm", u"5600"}, {"3cm", u"10000"},
        {"1.25cm", u"24000"}, {"6mm", u"47000"}};
    for (const auto& [band, name] : bands) {
        const QString text = One(AdifFixtureWriter::Specifier("BAND", band))[6];
        EXPECT_EQ(BandName(text), name) << band.constData() << " read as " << qPrintable(text);
    }
}

TEST(AdifRecordSource, TextThatIsNoUtf8BecomesReplacementCharacters)
{
    // Mostly UTF-8, so read as UTF-8: the stray byte is U+FFFD, as elsewhere, and
    // a character code page 932 lacks is "?".
    const QByteArray name = u"山田"_s.toUtf8() + '\xFF' + u"é"_s.toUtf8();
    const std::vector<Record> records =
        ReadAdif("<NAME:" + QByteArray::number(name.size()) + '>' + name + "<QTH:21>" +
                 u"東京都千代田区"_s.toUtf8() + "<EOR>");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0][11], u"山田\uFFFD?"_s);
    EXPECT_EQ(records[0][12], u"東京都千代田区"_s);
}

TEST(AdifRecordSource, NumbersWholeRecordsAndReadsThemInAnyOrder)
{
    // A header with fields of its own, an empty record, a value longer than the
    // buffer's look-ahead, and a last record cut short by the end of the file.
    const QByteArray longText(20000, 'x');
    const QByteArray log = "Exported <by hand>\n<ADIF_VER:5>3.1.4 <PROGRAMID:4>test\n<eoh>\n"
                           "<CALL:2>R1<EOR>\n<eor>\n<CALL:2>R2 " +
                           AdifFixtureWriter::Specifier("COMMENT", longText) +
                           "<EOR>\n<CALL:2>R3<EOR><CALL:2>R4<EOR>\n";
    const QByteArray cuts[] = {"<CALL:2>R5", "<CALL:6>R5", "<CALL:2>R5<EO", "<CALL"};
    for (const QByteArray& cut : cuts) {
        LogOnDisk<AdifRecordSource> adif(log + cut, 4096); // small, so reads cross many refills
        AdifRecordSource& source = adif.source;
        ASSERT_EQ(source.HamlogOpen(adif.path), 0);
        const std::pair<qint32, QByteArray> reads[] = {
            {3, "R3"}, {1, "R1"}, {4, "R4"}, {2, "R2"}, {5, {}}, {0, {}}, {2, "R2"}};
        for (const auto& [number, call] : reads) {
            ASSERT_EQ(source.THW_read(number) == 0, !call.isNull()) << number << cut.constData();
            EXPECT_EQ(RecordFields(source)[0], call) << "no current record after a failed read";
        }
        ASSERT_EQ(source.THW_read(2), 0);
        EXPECT_EQ(FieldBytes(source, 13), longText.first(256));
        source.HamlogClose();
        EXPECT_NE(source.THW_read(1), 0);
    }
    EXPECT_TRUE(ReadAdif({}).empty());
    EXPECT_TRUE(ReadAdif("header only\r\n<EOH>\r\n").empty());
}

TEST(AdifRecordSource, IsKnownByItsContent)
{
    const HdbContact contact{.Call = u"JA1ABC/2"_s};
    EXPECT_FALSE(AdifRecordSource::LooksLikeAdif(CsvFixtureWriter().File({contact})));
    EXPECT_FALSE(AdifRecordSource::LooksLikeAdif("<html><body>no log</body></html>"));
    EXPECT_TRUE(AdifRecordSource::LooksLikeAdif("\xEF\xBB\xBF<CALL:6>JA1ABC<EOR>"));
}

std::string FormName(const testing::TestParamInfo<std::tuple<Form, bool>>& row)
{
    static const char* const Forms[] = {"WsjtX", "LoggerExport", "Utf8Bytes", "ShiftJis", "Lotw"};
    return std::string(Forms[static_cast<int>(std::get<0>(row.param))]) +
           (std::get<1>(row.param) ? "CrLf" : "Lf");
}

class AdifForms : public testing::TestWithParam<std::tuple<Form, bool>> {};

// Every form gives back the contacts written: Japan time throughout (ADIF holds
// UTC), modes under their submodes, what the form keeps of QSL marks and texts,
// whatever its text encoding and whether lengths count characters or bytes.
// Where it keeps the marks, the extraction file is the one the database and
// the CSV export give.
TEST_P(AdifForms, GiveTheContactsAndTheExtractionFileOfHdbAndCsv)
{
    const auto [form, crLf] = GetParam();
    const std::vector<HdbContact> contacts = Contacts();
    QByteArray log = AdifFixtureWriter({.As = form, .CrLf = crLf}).File(contacts);
    if (form == Form::Lotw)
        log += "<CALL:6>JA9ZZZ<EOR>\r\n"; // after the end marker: not read
    LogOnDisk<AdifRecordSource> adif(log, 4096);
    const std::vector<Record> records = Decoded(adif.Records());
    EXPECT_EQ(adif.source.TextEncoding(),
              form == Form::ShiftJis ? AdifRecord::Text::ShiftJis : AdifRecord::Text::Utf8);
    ASSERT_EQ(records.size(), contacts.size() - 1); // the deleted one is not written
    auto r = records.begin();
    for (const HdbContact& c : contacts) {
        if (c.Deleted)
            continue;
        SCOPED_TRACE(qPrintable(c.Call));
        const Record& read = *r++;
        EXPECT_EQ(read[0], c.Call);
        EXPECT_EQ(read[2], Two(c.Year) + u'/' + Two(c.Month) + u'/' + Two(c.Day));
        const int minutes = (c.Hour * 60 + c.Minute + (c.Utc ? 9 * 60 : 0)) % (24 * 60);
        EXPECT_EQ(read[3], Two(minutes / 60) + u':' + Two(minutes % 60) + u'J');
        // LoTW gives no FREQ: the band's frequency stands in.
        EXPECT_EQ(form == Form::Lotw ? BandName(read[6]) : read[6],
                  form == Form::Lotw ? BandName(c.Freq) : c.Freq);
        EXPECT_EQ(read[7], c.Mode) << "FT4 is written under MFSK";
        // WSJT-X keeps no QSL marks, an LoTW download only what it confirmed.
        const QString marks = QString::fromLatin1(c.Qsl).leftJustified(3);
        EXPECT_EQ(form == Form::Lotw ? read[10].right(1) : read[10],
                  form == Form::WsjtX  ? u"   "_s
                  : form == Form::Lotw ? marks.right(1)
                                       : marks);
        const bool texts = form != Form::Lotw;
        EXPECT_EQ(read[11], texts ? c.Name : QString());
        EXPECT_EQ(read[12], texts ? c.Qth : QString());
        EXPECT_EQ(read[13], texts ? c.Rmk1 : QString());
        EXPECT_EQ(read[14], texts ? c.Rmk2 : QString());
        EXPECT_EQ(read[16], QString());
    }
    if (form == Form::WsjtX)
        return;

    const QString startFolder = QDir::currentPath();
    QTemporaryDir dir;
    auto extract = [&](const QString& path) {
        ScriptedWindow window;
        window.Path = path;
        LogFileSource source;
        LogReader reader(source, window, dir.path());
        const QString out = dir.filePath(u"KORVEX.tmp"_s);
        ExtractionTarget target(out);
        ExtractionRun(window, reader, target).Command4_Click();
        return CodePage932().Decode(::ReadAll(out));
    };
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(dir.filePath(u"HAMLOG.HDB"_s), contacts));
    ASSERT_TRUE(CsvFixtureWriter().WriteFile(dir.filePath(u"HAMLOG.CSV"_s), contacts));
    const QString hdb = extract(dir.filePath(u"HAMLOG.HDB"_s));
    EXPECT_EQ(hdb.count(u"\r\n"_s), 6) << "a header and five rows";
    EXPECT_EQ(extract(dir.filePath(u"HAMLOG.CSV"_s)), hdb);
    // The contact logged in UTC is in Japan time in ADIF: it is left out.
    std::vector<HdbContact> japanTime = contacts;
    ASSERT_TRUE(japanTime.back().Utc);
    japanTime.pop_back();
    ASSERT_TRUE(AdifFixtureWriter({.As = form, .CrLf = crLf})
                    .WriteFile(dir.filePath(u"japan.adi"_s), japanTime));
    EXPECT_EQ(extract(dir.filePath(u"japan.adi"_s)), hdb) << qPrintable(hdb);
    QDir::setCurrent(startFolder);
}

INSTANTIATE_TEST_SUITE_P(AdifRecordSource, AdifForms,
                         testing::Combine(testing::Values(Form::WsjtX, Form::LoggerExport,
                                                          Form::Utf8Bytes, Form::ShiftJis,
                                                          Form::Lotw),
                                          testing::Bool()),
                         FormName);
