#include "CsvRecordSource.h"

#include "CodePage932.h"
#include "CsvFixtureWriter.h"
#include "HdbRecordSource.h"
#include "SampleContacts.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

using Record = std::array<QByteArray, RecordSource::FieldCount>;
constexpr std::size_t DefaultBuffer = 256 * 1024;

QByteArray Cp932(QStringView text)
{
    CodePage932 codec;
    return codec.Encode(text);
}

QString WriteLog(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("export.csv"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    return path;
}

// The fields of the current record; checks on the way that each call writes
// nothing past its zero byte.
Record Fields(RecordSource& source)
{
    Record record;
    for (qint16 field = 0; field < RecordSource::FieldCount; ++field) {
        char buffer[RecordSource::FieldBufferSize + 1];
        std::memset(buffer, 0x7F, sizeof buffer);
        source.ThwString(buffer, field);
        const auto* nul = static_cast<const char*>(std::memchr(buffer, 0, sizeof buffer));
        if (!nul) {
            ADD_FAILURE() << "field " << field << " has no zero byte";
            continue;
        }
        record[field] = QByteArray(buffer, nul - buffer);
        for (const char* p = nul + 1; p < buffer + sizeof buffer; ++p)
            EXPECT_EQ(*p, 0x7F) << "field " << field << " wrote past its zero byte";
    }
    return record;
}

std::vector<Record> ReadAll(RecordSource& source)
{
    std::vector<Record> records;
    for (qint32 n = 1; source.THW_read(n) == 0; ++n)
        records.push_back(Fields(source));
    return records;
}

std::vector<Record> ReadCsv(const QByteArray& bytes, std::size_t bufferSize = DefaultBuffer)
{
    QTemporaryDir dir;
    CsvRecordSource source(bufferSize);
    if (source.HamlogOpen(WriteLog(dir, bytes)) != 0) {
        ADD_FAILURE() << "not opened: " << source.OpenError().toStdString();
        return {};
    }
    return ReadAll(source);
}

} // namespace

TEST(CsvRecordSource, LineEndsAndBlankLinesTakeNoRecordNumber)
{
    const QByteArray log = "\r\nA1,x\r\n\r\n   \nA2,\"y\r\nz\"\n\nA3,z";
    for (const QByteArray& ending : {QByteArray(), QByteArray("\r\n"), QByteArray("\n\x1A")}) {
        const std::vector<Record> records = ReadCsv(log + ending);
        ASSERT_EQ(records.size(), 3u) << ending.toHex().constData();
        EXPECT_EQ(records[0][0], "A1");
        EXPECT_EQ(records[1][0], "A2");
        EXPECT_EQ(records[1][2], "y\r\nz");
        EXPECT_EQ(records[2][0], "A3");
    }
    for (const QByteArray& empty : {QByteArray(), QByteArray("\r\n\n  \r\n"), QByteArray("\x1A")})
        EXPECT_TRUE(ReadCsv(empty).empty()) << empty.toHex().constData();
}

struct FieldCase {
    const char* name;
    QByteArray line;
    int field;
    QByteArray text;
};

class CsvFields : public testing::TestWithParam<FieldCase> {};

TEST_P(CsvFields, FollowTheHamlogExport)
{
    const std::vector<Record> records = ReadCsv(GetParam().line);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0][GetParam().field], GetParam().text);
}

// A line whose QSL item holds `marks`.
QByteArray Qsl(QStringView marks)
{
    return "JA1ABC,24/01/01,12:00J,59,59,7.050,SSB,1001,,\"" + Cp932(marks) + "\",name";
}

const QByteArray LongLine = "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17";

INSTANTIATE_TEST_SUITE_P(
    CsvRecordSource, CsvFields,
    testing::Values(
        FieldCase{"DoubledQuotes", "\"say \"\"hi\"\"\",x", 0, "say \"hi\""},
        FieldCase{"CommaInQuotes", "\"a,b\",x", 2, "x"},
        FieldCase{"LineBreakInQuotes", "\"a\r\nb\nc\",x", 0, "a\r\nb\nc"},
        FieldCase{"TextAfterClosingQuote", "\"a\"b c,x", 0, "ab c"},
        FieldCase{"QuoteInsideBareItem", "a\"b,x", 0, "a\"b"},
        FieldCase{"TrailingSpacesRemoved", "x,\"24/01/01  \"", 2, "24/01/01"},
        FieldCase{"LeadingSpacesKept", "  JA1,x", 0, "  JA1"},
        FieldCase{"TextEndsAtZeroByte", QByteArray("JA\0 1,x", 7), 0, "JA"},
        FieldCase{"LoneCarriageReturnIsText", "a\rb,x", 0, "a\rb"},
        FieldCase{"DoubleByteText", Cp932(u"ｶﾅ,\"ソフト表示\""), 2, Cp932(u"ソフト表示")},
        FieldCase{"OverlongCutAtCharacter", QByteArray(255, 'A') + Cp932(u"あ"), 0,
                  QByteArray(255, 'A')},
        FieldCase{"OverlongCutAtBuffer", QByteArray(300, 'A'), 0, QByteArray(256, 'A')},
        FieldCase{"OverlongSpacesTrimmed", "A" + QByteArray(300, ' '), 0, "A"},
        FieldCase{"OverlongInnerSpacesKept", "A" + QByteArray(300, ' ') + "B", 0,
                  "A" + QByteArray(255, ' ')},
        FieldCase{"OverlongUntilZeroByte", "A" + QByteArray(300, ' ') + '\0' + "B", 0, "A"},
        FieldCase{"QslPadded", Qsl(u"J"), 10, "J  "},
        FieldCase{"QslCut", Qsl(u"JNNX"), 10, "JNN"},
        FieldCase{"QslDoubleBytePadded", Qsl(u"ＪＮ"), 10, Cp932(u"ＪＮ ")},
        FieldCase{"QslDoubleByteCut", Qsl(u"ＪＮＮＸ"), 10, Cp932(u"ＪＮＮ")},
        FieldCase{"FieldAfterQsl", Qsl(u"ＪＮＮＸ"), 11, "name"},
        FieldCase{"ShortLineHasBlankQsl", "A,24/01/01", 10, "   "},
        FieldCase{"ShortLineLeavesFieldsEmpty", "A,24/01/01", 15, ""},
        FieldCase{"ExtraColumnsIgnored", LongLine, 15, "15"},
        FieldCase{"NoColumnForField1", LongLine, 1, ""},
        FieldCase{"NoColumnForField16", LongLine, 16, ""}),
    [](const testing::TestParamInfo<FieldCase>& row) { return std::string(row.param.name); });

TEST(CsvRecordSource, ReadsRecordsByNumberInAnyOrder)
{
    QTemporaryDir dir;
    CsvRecordSource source(8); // small, so rescans cross many refills
    ASSERT_EQ(source.HamlogOpen(WriteLog(dir, "R1\r\nR2\r\n\r\nR3\r\n\"R\r\n4\"\r\nR5")), 0);
    const std::pair<qint32, QByteArray> reads[] = {
        {3, "R3"}, {1, "R1"}, {5, "R5"}, {2, "R2"}, {6, {}},
        {4, "R\r\n4"}, {0, {}}, {-1, {}}, {2, "R2"},
    };
    for (const auto& [number, call] : reads) {
        const bool exists = !call.isNull();
        ASSERT_EQ(source.THW_read(number) == 0, exists) << number;
        // After a failed read there is no current record.
        EXPECT_EQ(Fields(source)[0], exists ? call : QByteArray()) << number;
    }
    source.HamlogClose();
    EXPECT_NE(source.THW_read(1), 0);
}

struct SameContactsCase {
    const char* name;
    CsvFixtureWriter::Options options;
};

class CsvAndHdb
    : public testing::TestWithParam<std::tuple<SameContactsCase, std::size_t>> {};

TEST_P(CsvAndHdb, GiveTheSameFieldsForTheSameContacts)
{
    const auto& [variant, bufferSize] = GetParam();
    const std::vector<HdbContact> contacts = SampleContacts();
    QTemporaryDir dir;
    const QString hdbPath = dir.filePath(QStringLiteral("HAMLOG.HDB"));
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(hdbPath, contacts));
    HdbRecordSource hdb;
    ASSERT_EQ(hdb.HamlogOpen(hdbPath), 0);
    const std::vector<Record> expected = ReadAll(hdb);
    ASSERT_GT(expected.size(), 100u);

    const std::vector<Record> actual =
        ReadCsv(CsvFixtureWriter(variant.options).File(contacts), bufferSize);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        for (int field = 0; field < RecordSource::FieldCount; ++field) {
            if (field == 1) // IGN exists only in the database
                continue;
            EXPECT_EQ(actual[i][field], expected[i][field])
                << "record " << i + 1 << " field " << field;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    CsvRecordSource, CsvAndHdb,
    testing::Combine(
        testing::Values(SameContactsCase{"QuotedCrLf", {true, true, true}},
                        SameContactsCase{"BareCrLf", {false, true, true}},
                        SameContactsCase{"QuotedLfNoFinalEnd", {true, false, false}},
                        SameContactsCase{"BareLfNoFinalEnd", {false, false, false}}),
        testing::Values(std::size_t{2}, std::size_t{3}, std::size_t{7}, DefaultBuffer)),
    [](const auto& row) {
        return std::string(std::get<0>(row.param).name) + "Buffer" +
               std::to_string(std::get<1>(row.param));
    });

struct MalformedCase {
    const char* name;
    QByteArray text;
    const char* error;
};

class CsvMalformed : public testing::TestWithParam<MalformedCase> {};

TEST_P(CsvMalformed, IsRefusedWhenOpened)
{
    const MalformedCase& c = GetParam();
    for (std::size_t bufferSize : {std::size_t{2}, DefaultBuffer}) {
        QTemporaryDir dir;
        CsvRecordSource source(bufferSize);
        EXPECT_NE(source.HamlogOpen(WriteLog(dir, c.text)), 0);
        EXPECT_EQ(source.OpenError(), QString::fromUtf8(c.error)) << bufferSize;
        EXPECT_NE(source.THW_read(1), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    CsvRecordSource, CsvMalformed,
    testing::Values(
        MalformedCase{"UnclosedQuote", "a,b\r\n\"c,d\r\n",
                      "line 2: a quoted item is not closed"},
        MalformedCase{"UnclosedQuoteOverLines", "a\n\"b\n\nc,\"\"d",
                      "line 2: a quoted item is not closed"},
        MalformedCase{"UnclosedAfterQuotedLineBreak", "\"a\nb\",x\n\"c",
                      "line 3: a quoted item is not closed"},
        MalformedCase{"InvalidSingleByte", "a\nb\nc\x80,d\n",
                      "line 3: byte 0x80 is not code page 932 text"},
        MalformedCase{"InvalidByteInQuotes", "\"a\xFF\"",
                      "line 1: byte 0xFF is not code page 932 text"},
        MalformedCase{"BadTrailByte", "a,\x81 b",
                      "line 1: bytes 0x81 0x20 are not a code page 932 character"},
        MalformedCase{"LeadBeforeLineEnd", "a\n\x82\nb",
                      "line 2: bytes 0x82 0x0A are not a code page 932 character"},
        MalformedCase{"UnassignedCharacter", "\x85\x40",
                      "line 1: bytes 0x85 0x40 are not a code page 932 character"},
        MalformedCase{"LeadAtEnd", "a,b\n\x88",
                      "line 2: the text ends inside a double-byte character"},
        MalformedCase{"InIgnoredColumn", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,\xFD",
                      "line 1: byte 0xFD is not code page 932 text"}),
    [](const testing::TestParamInfo<MalformedCase>& row) { return std::string(row.param.name); });
