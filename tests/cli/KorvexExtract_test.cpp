// korvex-extract run as the user runs it. With --open the spreadsheet is
// whatever soffice comes first on PATH: here a stand-in, or none at all.

#include "CsvFixtureWriter.h"
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
    // Notes are no log: one reason, not a message for each line.
    ASSERT_TRUE(WriteAll(csv, QByteArray("Line, nothing here is a contact\n").repeated(1000)));
    const Outcome notes = Extract({csv});
    EXPECT_EQ(notes.status, 1);
    EXPECT_TRUE(notes.err.contains(": neither a HAMLOG.HDB database nor a HAMLOG CSV log") &&
                notes.err.count('\n') == 2) // after "HAMLOG Open 失敗"
        << notes.err.constData();
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

TEST_F(KorvexExtractTest, ReadsTheLogsOtherProgramsWriteLikeTheDatabase)
{
    // Microwave contacts in GHz; a contact left out of the export; a year far
    // from the century rule's turn, so that a lost century would show.
    struct Contact {
        HdbContact contact;
        const char* band; // nullptr: names no band
    };
    const Contact written[] = {
        {{.Call = u"JA1AAA/2"_s, .Century = 19, .Year = 98, .Month = 12, .Day = 31,
          .Freq = u"10.1G"_s},
         "10000"},
        {{.Call = u"JA2BBB/3"_s, .Freq = u"24G"_s, .Qsl = "J  ", .Rmk1 = u"移動 運用"_s}, "24000"},
        {{.Call = u"JA3CCC/4"_s, .Deleted = true}, nullptr},
        {{.Call = u"JA4DDD/5"_s, .Year = 5, .Freq = u"1.2G"_s}, "1200"},
        {{.Call = u"JA5EEE/6"_s, .Freq = u"75G"_s}, ""},
    };
    std::vector<HdbContact> contacts;
    QStringList bands;
    for (const Contact& c : written) {
        contacts.push_back(c.contact);
        if (!c.contact.Deleted)
            bands << QString::fromLatin1(c.band);
    }
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(log, contacts));
    const Outcome reference = Extract({log});
    ASSERT_EQ(reference.status, 0);
    const QList<QByteArray> rows = reference.out.trimmed().split('\n').mid(1);
    ASSERT_EQ(rows.size(), bands.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].split(',').value(6), '"' + bands[i].toLatin1() + '"') << i;
    EXPECT_TRUE(reference.out.contains(",\"1998/12/31\",")) << reference.out.constData();
    EXPECT_TRUE(reference.err.contains("\n75G\n")) << reference.err.constData();

    const std::pair<const char*, QByteArray> variants[] = {
        {"database claiming no records",
         HdbFixtureWriter(HdbFixtureWriter::StandardFields(), {'\x1A', true}).File(contacts)},
        {"four-digit years", CsvFixtureWriter({.FourDigitYear = true}).File(contacts)},
        {"four-digit years with dashes",
         CsvFixtureWriter({.Quoted = false, .FourDigitYear = true, .DateSeparator = '-'})
             .File(contacts)},
        {"record numbers", CsvFixtureWriter({.RecordNumbers = true}).File(contacts)},
        {"column names", CsvFixtureWriter({.Quoted = false, .Header = true}).File(contacts)},
        {"contest logger",
         CsvFixtureWriter({.Quoted = false, .CrLf = false, .QuoteSpaces = true,
                           .QslAsStored = true, .TrailingComma = true})
             .File(contacts)},
    };
    const QString variant = dir.filePath(u"variant"_s);
    for (const auto& [name, bytes] : variants) {
        ASSERT_TRUE(WriteAll(variant, bytes));
        const Outcome read = Extract({variant});
        EXPECT_EQ(read.status, 0) << name << ": " << read.err.constData();
        EXPECT_EQ(read.out, reference.out) << name;
        EXPECT_EQ(read.err, reference.err) << name;
    }
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
