#include "CsvRecordSource.h"

#include "CodePage932.h"
#include "CsvFixtureWriter.h"
#include "HdbRecordSource.h"
#include "SourceFields.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

using CsvLog = LogOnDisk<CsvRecordSource>;
constexpr std::size_t DefaultBuffer = 256 * 1024;

QByteArray Cp932(QStringView text)
{
    return CodePage932().Encode(text);
}

std::vector<FieldRecord> ReadCsv(const QByteArray& bytes, std::size_t bufferSize = DefaultBuffer)
{
    return CsvLog(bytes, bufferSize).Records();
}

// Contacts that reach the corners of both formats; CsvVariants below also checks
// how the database fields are formatted, against the export's text.
std::vector<HdbContact> Corners()
{
    return {{.Call = u"JA1ABCD/3"_s, .Century = 19, .Year = 99, .Month = 12, .Day = 31,
             .Hour = 7, .Minute = 5, .His = u"599"_s, .Code = u" 1001"_s, .Qsl = "N",
             .Flag = 0x0101},
            {.Call = u"KH6/JE3HHT/P"_s, .Hour = 23, .Minute = 59, .Utc = true, .Qsl = "  ",
             .Flag = 0x000A},
            {.Call = u"7K3XYZ/JA0"_s, .His = {}, .My = {}, .Qsl = "J *"},
            {.Call = u"JA3AAA/4"_s, .Deleted = true},
            {.Call = u"JH6ZZZ/8"_s, .Gl = u"PM95"_s, .Name = u"山田　太郎"_s,
             .Qth = u"ﾄｳｷｮｳﾄ 千代田区"_s, .Rmk1 = u"say \"hi\", ok"_s, .Rmk2 = u"  lead, trail  "_s}};
}

} // namespace

struct FieldCase {
    const char* name;
    QByteArray line;
    int field;
    QByteArray text;
};

class CsvFields : public testing::TestWithParam<FieldCase> {};

TEST_P(CsvFields, FollowTheHamlogExport)
{
    const std::vector<FieldRecord> records = ReadCsv(GetParam().line);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0][GetParam().field], GetParam().text);
}

// A line whose QSL item holds `marks`.
QByteArray Qsl(QStringView marks)
{
    return "JA1ABC,24/01/01,12:00J,59,59,7.050,SSB,1001,,\"" + Cp932(marks) + "\",name";
}

const QByteArray LongLine = "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17";
const QByteArray Spaces = QByteArray(300, ' ');

INSTANTIATE_TEST_SUITE_P(
    CsvRecordSource, CsvFields,
    testing::Values(
        FieldCase{"LineBreakInQuotes", "\"a\r\nb\nc\",x", 0, "a\r\nb\nc"},
        FieldCase{"TextAfterClosingQuote", "\"a\"b c,x", 0, "ab c"},
        FieldCase{"QuoteInsideBareItem", "a\"b,x", 0, "a\"b"},
        FieldCase{"TrailingSpacesRemoved", "x,\"24/01/01  \"", 2, "24/01/01"},
        FieldCase{"LeadingSpacesKept", "  JA1,x", 0, "  JA1"},
        FieldCase{"TextEndsAtZeroByte", QByteArray("JA\0 1,x", 7), 0, "JA"},
        FieldCase{"LoneCarriageReturnIsText", "a\rb,x", 0, "a\rb"},
        FieldCase{"OverlongCutAtCharacter", QByteArray(255, 'A') + Cp932(u"あ"), 0,
                  QByteArray(255, 'A')},
        FieldCase{"OverlongCutAtBuffer", QByteArray(300, 'A'), 0, QByteArray(256, 'A')},
        FieldCase{"OverlongSpacesTrimmed", "A" + Spaces, 0, "A"},
        FieldCase{"OverlongInnerSpacesKept", "A" + Spaces + "B", 0, "A" + QByteArray(255, ' ')},
        FieldCase{"OverlongUntilZeroByte", "A" + Spaces + '\0' + "B", 0, "A"},
        FieldCase{"QslCut", Qsl(u"JNNX"), 10, "JNN"},
        FieldCase{"QslDoubleBytePadded", Qsl(u"ＪＮ"), 10, Cp932(u"ＪＮ ")},
        FieldCase{"QslDoubleByteCut", Qsl(u"ＪＮＮＸ"), 10, Cp932(u"ＪＮＮ")},
        FieldCase{"ShortLineHasBlankQsl", "A,24/01/01", 10, "   "},
        FieldCase{"ShortLineLeavesFieldsEmpty", "A,24/01/01", 15, ""},
        FieldCase{"ExtraColumnsIgnored", LongLine, 15, "15"},
        FieldCase{"NoColumnForField1", LongLine, 1, ""},
        FieldCase{"NoColumnForField16", LongLine, 16, ""},
        FieldCase{"FourDigitYearDashes", "x,2024-01-02", 2, "2024/01/02"},
        FieldCase{"FourDigitYearShortMonthDay", "x,2025/8/6", 2, "2025/08/06"},
        FieldCase{"TwoDigitYearAsWritten", "x,24-1-2", 2, "24-1-2"},
        FieldCase{"MixedSeparatorsAsWritten", "x,2024/01-02", 2, "2024/01-02"},
        FieldCase{"LongerDateAsWritten", "x,2025/08/16/1", 2, "2025/08/16/1"}),
    [](const testing::TestParamInfo<FieldCase>& row) { return std::string(row.param.name); });

TEST(CsvRecordSource, NumbersTheLinesWithTextAndReadsThemInAnyOrder)
{
    // Blank and space-only lines take no number; a quoted line break is text.
    const QByteArray log = "\r\nR1\r\n\r\n   \nR2\n\"R\r\n3\"\n\nR4";
    for (const QByteArray& end : {QByteArray(), QByteArray("\r\n"), QByteArray("\n\x1A")}) {
        CsvLog csv(log + end, 8); // small, so rescans cross many refills
        CsvRecordSource& source = csv.source;
        ASSERT_EQ(source.HamlogOpen(csv.path), 0);
        const std::pair<qint32, QByteArray> reads[] = {
            {3, "R\r\n3"}, {1, "R1"}, {4, "R4"}, {2, "R2"}, {5, {}}, {0, {}}, {2, "R2"}};
        for (const auto& [number, call] : reads) {
            ASSERT_EQ(source.THW_read(number) == 0, !call.isNull()) << number;
            EXPECT_EQ(RecordFields(source)[0], call) << "no current record after a failed read";
        }
        source.HamlogClose();
        EXPECT_NE(source.THW_read(1), 0);
    }
    for (const QByteArray& empty : {QByteArray(), QByteArray("\r\n\n  \r\n"), QByteArray("\x1A")})
        EXPECT_TRUE(ReadCsv(empty).empty()) << empty.toHex().constData();
}

// Exports as HAMLOG and contest loggers write them.
struct VariantCase {
    const char* name;
    CsvFixtureWriter::Options options;
};

void PrintTo(const VariantCase& variant, std::ostream* out)
{
    *out << variant.name;
}

class CsvVariants : public testing::TestWithParam<VariantCase> {};

// The export of Corners() gives the fields the database gives, the century in
// front of the date for a four-digit year, through buffers of any size.
TEST_P(CsvVariants, ReadLikeTheDatabase)
{
    std::vector<FieldRecord> expected =
        LogOnDisk<HdbRecordSource>(HdbFixtureWriter().File(Corners())).Records();
    std::vector<HdbContact> live = Corners();
    std::erase_if(live, [](const HdbContact& c) { return c.Deleted; });
    ASSERT_EQ(live.size(), expected.size());
    for (std::size_t i = 0; i < live.size() && GetParam().options.FourDigitYear; ++i)
        expected[i][2].prepend(QByteArray::number(live[i].Century));
    const QByteArray csv = CsvFixtureWriter(GetParam().options).File(Corners());
    for (std::size_t bufferSize : {std::size_t{2}, std::size_t{7}, DefaultBuffer}) {
        const std::vector<FieldRecord> actual = ReadCsv(csv, bufferSize);
        ASSERT_EQ(actual.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            for (int field = 0; field < RecordSource::FieldCount; ++field) {
                if (field != 1) { // IGN exists only in the database
                    EXPECT_EQ(actual[i][field], expected[i][field])
                        << "record " << i + 1 << ", " << field << ", buffer " << bufferSize;
                }
            }
        }
    }
}

using Options = CsvFixtureWriter::Options;

INSTANTIATE_TEST_SUITE_P(
    CsvRecordSource, CsvVariants,
    testing::Values(
        VariantCase{"Quoted", Options{}},
        VariantCase{"QuotedLf", Options{.CrLf = false}},
        VariantCase{"QuotedNoFinalLineEnd", Options{.FinalLineEnd = false}},
        VariantCase{"Bare", Options{.Quoted = false, .CrLf = false, .FinalLineEnd = false}},
        VariantCase{"Header", Options{.Header = true}},
        VariantCase{"RecordNumbers", Options{.Quoted = false, .RecordNumbers = true}},
        VariantCase{"RecordNumbersAndHeader", Options{.RecordNumbers = true, .Header = true}},
        VariantCase{"FourDigitYear", Options{.Quoted = false, .FourDigitYear = true}},
        VariantCase{"FourDigitYearDashes",
                    Options{.FourDigitYear = true, .DateSeparator = '-', .Header = true}},
        VariantCase{"ContestLogger",
                    Options{.Quoted = false, .CrLf = false, .QuoteSpaces = true,
                            .QslAsStored = true, .TrailingComma = true}},
        VariantCase{"ContestLoggerFourDigitYear",
                    Options{.Quoted = false, .CrLf = false, .FinalLineEnd = false,
                            .QuoteSpaces = true, .QslAsStored = true, .TrailingComma = true,
                            .FourDigitYear = true}}),
    [](const testing::TestParamInfo<VariantCase>& row) { return std::string(row.param.name); });

TEST(CsvRecordSource, OnlyTheFirstLineWithTextCanBeAHeaderOrDecideTheColumns)
{
    const QByteArray header = CsvFixtureWriter().HeaderLine();
    const QByteArray numbered = "7,JA1ABC/2,24/01/01,12:00J,59,59,7.050\r\n";
    // Column names further down are a (damaged) contact.
    std::vector<FieldRecord> records = ReadCsv(numbered + header);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0][0], "JA1ABC/2");
    EXPECT_EQ(records[1][0], "Date") << "read behind the record-number column as well";
    // A line of digits and a date later on does not move the columns.
    records = ReadCsv("JA1ABC/2,24/01/01,12:00J\r\n" + numbered);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1][0], "7");
    // Column names in any letter case, after blank lines; other names are a contact.
    const QByteArray line = "JA1ABC/2,24/01/01,12:00J\r\n";
    for (const QByteArray& names : {QByteArray("\r\n \r\nCALL,DATE,TIME,HIS"),
                                    QByteArray("\" call\",\"Date\",\"time \""),
                                    QByteArray("Call,Day,Time")}) {
        records = ReadCsv(names + "\r\n" + line);
        EXPECT_EQ(records.front()[0], names.contains("Day") ? "Call" : "JA1ABC/2") << names.data();
    }
}

struct MalformedCase {
    const char* name;
    QByteArray text;
    int line;
    const char* reason; // what the message names
};

class CsvMalformed : public testing::TestWithParam<MalformedCase> {};

TEST_P(CsvMalformed, IsRefusedWhenOpened)
{
    for (std::size_t bufferSize : {std::size_t{2}, DefaultBuffer}) {
        CsvLog csv(GetParam().text, bufferSize);
        EXPECT_NE(csv.source.HamlogOpen(csv.path), 0);
        const QString error = csv.source.OpenError();
        EXPECT_TRUE(error.startsWith(u"line %1: "_s.arg(GetParam().line)) &&
                    error.contains(QLatin1String(GetParam().reason)))
            << qPrintable(error) << ", buffer " << bufferSize;
        EXPECT_NE(csv.source.THW_read(1), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    CsvRecordSource, CsvMalformed,
    testing::Values(
        MalformedCase{"Unclosed", "a,b\r\n\"c,d\r\n", 2, "not closed"},
        MalformedCase{"UnclosedAfterLineBreak", "\"a\nb\",x\n\"c", 3, "not closed"},
        MalformedCase{"InvalidByte", "a\nb\nc\x80,d\n", 3, "byte 0x80 "},
        MalformedCase{"InvalidInQuotes", "\"a\xFF\"", 1, "byte 0xFF "},
        MalformedCase{"BadTrailByte", "a,\x81 b", 1, "bytes 0x81 0x20 "},
        MalformedCase{"LeadBeforeLineEnd", "a\n\x82\nb", 2, "bytes 0x82 0x0A "},
        MalformedCase{"Unassigned", "\x85\x40", 1, "bytes 0x85 0x40 "},
        MalformedCase{"LeadAtEnd", "a,b\n\x88", 2, "ends inside a double-byte character"},
        MalformedCase{"InIgnoredColumn", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,\xFD", 1, "0xFD"}),
    [](const testing::TestParamInfo<MalformedCase>& row) { return std::string(row.param.name); });

// A large export is checked in two halves, split at a line feed near its
// middle. What one half leaves open must still be found by the check of the
// whole, and a clean file must read whole.
TEST(CsvRecordSource, LargeFilesCheckedInHalvesAsAWhole)
{
    // Bare lines only, so that a quote opened early runs to the end.
    QByteArray lines;
    for (int i = 0; lines.size() < 3 * 1024 * 1024; ++i)
        lines += "JA1AA" + QByteArray::number(i % 10) +
                 "/2,24/01/01,12:00J,59,59,7,CW,1001,,JE,,,,,0\n";
    const int count = static_cast<int>(lines.count('\n'));
    struct Variant {
        const char* name;
        QByteArray text;
        int line;           // of the fault, 0 for none
        const char* reason; // what the message names
    };
    const Variant variants[] = {
        {"clean", lines + lines, 0, ""},
        // The line feed the halves are parted at lies inside a quoted item.
        {"quoted across the middle",
         lines + "\"a" + QByteArray(2 * 1024 * 1024, 'q') + "\n" + QByteArray(1024 * 1024, 'r') +
             "\",x\n" + lines,
         0, ""},
        {"left open in the first half", lines + "\"open,x\n" + lines, count + 1, "not closed"},
        {"bad byte in the second half", lines + lines + "a,\x81 b\n", 2 * count + 1,
         "bytes 0x81 0x20"},
    };
    for (const Variant& variant : variants) {
        SCOPED_TRACE(variant.name);
        CsvLog csv(variant.text, DefaultBuffer);
        csv.source.SetCheckAsReadFrom(std::numeric_limits<off_t>::max()); // checked when opened
        const int opened = csv.source.HamlogOpen(csv.path);
        if (variant.line == 0) {
            ASSERT_EQ(opened, 0) << qPrintable(csv.source.OpenError());
            qint32 records = 0;
            while (csv.source.THW_read(records + 1) == 0)
                ++records;
            EXPECT_EQ(records, static_cast<int>(variant.text.count(",x\n")) + 2 * count);
        } else {
            EXPECT_NE(opened, 0);
            EXPECT_TRUE(csv.source.OpenError().startsWith(u"line %1: "_s.arg(variant.line)) &&
                        csv.source.OpenError().contains(QLatin1String(variant.reason)))
                << qPrintable(csv.source.OpenError());
        }
    }
}

// The glance the run takes at every record must say what the fields say,
// whichever way the line was tokenized and wherever the call column is.
TEST(CsvRecordSource, GlanceTellsWhatTheFieldsTell)
{
    static const char withNuls[] =
        "\"JA1AA\0/2\",24/01/01,\"12:00\0J\",59,59,\"7\0.1\",CW,1001,,JE,,,,,0";
    const QByteArray lines[] = {
        "JA1AA/2,24/01/01,12:00J,59,59,7,CW,1001,,JE,,,,,0",
        "\"JA1AA/2 \",24/01/01,\"12:00J \",59,59,\"7.050 \",CW,1001,,JE,,,,,0",
        "JA1AA,24/01/01,12:00U,59,59,7,CW,1001,,JE,,,,,0",
        QByteArray(withNuls, sizeof withNuls - 1),
        "\"JA1AA/2\",24/01/01,\"12:00\r\nJ\",59,59,\"1\"\"4\",CW,1001,,JE,,,,,0",
        "JA1AA/2,24/01/01,," + QByteArray(300, ' ') + "J,59,59,7,CW,1001,,JE,,,,,0",
        "JA1AA/2,24/01/01,,,,,,,,,,,,,",
        "/,,J",
    };
    for (const bool numbered : {false, true}) {
        QByteArray text;
        int n = 0;
        for (const QByteArray& line : lines)
            text += (numbered ? QByteArray::number(++n) + ',' : QByteArray()) + line + "\r\n";
        for (const std::size_t chunkSize : {std::size_t{64}, DefaultBuffer}) {
            SCOPED_TRACE(testing::Message() << "numbered " << numbered << ", chunk " << chunkSize);
            CsvLog csv(text, chunkSize);
            ASSERT_EQ(csv.source.HamlogOpen(csv.path), 0) << qPrintable(csv.source.OpenError());
            for (qint32 record = 1; csv.source.THW_read(record) == 0; ++record) {
                char scratch[RecordSource::FieldBufferSize + 1];
                const QByteArray time = csv.source.FieldText(3, scratch).toByteArray();
                const QByteArray call = csv.source.FieldText(0, scratch).toByteArray();
                const QByteArray frequency = csv.source.FieldText(6, scratch).toByteArray();
                const RecordSource::Glance glance = csv.source.GlanceAtRecord();
                EXPECT_EQ(glance.NotJapanTime, !time.endsWith('J')) << record;
                EXPECT_EQ(glance.NoSlash, !call.contains('/')) << record;
                EXPECT_EQ(glance.FrequencyKey.toByteArray(), frequency) << record;
            }
        }
    }
}
