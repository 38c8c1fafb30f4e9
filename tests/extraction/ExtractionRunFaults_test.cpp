#include "CodePage932.h"
#include "ExtractionRun.h"
#include "HdbFixtureWriter.h"
#include "HdbRecordSource.h"
#include "ScriptedWindow.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ExtractionRunFaultsTest : public ::testing::Test {
protected:
    ExtractionRunFaultsTest()
    {
        window.Path = dir.filePath(QStringLiteral("HAMLOG.HDB"));
        extractPath = dir.filePath(QStringLiteral("KORVEX.tmp"));
        for (int i = 0; i < 400; ++i) {
            HdbContact c;
            c.Call = QStringLiteral("JA1A%1/2").arg(i, 3, 10, QLatin1Char('0'));
            contacts.push_back(c);
        }
    }
    ~ExtractionRunFaultsTest() override { QDir::setCurrent(startFolder); }

    ExtractionRun::Result Run()
    {
        ExtractionTarget target(extractPath);
        ExtractionRun run(window, reader, target);
        return run.Command4_Click();
    }
    // Every row must be one whole line of ten items, numbered in ascending order.
    QList<int> RowNumbers()
    {
        QList<int> numbers;
        const QList<QByteArray> lines = ReadAll(extractPath).split('\n');
        EXPECT_TRUE(lines.last().isEmpty());
        for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
            const QList<QByteArray> items = lines[i].split(',');
            EXPECT_EQ(items.size(), 10) << lines[i].constData();
            EXPECT_TRUE(lines[i].endsWith('\r'));
            numbers << items.value(3).toInt();
        }
        return numbers;
    }

    QString startFolder = QDir::currentPath();
    QTemporaryDir dir;
    QString extractPath;
    std::vector<HdbContact> contacts;
    ScriptedWindow window;
    HdbRecordSource source{4096}; // a small buffer, so the run reads the file as it goes
    LogReader reader{source, window, dir.path()};
};

} // namespace

TEST_F(ExtractionRunFaultsTest, ALogCutShortDuringTheRunEndsWithTheRecordsRead)
{
    const HdbFixtureWriter writer;
    ASSERT_TRUE(writer.WriteFile(window.Path, contacts));
    const int keep = 120;
    window.OnProcessEvents = [&] {
        if (reader.RecordNo == 100)
            QFile::resize(window.Path, writer.Header(0).size() + keep * writer.RecordLength());
    };
    EXPECT_EQ(Run(), ExtractionRun::Result::Completed);
    const QList<int> numbers = RowNumbers();
    // Records already buffered were read before the cut; nothing past the file's end is.
    ASSERT_GE(numbers.size(), keep);
    EXPECT_LT(numbers.size(), static_cast<qsizetype>(contacts.size()));
    for (qsizetype i = 0; i < numbers.size(); ++i)
        EXPECT_EQ(numbers[i], i + 1);
    EXPECT_EQ(window.HandOffs, 1);
}

TEST_F(ExtractionRunFaultsTest, ALogRemovedOrReplacedDuringTheRunIsReadToItsEnd)
{
    for (const bool replace : {false, true}) {
        ASSERT_TRUE(HdbFixtureWriter().WriteFile(window.Path, contacts));
        window.OnProcessEvents = [&] {
            if (reader.RecordNo != 50)
                return;
            QFile::remove(window.Path);
            if (replace)
                WriteAll(window.Path, "not a log any more");
        };
        EXPECT_EQ(Run(), ExtractionRun::Result::Completed);
        EXPECT_EQ(RowNumbers().size(), static_cast<qsizetype>(contacts.size())) << replace;
    }
}

TEST_F(ExtractionRunFaultsTest, BytesOutsideTheCodePageStillGiveWellFormedRows)
{
    HdbContact bad;
    bad.Call = QStringLiteral("JA1ABC/2");
    bad.Mode = QStringLiteral("SSB");
    bad.Code = QStringLiteral("12");
    QByteArray file = HdbFixtureWriter().File({bad});
    // Overwrite MODE with a lone lead byte, a quote and a comma.
    const qsizetype mode = file.indexOf("SSB ");
    ASSERT_GT(mode, 0);
    file.replace(mode, 4, QByteArray("\x81\"\x2C\xFF", 4));
    ASSERT_TRUE(WriteAll(window.Path, file));

    EXPECT_EQ(Run(), ExtractionRun::Result::Completed);
    EXPECT_EQ(reader.Fields[7], QString::fromUtf16(u"\uFFFD\",\uFFFD"));
    const QByteArray extracted = ReadAll(extractPath);
    EXPECT_TRUE(extracted.contains(",\"?\"\",?\",")) << extracted.constData();
    EXPECT_EQ(extracted.count("\r\n"), 2);
}
