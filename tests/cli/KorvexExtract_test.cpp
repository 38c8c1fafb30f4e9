#include "ExtractionRun.h"
#include "HdbFixtureWriter.h"
#include "HdbRecordSource.h"
#include "ScriptedWindow.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int status = -1;
    QByteArray out, err;
};

Outcome Extract(const QStringList& args, const QString& folder = QString())
{
    QProcess process;
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(QStringLiteral(KORVEX_EXTRACT), args);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

class KorvexExtractTest : public ::testing::Test {
protected:
    KorvexExtractTest()
    {
        log = dir.filePath(QStringLiteral("HAMLOG.HDB"));
        std::vector<HdbContact> contacts;
        const char* const calls[] = {"JA1ABC/2", "JH1XYZ", "7K3XYZ/JA0", "JE1AAA", "8J1ABC/5"};
        const char* const freqs[] = {"7.050", "144.10", "430.00", "0.136", "1295.0"};
        const char* const modes[] = {"SSB", "FM", "FM", "CW", "FM"};
        for (int i = 0; i < 5; ++i) {
            HdbContact c;
            c.Call = QString::fromLatin1(calls[i]);
            c.Freq = QString::fromLatin1(freqs[i]);
            c.Mode = QString::fromLatin1(modes[i]);
            c.Qth = QStringLiteral("東京都");
            contacts.push_back(c);
        }
        EXPECT_TRUE(HdbFixtureWriter().WriteFile(log, contacts));
    }

    // What the window's run writes for the same log and filter texts.
    QByteArray WindowRun(std::array<QString, 3> filters)
    {
        const QString startFolder = QDir::currentPath();
        ScriptedWindow window;
        window.Path = log;
        window.Texts = filters;
        HdbRecordSource source;
        LogReader reader(source, window, dir.path());
        const QString path = dir.filePath(QStringLiteral("KORVEX.tmp"));
        ExtractionTarget target(path);
        ExtractionRun(window, reader, target).Command4_Click();
        QDir::setCurrent(startFolder);
        return ReadAll(path);
    }

    QTemporaryDir dir;
    QString log;
};

} // namespace

TEST_F(KorvexExtractTest, WritesWhatTheWindowsRunWrites)
{
    const Outcome all = Extract({log});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.out, WindowRun({"ALL", "ALL", "ALL"}));
    EXPECT_EQ(all.out.count("\r\n"), 4); // the header and three portable contacts
    // The rejected home station's frequency is still reported.
    EXPECT_TRUE(QString::fromUtf8(all.err).contains(
        QStringLiteral("交信番号 4 の交信周波数は 無効です\n0.136\n")));

    const Outcome filtered = Extract({"--band", " 430,1200 ", "--mode", "fm", "--output",
                                      "out.csv", QFileInfo(log).fileName()},
                                     dir.path());
    EXPECT_EQ(filtered.status, 0);
    EXPECT_TRUE(filtered.out.isEmpty());
    const QByteArray written = ReadAll(dir.filePath(QStringLiteral("out.csv")));
    EXPECT_EQ(written, WindowRun({"ALL", " 430,1200 ", "fm"}));
    EXPECT_EQ(written.count("\r\n"), 3);
}

TEST_F(KorvexExtractTest, FailsWithStatusOneAndAReason)
{
    const QString notALog = dir.filePath(QStringLiteral("notes.txt"));
    ASSERT_TRUE(WriteAll(notALog, "\x80\x00 binary junk\n"));
    const QString output = dir.filePath(QStringLiteral("out.csv"));

    const Outcome notDatabase = Extract({"--output", output, notALog});
    EXPECT_EQ(notDatabase.status, 1);
    EXPECT_TRUE(QString::fromUtf8(notDatabase.err).contains(QStringLiteral("HAMLOG Open 失敗")));
    EXPECT_TRUE(QString::fromUtf8(notDatabase.err).contains(notALog));
    EXPECT_FALSE(QFileInfo::exists(output));

    const Outcome missing = Extract({dir.filePath(QStringLiteral("none.hdb"))});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_FALSE(missing.err.isEmpty());

    const Outcome unwritable = Extract({"--output", dir.filePath(QStringLiteral("no/out.csv")), log});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.contains("no/out.csv"));

    const Outcome full = Extract({"--output", "/dev/full", log});
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(full.err.contains("/dev/full"));
}

TEST_F(KorvexExtractTest, ReportsBadUsageWithStatusTwo)
{
    for (const QStringList& args : {QStringList{}, QStringList{"--colour", log},
                                    QStringList{log, log}, QStringList{"--band"}}) {
        const Outcome bad = Extract(args);
        EXPECT_EQ(bad.status, 2) << qPrintable(args.join(u' '));
        EXPECT_TRUE(bad.err.contains("LOG")) << qPrintable(args.join(u' '));
    }
    const Outcome help = Extract({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("--band"));
}

TEST_F(KorvexExtractTest, NamesTheLineAndReasonOfMalformedCsv)
{
    const QString csv = dir.filePath(QStringLiteral("HAMLOG.CSV"));
    ASSERT_TRUE(WriteAll(csv, "\"JA1ABC/2\",\"24/01/01\",\"12:00J\"\r\n\r\n\"JA2XYZ/3,24/01/01\r\n"));
    const QString output = dir.filePath(QStringLiteral("out.csv"));

    const Outcome outcome = Extract({"-o", output, csv});
    const QString err = QString::fromUtf8(outcome.err);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(err.contains(QStringLiteral("HAMLOG Open 失敗"))) << qPrintable(err);
    EXPECT_TRUE(err.contains(csv + QStringLiteral(": line 3: a quoted item is not closed")))
        << qPrintable(err);
    EXPECT_FALSE(QFile::exists(output)) << "no extraction file is left behind";
}
