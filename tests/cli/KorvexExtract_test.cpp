// korvex-extract run as the user runs it. With --open the spreadsheet is
// whatever soffice comes first on PATH: here a stand-in, or none at all.

#include "AdifFixtureWriter.h"
#include "HdbFixtureWriter.h"
#include "StandInSpreadsheet.h"

#include <QProcess>

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

struct Outcome {
    int status = -1;
    QByteArray out, err;
};

// Runs korvex-extract in `folder`, with `path` as its PATH when one is given.
Outcome Extract(const QStringList& args, const QString& folder = {}, const QString& path = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    if (!path.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"PATH"_s, path);
        process.setProcessEnvironment(environment);
    }
    process.start(QStringLiteral(KORVEX_EXTRACT), args);
    process.waitForFinished(2 * 60 * 1000); // a guard against a hang, not a measure
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

class KorvexExtractTest : public ::testing::Test {
protected:
    KorvexExtractTest()
    {
        // Each filter refuses one portable contact: by Rcv (the third QSL mark),
        // by band and by mode. The home station's frequency names no band.
        const HdbContact c{.Call = u"JA1AAA/2"_s, .Freq = u"430.00"_s, .Mode = u"FM"_s,
                           .Qsl = "J J"};
        HdbContact band = c, mode = c, rcv = c, home = c;
        band.Freq = u"7.050"_s, mode.Mode = u"SSB"_s, rcv.Qsl = "J N";
        home.Call = u"JH1EEE"_s, home.Freq = u"0.136"_s;
        EXPECT_TRUE(HdbFixtureWriter().WriteFile(log, {c, band, mode, rcv, home}));
    }

    QTemporaryDir dir;
    QString log = dir.filePath(u"HAMLOG.HDB"_s);
    QString output = dir.filePath(u"抽出 結果.csv"_s);
};

} // namespace

TEST_F(KorvexExtractTest, WritesTheSelectionToStandardOutputOrAFile)
{
    const Outcome all = Extract({log});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.out.count("\r\n"), 5); // the header and four portable contacts
    EXPECT_TRUE(all.err.endsWith("\n0.136\n")) << all.err.constData();

    // Relative paths belong to the working folder; each option feeds its own filter.
    const Outcome filtered = Extract(
        {"--rcv", "j", "--band", " 430,1200 ", "--mode", "fm", "-o", "out.csv", "HAMLOG.HDB"},
        dir.path());
    EXPECT_EQ(filtered.status, 0) << filtered.err.constData();
    EXPECT_TRUE(filtered.out.isEmpty());
    EXPECT_EQ(ReadAll(dir.filePath(u"out.csv"_s)).count("\r\n"), 2);
}

TEST_F(KorvexExtractTest, FailsWithStatusOneAndAReason)
{
    const QString csv = dir.filePath(u"HAMLOG.CSV"_s);
    ASSERT_TRUE(WriteAll(csv, "\"JA1ABC/2\",\"24/01/01\"\r\n\r\n\"JA2XYZ/3,24/01/01\r\n"));
    const Outcome malformed = Extract({"-o", output, csv});
    EXPECT_EQ(malformed.status, 1);
    EXPECT_TRUE(QString::fromUtf8(malformed.err).contains(csv + u": line 3: "_s))
        << malformed.err.constData();
    EXPECT_FALSE(QFile::exists(output)) << "no extraction file is left behind";
    const Outcome missing = Extract({dir.filePath(u"none.hdb"_s)});
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(missing.err.isEmpty());
    // A named pipe is refused at once; nothing waits for a writer.
    const QString pipe = dir.filePath(u"PIPE.HDB"_s);
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const Outcome piped = Extract({pipe});
    EXPECT_EQ(piped.status, 1);
    EXPECT_TRUE(piped.err.contains("not a regular file")) << piped.err.constData();
}

TEST_F(KorvexExtractTest, ReportsBadUsageWithStatusTwo)
{
    for (const QStringList& args : {QStringList{}, QStringList{"--colour", log},
                                    QStringList{log, log}, QStringList{"--band"},
                                    QStringList{"--open", log}}) {
        const Outcome bad = Extract(args, {}, dir.path()); // no spreadsheet to start
        EXPECT_EQ(bad.status, 2) << qPrintable(args.join(u' '));
        EXPECT_TRUE(bad.err.contains("LOG")) << qPrintable(args.join(u' '));
        EXPECT_TRUE(bad.out.isEmpty()) << qPrintable(args.join(u' '));
    }
}

TEST_F(KorvexExtractTest, OpenHandsTheClosedFileToTheSpreadsheetAndLeavesItRunning)
{
    // A log that is no database hands over its header-only file, and fails.
    const QString notALog = dir.filePath(u"notes.txt"_s);
    ASSERT_TRUE(WriteAll(notALog, "\xFF\xFE neither a database nor text\n"));
    const std::tuple<QString, int, int> runs[] = {{log, 0, 5}, {notALog, 1, 1}};
    for (const auto& [input, status, lines] : runs) {
        const StandInSpreadsheet standIn;
        const Outcome opened = Extract({"--open", "-o", output, input}, {},
                                       standIn.Folder() + u':' + qEnvironmentVariable("PATH"));
        EXPECT_EQ(opened.status, status) << opened.err.constData();
        ASSERT_TRUE(standIn.WaitUntilStarted());
        EXPECT_EQ(standIn.Arguments().value(2), output);
        const QByteArray written = ReadAll(output);
        EXPECT_EQ(written.count("\r\n"), lines);
        EXPECT_EQ(standIn.FileSeen(), written);
        EXPECT_FALSE(standIn.HasEnded()) << "the application ends with korvex-extract";
    }
    // Without a spreadsheet the file stays; the message says which program failed,
    // the system's reason and where the file is.
    const Outcome missing = Extract({"--open", "-o", output, log}, {}, dir.path());
    EXPECT_EQ(missing.status, 1);
    const QString err = QString::fromUtf8(missing.err);
    EXPECT_TRUE(err.contains(u"soffice: ") && err.contains(output) &&
                err.contains(QString::fromLocal8Bit(std::strerror(ENOENT))))
        << qPrintable(err);
    EXPECT_EQ(ReadAll(output).count("\r\n"), 5);
}

TEST_F(KorvexExtractTest, ReadsAnLotwDownloadWhoseConfirmationsPassTheRcvFilter)
{
    const HdbContact confirmed{.Call = u"JA1AAA/2"_s, .Freq = u"430.00"_s, .Qsl = "J *"};
    HdbContact open = confirmed;
    open.Qsl = "J  ";
    const QString lotw = dir.filePath(u"lotwreport.adi"_s);
    ASSERT_TRUE(AdifFixtureWriter({.As = AdifFixtureWriter::Form::Lotw})
                    .WriteFile(lotw, {open, confirmed, open}));
    const Outcome all = Extract({lotw});
    EXPECT_EQ(all.status, 0) << all.err.constData();
    EXPECT_EQ(all.out.count("\r\n"), 4);
    const Outcome received = Extract({"--rcv", "*", lotw});
    EXPECT_EQ(received.status, 0) << received.err.constData();
    const QList<QByteArray> lines = received.out.split('\n');
    ASSERT_EQ(lines.size(), 3) << received.out.constData();
    EXPECT_TRUE(lines[1].contains(",2,")) << "the second contact: " << lines[1].constData();
}
