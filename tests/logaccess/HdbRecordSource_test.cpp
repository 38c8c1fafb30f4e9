#include "HdbFixtureWriter.h"
#include "HdbRecordSource.h"
#include "SourceFields.h"

#include <QtEndian>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class HdbRecordSourceTest : public ::testing::Test {
protected:
    int Open(const QByteArray& file)
    {
        const QString path = dir.filePath(QString::number(++files));
        EXPECT_TRUE(WriteAll(path, file));
        return source.HamlogOpen(path);
    }
    QByteArray Field(qint16 field) { return FieldBytes(source, field); }
    QList<QByteArray> Calls(const QByteArray& file)
    {
        QList<QByteArray> calls;
        EXPECT_EQ(Open(file), 0) << qPrintable(source.OpenError());
        for (qint32 n = 1; source.THW_read(n) == 0; ++n)
            calls << Field(0);
        return calls;
    }

    QTemporaryDir dir;
    int files = 0;
    HdbRecordSource source{1024}; // a few records: reading refills it
};

} // namespace

TEST_F(HdbRecordSourceTest, RebuildsCallsignsFromCallsAndIgn)
{
    const QList<QByteArray> calls = {"JA1ABC",    "JA1ABC/2",   "7K3XYZ/JA0",   "JA1ABC/1/P",
                                     "JA1ABCD/3", "KH6/JE3HHT", "KH6/JE3HHT/P", "W1AW"};
    std::vector<HdbContact> contacts;
    for (const QByteArray& call : calls) {
        // Foreign, reversed where a prefix comes first; foreign alone for W1AW.
        const quint16 flag = call.startsWith("KH6") ? 0x000A : call == "W1AW" ? 0x0008 : 0x0001;
        contacts.push_back({.Call = QString::fromLatin1(call), .Flag = flag});
    }
    EXPECT_EQ(Calls(HdbFixtureWriter().File(contacts)), calls);
    // Other field lengths move the split between CALLS and IGN, not the callsign.
    const HdbFixtureWriter otherLengths(HdbFixtureWriter::StandardFields(8, 12));
    EXPECT_EQ(Calls(otherLengths.File(contacts)), calls);
}

TEST_F(HdbRecordSourceTest, NumbersLiveWholeRecordsAndReadsAnyNumberAgain)
{
    std::vector<HdbContact> contacts(12, {.Deleted = true});
    contacts[4] = {.Call = u"JA1AAA"_s};
    contacts[9] = {.Call = u"JA2BBB"_s};
    contacts.push_back({.Call = u"JA3CCC"_s});
    // The header counts the records, or claims none as other programs leave it.
    const HdbFixtureWriter writers[] = {
        HdbFixtureWriter(),
        HdbFixtureWriter(HdbFixtureWriter::StandardFields(), {'\x1A', true}),
        HdbFixtureWriter(HdbFixtureWriter::StandardFields(), {'\x03', true})};
    for (const HdbFixtureWriter& writer : writers) {
        QByteArray file = writer.File(contacts);
        EXPECT_EQ(Calls(file), QList<QByteArray>({"JA1AAA", "JA2BBB", "JA3CCC"}));
        file.chop(1 + writer.RecordLength() / 2); // the end byte and half the last record
        ASSERT_EQ(Open(file), 0);
        const std::pair<qint32, const char*> reads[] = {
            {2, "JA2BBB"}, {1, "JA1AAA"}, {3, nullptr}, {0, nullptr}, {2, "JA2BBB"}};
        for (const auto& [number, call] : reads) {
            EXPECT_EQ(source.THW_read(number) == 0, call != nullptr) << number;
            if (call) {
                EXPECT_EQ(Field(0), QByteArray(call));
            }
        }
        EXPECT_TRUE(Calls(writer.File({})).isEmpty());
    }
    // A header that claims fewer records than the file holds is believed.
    QByteArray file = writers[0].File(contacts);
    qToLittleEndian<quint32>(5, file.data() + 4);
    EXPECT_EQ(Calls(file), QList<QByteArray>{"JA1AAA"});
}

TEST_F(HdbRecordSourceTest, RejectsFilesThatAreNoLogDatabase)
{
    const QByteArray good = HdbFixtureWriter().File({{.Call = u"JA1ABC/2"_s}});
    const auto patched = [&](int offset, const QByteArray& bytes) {
        return QByteArray(good).replace(offset, bytes.size(), bytes);
    };
    const int endMark = qFromLittleEndian<quint16>(good.data() + 8) - 1;
    std::vector<std::pair<const char*, QByteArray>> cases = {
        {"empty file", {}},
        {"text file", "CALL,DATE\r\nJA1ABC,24/01/01\r\n"},
        {"header shorter than a descriptor", patched(8, QByteArray("\x21\x00", 2))},
        {"descriptors without end mark", patched(endMark, " ")},
        {"header longer than the file", patched(8, "\xFF\xFF")},
        {"record length not the fields'", patched(10, QByteArray("\x02\x00", 2))},
        {"record longer than the buffer",
         HdbFixtureWriter({{"CALLS", 255}, {"DATE", 4}, {"TIME", 2}, {"CODE", 255}, {"QSL", 3},
                           {"FREQ", 255}, {"MODE", 255}})
             .File({})},
        {"DATE of wrong length", patched(32 + 2 * 32 + 16, "\x03")},
    };
    for (const char* required : {"CALLS", "DATE", "TIME", "FREQ", "MODE", "CODE", "QSL"}) {
        std::vector<HdbFixtureWriter::Field> fields = HdbFixtureWriter::StandardFields();
        std::erase_if(fields, [&](const auto& f) { return f.Name == required; });
        cases.emplace_back(required, HdbFixtureWriter(fields).File({{.Call = u"JA1ABC"_s}}));
    }
    ASSERT_EQ(Open(good), 0);
    for (const auto& [name, bytes] : cases) {
        EXPECT_NE(Open(bytes), 0) << name;
        EXPECT_FALSE(source.OpenError().isEmpty()) << name;
        EXPECT_NE(source.THW_read(1), 0) << name;
    }
    EXPECT_NE(source.HamlogOpen(dir.path()), 0);
}

TEST_F(HdbRecordSourceTest, OptionalFieldsMayBeMissingAndTextFieldsLong)
{
    const HdbFixtureWriter writer({{"CALLS", 255}, {"DATE", 4}, {"TIME", 2}, {"CODE", 0},
                                   {"QSL", 3}, {"FREQ", 7}, {"MODE", 255}});
    ASSERT_EQ(Open(writer.File({{.Call = u"JA1ABC/2"_s, .Mode = QString(300, u'M')}})), 0);
    ASSERT_EQ(source.THW_read(1), 0);
    EXPECT_EQ(Field(0), QByteArray("JA1ABC")); // no IGN: no suffix to read back
    EXPECT_EQ(Field(7), QByteArray(255, 'M'));
    EXPECT_EQ(Field(8), QByteArray());
    EXPECT_EQ(Field(15), QByteArray("0"));
}
