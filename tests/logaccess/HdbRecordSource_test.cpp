#include "HdbFixtureWriter.h"
#include "HdbRecordSource.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>

namespace {

class HdbRecordSourceTest : public ::testing::Test {
protected:
    QString Write(const QByteArray& bytes)
    {
        const QString path = dir.filePath(QStringLiteral("log%1.hdb").arg(++files));
        EXPECT_TRUE(WriteAll(path, bytes));
        return path;
    }
    QString Write(const std::vector<HdbContact>& contacts,
                  const HdbFixtureWriter& writer = HdbFixtureWriter())
    {
        return Write(writer.File(contacts));
    }
    // The bytes ThwString leaves for field `field`, up to its terminator.
    QByteArray Field(qint16 field)
    {
        char buffer[RecordSource::FieldBufferSize + 1];
        std::memset(buffer, ' ', RecordSource::FieldBufferSize);
        buffer[RecordSource::FieldBufferSize] = '\0';
        source.ThwString(buffer, field);
        return field == 10 ? QByteArray(buffer, 3) : QByteArray(buffer);
    }
    QList<QByteArray> Calls(const QString& path)
    {
        QList<QByteArray> calls;
        EXPECT_EQ(source.HamlogOpen(path), 0) << qPrintable(source.OpenError());
        for (qint32 n = 1; source.THW_read(n) == 0; ++n)
            calls << Field(0);
        return calls;
    }

    QTemporaryDir dir;
    int files = 0;
    HdbRecordSource source;
};

HdbContact Contact(const QString& call, quint16 flag = 0x0001)
{
    HdbContact c;
    c.Call = call;
    c.Flag = flag;
    return c;
}

} // namespace

TEST_F(HdbRecordSourceTest, RebuildsCallsignsFromCallsAndIgn)
{
    const std::vector<HdbContact> contacts = {
        Contact(QStringLiteral("JA1ABC")),      Contact(QStringLiteral("JA1ABC/2")),
        Contact(QStringLiteral("7K3XYZ/JA0")),  Contact(QStringLiteral("JA1ABC/1/P")),
        Contact(QStringLiteral("JA1ABCD/3")),   Contact(QStringLiteral("KH6/JE3HHT"), 0x000A),
        Contact(QStringLiteral("KH6/JE3HHT/P"), 0x000A), Contact(QStringLiteral("W1AW"), 0x0008),
    };
    const QList<QByteArray> expected = {"JA1ABC",    "JA1ABC/2",   "7K3XYZ/JA0",
                                        "JA1ABC/1/P", "JA1ABCD/3", "KH6/JE3HHT",
                                        "KH6/JE3HHT/P", "W1AW"};
    EXPECT_EQ(Calls(Write(contacts)), expected);
    // Other field lengths move the split between CALLS and IGN, not the callsign.
    EXPECT_EQ(Calls(Write(contacts, HdbFixtureWriter(HdbFixtureWriter::StandardFields(8, 12)))),
              expected);
}

TEST_F(HdbRecordSourceTest, FormatsTheBinaryAndTextFields)
{
    HdbContact c = Contact(QStringLiteral("JA1ABC/2"));
    c.Century = 19;
    c.Year = 99;
    c.Month = 12;
    c.Day = 31;
    c.Hour = 7;
    c.Minute = 5;
    c.His = QStringLiteral("599");
    c.My = QStringLiteral("57");
    c.Freq = QStringLiteral("430.00");
    c.Mode = QStringLiteral("FM");
    c.Code = QStringLiteral(" 1001");
    c.Gl = QStringLiteral("PM95");
    c.Qsl = "J J";
    c.Flag = 0x0101;
    c.Name = QStringLiteral("山田");
    c.Qth = QStringLiteral("東京都");
    c.Rmk1 = QStringLiteral("a\"b,c");
    HdbContact utc = c;
    utc.Utc = true;
    utc.Hour = 23;
    utc.Minute = 59;
    utc.Qsl = "  ";
    ASSERT_EQ(source.HamlogOpen(Write({c, utc})), 0);

    ASSERT_EQ(source.THW_read(1), 0);
    EXPECT_EQ(Field(1), QByteArray("             2")); // IGN keeps its leading spaces
    EXPECT_EQ(Field(2), QByteArray("99/12/31"));
    EXPECT_EQ(Field(3), QByteArray("07:05J"));
    EXPECT_EQ(Field(4), QByteArray("599"));
    EXPECT_EQ(Field(5), QByteArray("57"));
    EXPECT_EQ(Field(6), QByteArray("430.00"));
    EXPECT_EQ(Field(7), QByteArray("FM"));
    EXPECT_EQ(Field(8), QByteArray(" 1001"));
    EXPECT_EQ(Field(9), QByteArray("PM95"));
    EXPECT_EQ(Field(10), QByteArray("J J"));
    EXPECT_EQ(Field(11), QByteArray("\x8E\x52\x93\x63"));
    EXPECT_EQ(Field(13), QByteArray("a\"b,c"));
    EXPECT_EQ(Field(14), QByteArray());
    EXPECT_EQ(Field(15), QByteArray("257"));
    EXPECT_EQ(Field(16), QByteArray());

    ASSERT_EQ(source.THW_read(2), 0);
    EXPECT_EQ(Field(3), QByteArray("23:59U"));
    EXPECT_EQ(Field(10), QByteArray("   "));
}

TEST_F(HdbRecordSourceTest, NumbersLiveRecordsOnlyAndReadsAnyNumberAgain)
{
    HdbContact deleted = Contact(QStringLiteral("JA9DEL"));
    deleted.Deleted = true;
    ASSERT_EQ(source.HamlogOpen(Write({deleted, Contact(QStringLiteral("JA1AAA")), deleted,
                                       Contact(QStringLiteral("JA2BBB")), deleted})),
              0);
    ASSERT_EQ(source.THW_read(2), 0);
    EXPECT_EQ(Field(0), QByteArray("JA2BBB"));
    ASSERT_EQ(source.THW_read(1), 0);
    EXPECT_EQ(Field(0), QByteArray("JA1AAA"));
    EXPECT_NE(source.THW_read(3), 0);
    EXPECT_NE(source.THW_read(0), 0);
    ASSERT_EQ(source.THW_read(2), 0);
    EXPECT_EQ(Field(0), QByteArray("JA2BBB"));
}

TEST_F(HdbRecordSourceTest, ReadsOnlyWholeRecordsOfAFileCutShort)
{
    const HdbFixtureWriter writer;
    std::vector<HdbContact> contacts;
    for (int i = 0; i < 5; ++i)
        contacts.push_back(Contact(QStringLiteral("JA1AA%1").arg(i)));
    QByteArray file = writer.File(contacts);
    file.chop(1 + writer.RecordLength() / 2); // the end byte and half the last record

    EXPECT_EQ(Calls(Write(file)).size(), 4);
    // A header that claims fewer records than the file holds is believed.
    qToLittleEndian<quint32>(2, file.data() + 4);
    EXPECT_EQ(Calls(Write(file)).size(), 2);
    // A log without records opens and has nothing to read.
    EXPECT_TRUE(Calls(Write(std::vector<HdbContact>{})).isEmpty());
}

TEST_F(HdbRecordSourceTest, RejectsFilesThatAreNoLogDatabase)
{
    const HdbFixtureWriter writer;
    const QByteArray good = writer.File({Contact(QStringLiteral("JA1ABC/2"))});
    auto patched = [&](int offset, QByteArray bytes) {
        QByteArray file = good;
        file.replace(offset, bytes.size(), bytes);
        return file;
    };
    auto withoutField = [&](const QByteArray& name) {
        std::vector<HdbFixtureWriter::Field> fields;
        for (const auto& f : HdbFixtureWriter::StandardFields())
            if (f.Name != name)
                fields.push_back(f);
        return HdbFixtureWriter(fields).File({Contact(QStringLiteral("JA1ABC"))});
    };
    const int headerLength = qFromLittleEndian<quint16>(good.data() + 8);
    QByteArray noEndMark = good;
    noEndMark[headerLength - 1] = ' ';

    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"empty file", QByteArray()},
        {"text file", QByteArray("CALL,DATE\r\nJA1ABC,24/01/01\r\n")},
        {"wrong type byte", patched(0, QByteArray(1, '\x30'))},
        {"header shorter than a descriptor", patched(8, QByteArray("\x21\x00", 2))},
        {"descriptors without end mark", noEndMark},
        {"header longer than the file", patched(8, QByteArray("\xFF\xFF", 2))},
        {"record length too long", patched(10, QByteArray("\xFF\x00", 2))},
        {"record length too short", patched(10, QByteArray("\x02\x00", 2))},
        {"DATE of wrong length", patched(32 + 2 * 32 + 16, QByteArray(1, '\x03'))},
        {"no CALLS", withoutField("CALLS")},
        {"no DATE", withoutField("DATE")},
        {"no TIME", withoutField("TIME")},
        {"no FREQ", withoutField("FREQ")},
        {"no MODE", withoutField("MODE")},
        {"no CODE", withoutField("CODE")},
        {"no QSL", withoutField("QSL")},
    };
    ASSERT_EQ(source.HamlogOpen(Write(good)), 0);
    for (const auto& [name, bytes] : cases) {
        EXPECT_NE(source.HamlogOpen(Write(bytes)), 0) << name;
        EXPECT_FALSE(source.OpenError().isEmpty()) << name;
        EXPECT_NE(source.THW_read(1), 0) << name;
    }
    EXPECT_NE(source.HamlogOpen(dir.path()), 0);
    EXPECT_NE(source.HamlogOpen(dir.filePath(QStringLiteral("missing.hdb"))), 0);
}

TEST_F(HdbRecordSourceTest, OptionalFieldsMayBeMissingAndTextFieldsMayBeEmptyOrLong)
{
    std::vector<HdbFixtureWriter::Field> fields = {
        {"CALLS", 255}, {"DATE", 4}, {"TIME", 2}, {"CODE", 0},
        {"QSL", 3},     {"FREQ", 7}, {"MODE", 255}};
    HdbContact c = Contact(QStringLiteral("JA1ABC/2"));
    c.Mode = QString(300, u'M');
    ASSERT_EQ(source.HamlogOpen(Write({c}, HdbFixtureWriter(fields))), 0);
    ASSERT_EQ(source.THW_read(1), 0);
    EXPECT_EQ(Field(0), QByteArray("JA1ABC")); // no IGN: no suffix to read back
    EXPECT_EQ(Field(7), QByteArray(255, 'M'));
    EXPECT_EQ(Field(8), QByteArray());
    EXPECT_EQ(Field(15), QByteArray("0"));
}
