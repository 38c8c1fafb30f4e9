#include "LogFileSource.h"

#include "CsvFixtureWriter.h"
#include "ExtractionRun.h"
#include "SampleContacts.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>

namespace {

// Answers the run like a user who confirms and sets no filter.
class QuietWindow final : public RunWindow {
public:
    explicit QuietWindow(QString logPath) : logPath_(std::move(logPath)) {}

    QString Label1() const override { return logPath_; }
    void ShowMessage(const QString& text) override { Messages << text; }
    bool AskOkCancel(const QString&) override { return true; }
    void ProcessEvents() override {}
    void SetEnabled(Control, bool) override {}
    QString Text(FilterBox box) const override { return texts_[static_cast<int>(box)]; }
    void SetText(FilterBox box, const QString& text) override
    {
        texts_[static_cast<int>(box)] = text;
    }
    void SetCount(Counter, qint32) override {}
    void OpenInSpreadsheet() override {}

    QStringList Messages;

private:
    QString logPath_;
    std::array<QString, 3> texts_{QStringLiteral("ALL"), QStringLiteral("ALL"),
                                  QStringLiteral("ALL")};
};

struct Extraction {
    ExtractionRun::Result result;
    QByteArray file;
    QStringList messages;
    QString openError;
};

Extraction Extract(const QString& logPath, const QString& outputPath)
{
    QuietWindow window(logPath);
    LogFileSource source;
    LogReader reader(source, window, QString());
    ExtractionTarget target(outputPath);
    ExtractionRun run(window, reader, target);
    Extraction e{run.Command4_Click(), {}, {}, reader.OpenError()};
    QFile out(outputPath);
    EXPECT_TRUE(out.open(QIODevice::ReadOnly));
    e.file = out.readAll();
    e.messages = window.Messages;
    return e;
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A blank line between every two lines, which must change nothing.
QByteArray WithBlankLines(QByteArray csv)
{
    return "\r\n" + csv.replace("\r\n", "\r\n\r\n");
}

} // namespace

TEST(LogFileSource, ReportsADamagedDatabaseAsADatabase)
{
    QByteArray hdb = HdbFixtureWriter().File(SampleContacts());
    hdb.replace(32, 5, "XXXXX"); // the first field is no longer CALLS
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("HAMLOG.HDB"));
    ASSERT_TRUE(Write(path, hdb));
    LogFileSource source;
    EXPECT_NE(source.HamlogOpen(path), 0);
    EXPECT_EQ(source.OpenError(), QStringLiteral("no CALLS field"));
}

struct ExportCase {
    const char* name;
    CsvFixtureWriter::Options options;
    bool blankLines;
};

class SameContacts : public testing::TestWithParam<ExportCase> {};

TEST_P(SameContacts, GiveByteIdenticalExtractionFilesAsHdbAndCsv)
{
    const ExportCase& c = GetParam();
    const std::vector<HdbContact> contacts = SampleContacts();
    QTemporaryDir dir;
    // Misleading names: the content decides.
    const QString hdbPath = dir.filePath(QStringLiteral("export.csv"));
    const QString csvPath = dir.filePath(QStringLiteral("HAMLOG.HDB"));
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(hdbPath, contacts));
    const QByteArray csv = CsvFixtureWriter(c.options).File(contacts);
    ASSERT_TRUE(Write(csvPath, c.blankLines ? WithBlankLines(csv) : csv));

    const Extraction fromHdb = Extract(hdbPath, dir.filePath(QStringLiteral("hdb.tmp")));
    const Extraction fromCsv = Extract(csvPath, dir.filePath(QStringLiteral("csv.tmp")));
    ASSERT_EQ(fromHdb.result, ExtractionRun::Result::Completed);
    ASSERT_EQ(fromCsv.result, ExtractionRun::Result::Completed);
    // The header line and one row per selected contact.
    EXPECT_EQ(fromHdb.file.count("\r\n"), 1 + SampleContactsSelected());
    EXPECT_EQ(fromCsv.file, fromHdb.file);
    EXPECT_EQ(fromCsv.messages, fromHdb.messages);
}

INSTANTIATE_TEST_SUITE_P(
    LogFileSource, SameContacts,
    testing::Values(ExportCase{"Quoted", {true, true, true}, false},
                    ExportCase{"Bare", {false, true, true}, false},
                    ExportCase{"LfOnly", {true, false, true}, false},
                    ExportCase{"BareLfNoFinalLineEnd", {false, false, false}, false},
                    ExportCase{"BlankLines", {true, true, true}, true}),
    [](const testing::TestParamInfo<ExportCase>& row) { return std::string(row.param.name); });

TEST(LogFileSource, MalformedCsvFailsToOpenBeforeAnyRow)
{
    const QByteArray good = CsvFixtureWriter().File(SampleContacts());
    const std::pair<QByteArray, QString> cases[] = {
        {good + "\"JA1ABC/2,24/01/01\r\n", QStringLiteral("a quoted item is not closed")},
        {good + "JA1ABC/2,24/01/01,\x80\r\n", QStringLiteral("byte 0x80 is not code page 932")},
    };
    const int badLine = good.count("\r\n") + 1;
    for (const auto& [log, reason] : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("HAMLOG.CSV"));
        ASSERT_TRUE(Write(path, log));
        const Extraction e = Extract(path, dir.filePath(QStringLiteral("out.tmp")));
        EXPECT_EQ(e.result, ExtractionRun::Result::LogNotOpened);
        EXPECT_TRUE(e.messages.contains(QStringLiteral("HAMLOG Open 失敗")))
            << reason.toStdString();
        EXPECT_EQ(e.file.count("\r\n"), 1) << "only the header line";
        EXPECT_TRUE(e.openError.startsWith(QStringLiteral("line %1: ").arg(badLine)))
            << e.openError.toStdString();
        EXPECT_TRUE(e.openError.contains(reason)) << e.openError.toStdString();
    }
}
