#include "CsvFixtureWriter.h"
#include "CsvRecordSource.h"
#include "HdbRecordSource.h"
#include "TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <random>

using namespace Qt::StringLiterals;

// Sources pass by, in bulk, records that a glance shows cannot be kept; what
// they then give as the current record, and what the next reads give, must be
// what reading every record would give.

namespace {

// Contacts 1, 4 and 7 are Japan time with a portable call: no glance passes
// them. The others are in UTC or have no "/"; contact 5's frequency has no
// known band.
std::vector<HdbContact> Contacts()
{
    std::vector<HdbContact> contacts;
    for (int i = 1; i <= 8; ++i) {
        HdbContact c;
        c.Call = (i == 3 || i == 6 ? u"JA%1XYZ"_s : u"JA%1XYZ/3"_s).arg(i % 10);
        c.Utc = !(i == 1 || i == 3 || i == 4 || i == 6 || i == 7);
        c.Freq = i == 5 ? u"0.136"_s : u"7.050"_s;
        contacts.push_back(c);
    }
    return contacts;
}

QByteArray CallOf(RecordSource& source)
{
    char scratch[RecordSource::FieldBufferSize + 1];
    return source.FieldText(0, scratch).toByteArray();
}

class PassRecordsTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        const bool csv = GetParam();
        ASSERT_TRUE(csv ? CsvFixtureWriter().WriteFile(path, Contacts())
                        : HdbFixtureWriter().WriteFile(path, Contacts()));
        source = Open();
        reference = Open();
        EXPECT_EQ(source->PassRecords(bands, 10), 0) << "nothing read yet";
        // The band known by the key the source gives, as the run learns it.
        ASSERT_EQ(source->THW_read(2), 0);
        bands.Insert(source->GlanceAtRecord().FrequencyKey, band);
    }

    std::unique_ptr<RecordSource> Open()
    {
        // The CSV source passes across refills: a small buffer. The HDB source
        // passes the records wholly in the block at hand: all of them.
        std::unique_ptr<RecordSource> opened;
        if (GetParam())
            opened = std::make_unique<CsvRecordSource>(64);
        else
            opened = std::make_unique<HdbRecordSource>(4096);
        EXPECT_EQ(opened->HamlogOpen(path), 0) << qPrintable(opened->OpenError());
        return opened;
    }

    // Reads `recordNo` in both sources; true when both found it.
    bool Read(qint32 recordNo)
    {
        const int read = source->THW_read(recordNo);
        EXPECT_EQ(read, reference->THW_read(recordNo)) << recordNo;
        return read == 0;
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(u"log"_s);
    std::unique_ptr<RecordSource> source, reference; // the reference only reads
    BandCache bands;
    const QString band = u"7"_s;
};

TEST_P(PassRecordsTest, PassesOnlyWhatCannotBeKeptAndReadsOnFromThere)
{
    ASSERT_EQ(source->THW_read(1), 0);
    EXPECT_EQ(source->PassRecords(bands, 10), 2);
    EXPECT_EQ(CallOf(*source), "JA3XYZ") << "the last one passed is current";
    EXPECT_EQ(source->PassRecords(bands, 10), 0) << "contact 4 stops it";
    ASSERT_EQ(source->THW_read(4), 0);
    EXPECT_EQ(CallOf(*source), "JA4XYZ/3");
    EXPECT_EQ(source->PassRecords(bands, 10), 0) << "contact 5's band is not known";
    ASSERT_EQ(source->THW_read(5), 0);
    EXPECT_EQ(source->PassRecords(bands, 1), 1) << "no more than the limit";
    ASSERT_EQ(source->THW_read(7), 0);
    EXPECT_EQ(CallOf(*source), "JA7XYZ/3");
    EXPECT_EQ(source->PassRecords(bands, 10), 1);
    EXPECT_EQ(CallOf(*source), "JA8XYZ/3");
    EXPECT_NE(source->THW_read(9), 0);
    EXPECT_EQ(CallOf(*source), "JA8XYZ/3") << "a failed read leaves the last record";
}

// The run only reads on; other readers of a source may go back, jump or close
// after a pass that stopped: the source then gives what it gives without passing.
TEST_P(PassRecordsTest, AfterAStopEveryReadGivesWhatItGivesWithoutPassing)
{
    const auto pass = [&](qint32 from) {
        EXPECT_TRUE(Read(from));
        const qint32 passed = source->PassRecords(bands, 10);
        EXPECT_GT(passed, 0) << from;
        EXPECT_EQ(reference->THW_read(from + passed), 0);
        EXPECT_EQ(CallOf(*source), CallOf(*reference)) << "after passing from " << from;
    };
    const auto expectSame = [&](const char* what) {
        EXPECT_EQ(CallOf(*source), CallOf(*reference)) << what;
    };

    pass(1);
    source->HamlogClose();
    reference->HamlogClose();
    expectSame("after closing");

    ASSERT_EQ(source->HamlogOpen(path), 0);
    ASSERT_EQ(reference->HamlogOpen(path), 0);
    for (const qint32 next : {2, 5, 20, 1}) { // back, over the stop, past the end, to the start
        pass(1); // stops before contact 4
        Read(next);
        expectSame("after a read elsewhere");
    }
    for (qint32 n = 1; Read(n); ++n)
        expectSame("reading on");
}

// Many contacts of every kind, passed from every record in chunks of many
// sizes, with many limits: each pass must stop exactly where the glance of
// the records after it says, and leave the record it reached current.
TEST(PassRecordsInChunks, StopWhereTheGlanceSays)
{
    std::mt19937 engine(5);
    const auto chance = [&](unsigned in) { return engine() % in == 0; };
    std::vector<HdbContact> contacts(300);
    for (std::size_t i = 0; i < contacts.size(); ++i) {
        HdbContact& c = contacts[i];
        c.Call = (chance(2) ? u"JA%1ABC/%1"_s : u"JA%1ABC"_s).arg(i % 10);
        c.Utc = chance(3);
        c.Freq = chance(10) ? u"0.136"_s : chance(2) ? u"7.050"_s : u"430.00"_s;
        c.Name = chance(4) ? QString(static_cast<qsizetype>(engine() % 60), u'n') : QString();
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(u"log.csv"_s);
    ASSERT_TRUE(CsvFixtureWriter().WriteFile(path, contacts));
    // Which records a glance shows cannot be kept, with a band the run knows.
    CsvRecordSource reference;
    ASSERT_EQ(reference.HamlogOpen(path), 0);
    BandCache bands;
    const QString band = u"7"_s, none;
    std::vector<bool> passable(contacts.size() + 2, false);
    for (qint32 n = 1; reference.THW_read(n) == 0; ++n) {
        const RecordSource::Glance glance = reference.GlanceAtRecord();
        const bool known = glance.FrequencyKey == "7.050" || glance.FrequencyKey == "430.00";
        bands.Insert(glance.FrequencyKey, known ? band : none);
        passable[static_cast<std::size_t>(n)] = known && (glance.NotJapanTime || glance.NoSlash);
    }
    for (const std::size_t chunk : {std::size_t{256}, std::size_t{1000}, std::size_t{1} << 18}) {
        CsvRecordSource source(chunk);
        ASSERT_EQ(source.HamlogOpen(path), 0);
        qint32 n = 1;
        ASSERT_EQ(source.THW_read(n), 0);
        while (n <= static_cast<qint32>(contacts.size())) {
            const auto limit = static_cast<qint32>(1 + engine() % 20);
            qint32 expected = 0;
            while (expected < limit && passable[static_cast<std::size_t>(n + expected + 1)])
                ++expected;
            ASSERT_EQ(source.PassRecords(bands, limit), expected) << "from " << n << ", " << chunk;
            n += expected;
            ASSERT_EQ(reference.THW_read(n), 0);
            ASSERT_EQ(CallOf(source), CallOf(reference)) << n;
            if (source.THW_read(++n) != 0)
                break;
        }
        EXPECT_EQ(n, static_cast<qint32>(contacts.size()) + 1) << chunk;
    }
}

std::string SourceName(const ::testing::TestParamInfo<bool>& csv)
{
    return csv.param ? "Csv" : "Hdb";
}

INSTANTIATE_TEST_SUITE_P(BothSources, PassRecordsTest, ::testing::Values(false, true), SourceName);

} // namespace
