// korvex-extract run as the user runs it. With --open the spreadsheet is
// whatever soffice comes first on PATH: here a stand-in, or none at all.

#include "CodePage932.h"
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

TEST_F(KorvexExtractTest, WritesTheSameTextInUtf8ForOtherTools)
{
    const Outcome shiftJis = Extract({log});
    ASSERT_EQ(shiftJis.status, 0);
    const QString text = CodePage932().Decode(shiftJis.out);
    ASSERT_TRUE(text.contains(u"移動地")) << "the header has Japanese text to recode";
    const Outcome utf8 = Extract({"--encoding", "UTF-8", log});
    EXPECT_EQ(utf8.status, 0);
    EXPECT_EQ(utf8.out, text.toUtf8());
    EXPECT_EQ(utf8.err, shiftJis.err);
    const Outcome toFile = Extract({"--encoding=utf8", "-o", output, log});
    EXPECT_EQ(toFile.status, 0);
    EXPECT_EQ(ReadAll(output), text.toUtf8());
    // Shift-JIS by any of its usual names is the file as the window writes it.
    for (const char* name : {"shift_jis", "SJIS", "cp932"})
        EXPECT_EQ(Extract({"--encoding", name, log}).out, shiftJis.out) << name;
}

TEST_F(KorvexExtractTest, WarnsOfABandNoContactCanHaveAndRunsOn)
{
    const Outcome quiet = Extract({"--band", " 430,1200 ", log});
    const QByteArray frequencyMessage = quiet.err; // the home station's 0.136
    for (const char* band : {"ALL", "all", "1.9,3.5,47000", "430,"})
        EXPECT_EQ(Extract({"--band", band, log}).err, frequencyMessage) << band;

    const Outcome warned = Extract({"--band", "7MHz,430, 144.0 ,ALL", log});
    EXPECT_EQ(warned.status, 0);
    EXPECT_EQ(warned.out, quiet.out) << "the filter itself is unchanged";
    QStringList lines = QString::fromUtf8(warned.err).split(u'\n', Qt::SkipEmptyParts);
    lines = lines.filter(u"korvex-extract: "_s);
    ASSERT_EQ(lines.size(), 3) << warned.err.constData();
    EXPECT_TRUE(lines[0].contains(u"'7MHz'")) << qPrintable(lines[0]);
    EXPECT_TRUE(lines[1].contains(u"'144.0'")) << qPrintable(lines[1]);
    EXPECT_TRUE(lines[2].contains(u"'ALL'")) << qPrintable(lines[2]);
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
