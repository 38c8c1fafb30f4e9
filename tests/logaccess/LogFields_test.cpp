#include "LogReader.h"
#include "ScriptedWindow.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

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

} // namespace

TEST(LogFields, ScratchAnExactSourceWroteIsFilledAgainForOneThatIsNot)
{
    const QString startFolder = QDir::currentPath();
    QTemporaryDir dir;
    ScriptedWindow window;
    window.Path = dir.filePath(u"HAMLOG.HDB"_s);
    ASSERT_TRUE(WriteAll(window.Path, "x"));
    TurningSource source;
    LogReader reader(source, window, dir.path());

    reader.RecordNo = 1;
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
    QDir::setCurrent(startFolder);
}
