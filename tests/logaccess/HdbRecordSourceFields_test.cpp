#include "HdbFixtureWriter.h"
#include "HdbRecordSource.h"
#include "SourceFields.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// FieldText and FieldTexts form the fields in quick ways of their own, apart
// from the writer behind ThwString. Over records full of edges (binary date and
// time parts at and past two digits, zero bytes and spaces in short text
// fields, CALLS of four to eight bytes) they must give exactly what ThwString
// writes before its zero byte.

namespace {

QString WithNul(const char16_t* before, const char16_t* after)
{
    return QString::fromUtf16(before) + QChar(0) + QString::fromUtf16(after);
}

std::vector<HdbContact> EdgeContacts()
{
    static const int DateParts[] = {0, 9, 99, 100, 255};
    static const int Hours[] = {0, 23, 63, 64 + 5, 255};
    static const int Minutes[] = {0, 59, 99, 100, 127};
    static const QString Calls[] = {u"JA1ABC/2"_s, u"JA1A/3"_s,     u"7K1ABCDE/JA0"_s,
                                    u"JA1 /4"_s,   u"KH6/JE3HHT"_s, WithNul(u"J", u"A1AB/5")};
    static const QString Texts[] = {
        u""_s,        u" "_s,   u"7.050"_s,           WithNul(u"1", u"44"), WithNul(u"43 ", u"x"),
        u"1234567"_s, u" 7 "_s, WithNul(u"CW", u"F"), WithNul(u"", u"ABC")};
    std::vector<HdbContact> contacts;
    for (int i = 0; i < 45; ++i) {
        HdbContact c;
        c.Call = Calls[i % std::size(Calls)];
        c.Flag = i % 4 == 0 ? 0x000A : 0x0001;
        // Each part past two digits while the others are not, too.
        c.Year = DateParts[i % 5];
        c.Month = DateParts[(i / 5) % 5];
        c.Day = DateParts[(i / 3) % 5];
        c.Hour = Hours[i % 5];
        c.Minute = Minutes[(i / 5) % 5];
        c.Utc = i % 2 == 1;
        c.Freq = Texts[i % std::size(Texts)];
        c.Mode = Texts[(i + 3) % std::size(Texts)];
        c.Code = Texts[(i + 5) % std::size(Texts)];
        c.Qsl = i % 3 == 0 ? QByteArray("J\0J", 3) : QByteArray("J N");
        contacts.push_back(c);
    }
    return contacts;
}

} // namespace

TEST(HdbRecordSourceFields, OneAtATimeAndInBatchesGiveWhatThwStringWrites)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"HAMLOG.HDB"_s);
    constexpr std::uint32_t AllFields = (std::uint32_t{1} << RecordSource::FieldCount) - 1;
    // Without fields 15 and 16 a batch takes another way than with them.
    constexpr std::uint32_t Batches[] = {AllFields, AllFields & ~(3u << 15), 1u << 0 | 1u << 3};
    for (int callsLength : {4, 5, 6, 8}) {
        SCOPED_TRACE(callsLength);
        const HdbFixtureWriter writer(HdbFixtureWriter::StandardFields(callsLength, 14));
        const std::vector<HdbContact> contacts = EdgeContacts();
        ASSERT_TRUE(writer.WriteFile(path, contacts));
        HdbRecordSource source;
        ASSERT_EQ(source.HamlogOpen(path), 0);
        // The QSL marks are written as stored, zero bytes and all.
        const auto written = [&](qint16 field) { return FieldBytes(source, field, field == 10); };
        qint32 n = 1;
        for (; source.THW_read(n) == 0; ++n) {
            SCOPED_TRACE(n);
            RecordSource::FieldBuffer scratch[RecordSource::FieldCount];
            for (qint16 field = 0; field < RecordSource::FieldCount; ++field) {
                EXPECT_EQ(source.FieldText(field, scratch[field]), written(field))
                    << "field " << field;
            }
            for (std::uint32_t batch : Batches) {
                std::array<QByteArrayView, RecordSource::FieldCount> views{};
                source.FieldTexts(batch, scratch, views.data());
                for (qint16 field = 0; field < RecordSource::FieldCount; ++field) {
                    if (batch >> field & 1) {
                        EXPECT_EQ(views[field], written(field)) << "field " << field;
                    }
                }
            }
        }
        EXPECT_EQ(n - 1, static_cast<qint32>(contacts.size()));
    }
}
