// korvex-extract --open, run as the user runs it. The spreadsheet application
// is whatever soffice comes first on PATH: here a stand-in, or none at all.

#include "HandOffFailureMessage.h"
#include "HdbFixtureWriter.h"
#include "LibreOfficeCalc.h"
#include "StandInSpreadsheet.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int ExitCode = -1;
    QByteArray Out, Err;
};

// Runs korvex-extract with `arguments` and `path` as its whole PATH.
Outcome RunKorvexExtract(const QStringList& arguments, const QString& path)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), path);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KORVEX_EXTRACT_PROGRAM), arguments);
    // A guard against a hang, not a measure of speed.
    const bool finished = process.waitForFinished(2 * 60 * 1000);
    EXPECT_TRUE(finished && process.exitStatus() == QProcess::NormalExit);
    if (!finished)
        process.kill();
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class KorvexExtractOpen : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        // One contact the run selects: portable, in Japan time.
        HdbContact contact;
        contact.Call = QStringLiteral("JA1ABC/2");
        ASSERT_TRUE(HdbFixtureWriter().WriteFile(log_, {contact}));
    }

    QTemporaryDir dir_;
    const QString log_ = dir_.filePath(QStringLiteral("HAMLOG.HDB"));
    const QString output_ = dir_.filePath(QStringLiteral("抽出 結果.csv"));
};

} // namespace

TEST_F(KorvexExtractOpen, HandsTheFinishedFileToTheSpreadsheetAndLeavesItRunning)
{
    const StandInSpreadsheet standIn;
    ASSERT_TRUE(standIn.IsValid());

    const Outcome outcome =
        RunKorvexExtract({QStringLiteral("--open"), QStringLiteral("--output"), output_, log_},
                         standIn.Folder() + u':' + qEnvironmentVariable("PATH"));

    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Err.toStdString();
    ASSERT_TRUE(standIn.WaitUntilStarted());
    const QStringList arguments = standIn.Arguments();
    ASSERT_EQ(arguments.size(), 3);
    EXPECT_EQ(arguments[1], LibreOfficeCalc::InFilterArgument());
    EXPECT_EQ(arguments.last(), output_);
    // The application got the whole file: it was closed before the hand-off.
    const QByteArray written = ReadFile(output_);
    EXPECT_TRUE(written.contains("JA1ABC/2"));
    EXPECT_EQ(standIn.FileSeen(), written);
    // korvex-extract has exited; the application is still running.
    EXPECT_FALSE(standIn.HasEnded());
    EXPECT_EQ(standIn.Release().toStdString(), "released");
}

TEST_F(KorvexExtractOpen, ReportsAMissingSpreadsheetAndKeepsTheFile)
{
    QTemporaryDir emptyFolder;
    ASSERT_TRUE(emptyFolder.isValid());

    const Outcome outcome = RunKorvexExtract(
        {QStringLiteral("--open"), QStringLiteral("-o"), output_, log_}, emptyFolder.path());

    EXPECT_EQ(outcome.ExitCode, 1);
    const QString err = QString::fromUtf8(outcome.Err);
    const QString failureLine = HandOffFailureMessage(output_, {}).section(u'\n', 0, 0);
    EXPECT_TRUE(err.contains(failureLine)) << outcome.Err.toStdString();
    EXPECT_TRUE(err.contains(output_)) << outcome.Err.toStdString();
    EXPECT_TRUE(ReadFile(output_).contains("JA1ABC/2"));
}

TEST_F(KorvexExtractOpen, NeedsAnOutputFile)
{
    const StandInSpreadsheet standIn;
    ASSERT_TRUE(standIn.IsValid());

    const Outcome outcome = RunKorvexExtract({QStringLiteral("--open"), log_}, standIn.Folder());

    EXPECT_EQ(outcome.ExitCode, 2);
    EXPECT_TRUE(outcome.Out.isEmpty()) << "the extraction went to standard output";
    EXPECT_TRUE(outcome.Err.contains("--output")) << outcome.Err.toStdString();
}

TEST_F(KorvexExtractOpen, HandsOverTheHeaderOnlyFileOfALogThatIsNoDatabase)
{
    QFile notALog(log_);
    ASSERT_TRUE(notALog.open(QIODevice::WriteOnly));
    notALog.write("\xFF\xFE binary, neither a database nor text\n");
    notALog.close();
    const StandInSpreadsheet standIn;
    ASSERT_TRUE(standIn.IsValid());

    const Outcome outcome =
        RunKorvexExtract({QStringLiteral("--open"), QStringLiteral("-o"), output_, log_},
                         standIn.Folder() + u':' + qEnvironmentVariable("PATH"));

    EXPECT_EQ(outcome.ExitCode, 1);
    ASSERT_TRUE(standIn.WaitUntilStarted());
    // Still there for the application to read: one line, the header.
    const QByteArray written = ReadFile(output_);
    EXPECT_EQ(written.count("\r\n"), 1);
    EXPECT_EQ(standIn.FileSeen(), written);
    standIn.Release();
}
