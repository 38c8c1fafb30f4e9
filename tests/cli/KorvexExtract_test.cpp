// korvex-extract run as the user runs it. With --open the spreadsheet is
// whatever soffice comes first on PATH: here a stand-in, or none at all.

#include "CodePage932.h"
#include "CsvFixtureWriter.h"
#include "ExtractionTarget.h"
#include "HdbFixtureWriter.h"
#include "StandInSpreadsheet.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Outcome {
    int status = -1;
    QByteArray out, err;
};

// Runs korvex-extract (or `program`) in `folder`, with `path` as its PATH when one is given.
Outcome Extract(const QStringList& args, const QString& folder = {}, const QString& path = {},
                const QString& program = QStringLiteral(KORVEX_EXTRACT))
{
    QProcess process;
    process.setWorkingDirectory(folder);
    if (!path.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"PATH"_s, path);
        process.setProcessEnvironment(environment);
    }
    process.start(program, args);
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

    // "-" is standard output, not a file of that name.
    const Outcome dash = Extract({"-o", "-", "HAMLOG.HDB"}, dir.path());
    EXPECT_EQ(dash.status, 0) << dash.err.constData();
    EXPECT_EQ(dash.out, all.out);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"-"_s)));
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
    EXPECT_TRUE(notes.err.contains(": neither a HAMLOG.HDB database, an ADIF log nor a HAMLOG CSV log") &&
                notes.err.count('\n') == 2) // after "HAMLOG Open 失敗"
        << notes.err.constData();
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
    const std::vector<HdbContact> contacts = {
        {.Call = u"JA1AAA/2"_s, .Century = 19, .Year = 98, .Month = 12, .Day = 31,
         .Freq = u"10.1G"_s},
        {.Call = u"JA2BBB/3"_s, .Freq = u"24G"_s, .Qsl = "J  ", .Rmk1 = u"移動 運用"_s},
        {.Call = u"JA3CCC/4"_s, .Deleted = true},
        {.Call = u"JA4DDD/5"_s, .Year = 5, .Freq = u"1.2G"_s},
        {.Call = u"JA5EEE/6"_s, .Freq = u"75G"_s}};
    const QList<QByteArray> bands = {"10000", "24000", "1200", ""}; // of the live contacts
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(log, contacts));
    const Outcome reference = Extract({log});
    ASSERT_EQ(reference.status, 0);
    const QList<QByteArray> rows = reference.out.trimmed().split('\n').mid(1);
    ASSERT_EQ(rows.size(), bands.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].split(',').value(6), '"' + bands[i] + '"') << i;
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

TEST_F(KorvexExtractTest, NeverWritesItsOutputOverTheLog)
{
    const QByteArray before = ReadAll(log);
    const QString symbolic = dir.filePath(u"symbolic.csv"_s), hard = dir.filePath(u"hard.csv"_s);
    ASSERT_TRUE(QFile::link(log, symbolic));
    ASSERT_EQ(::link(QFile::encodeName(log).constData(), QFile::encodeName(hard).constData()), 0);
    for (const QString& same : {log, symbolic, hard}) {
        const Outcome refused = Extract({"-o", same, log});
        EXPECT_EQ(refused.status, 2) << qPrintable(same);
        EXPECT_TRUE(QString::fromUtf8(refused.err).contains(same)) << refused.err.constData();
        EXPECT_EQ(ReadAll(same), before) << qPrintable(same);
    }
    EXPECT_TRUE(QFileInfo(symbolic).isSymLink());
    // Standard output is the log too when it is appended to the log.
    const Outcome appended = Extract({"-c", "exec \"$0\" \"$1\" >> \"$1\"", KORVEX_EXTRACT, log},
                                     {}, {}, u"sh"_s);
    EXPECT_EQ(appended.status, 2);
    EXPECT_EQ(ReadAll(log), before);

    // A device, or a file the shell opened as standard output, is written into,
    // never replaced.
    EXPECT_EQ(Extract({"-o", "/dev/null", log}).status, 0);
    struct stat null {};
    EXPECT_TRUE(::stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode));
    const Outcome redirected = Extract(
        {"-c", "exec \"$0\" -o /dev/stdout \"$1\" > \"$2\"", KORVEX_EXTRACT, log, output}, {}, {},
        u"sh"_s);
    EXPECT_EQ(redirected.status, 0) << redirected.err.constData();
    EXPECT_EQ(ReadAll(output), Extract({log}).out);
    EXPECT_TRUE(QFileInfo(u"/dev/stdout"_s).isSymLink());
}

TEST_F(KorvexExtractTest, ALogThatCannotBeOpenedGivesTheSystemsReason)
{
    const QString loop = dir.filePath(u"loop.hdb"_s);
    ASSERT_TRUE(QFile::link(loop, loop));
    const std::pair<QString, int> logs[] = {
        {dir.filePath(u"none.hdb"_s), ENOENT}, {dir.path(), EISDIR}, {loop, ELOOP}};
    for (const auto& [path, error] : logs) {
        const Outcome failed = Extract({path});
        EXPECT_EQ(failed.status, 1);
        const QString err = QString::fromUtf8(failed.err);
        EXPECT_TRUE(err.contains(path) &&
                    err.contains(QString::fromLocal8Bit(std::strerror(error))))
            << qPrintable(err);
    }
}

TEST_F(KorvexExtractTest, ASecondRunOnTheSameOutputWritesNothingUntilTheFirstIsKilled)
{
    // Another process is writing the file: a child holds it as a run would.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ExtractionTarget held(output);
        const char opened = held.Open() ? 'y' : 'n';
        if (::write(ready[1], &opened, 1) == 1)
            ::pause();
        std::_Exit(0);
    }
    char opened = 0;
    EXPECT_EQ(::read(ready[0], &opened, 1), 1);
    EXPECT_EQ(opened, 'y');
    const Outcome second = Extract({"-o", output, log});
    EXPECT_EQ(second.status, 1);
    EXPECT_TRUE(QString::fromUtf8(second.err).contains(output)) << second.err.constData();
    EXPECT_FALSE(QFile::exists(output));
    // A run that is killed holds the file no longer.
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const Outcome after = Extract({"-o", output, log});
    EXPECT_EQ(after.status, 0) << after.err.constData();
    EXPECT_EQ(ReadAll(output).count("\r\n"), 5);
}

TEST_F(KorvexExtractTest, RunsRacingForOneOutputNeverMixTheirRows)
{
    std::vector<HdbContact> contacts(20000, {.Call = u"JA1AAA/2"_s, .Freq = u"430.00"_s});
    for (std::size_t i = 0; i < contacts.size(); i += 2)
        contacts[i].Freq = u"7.050"_s;
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(log, contacts));
    const QByteArray alone[] = {Extract({"--band", "7", log}).out,
                                Extract({"--band", "430", log}).out};
    ASSERT_NE(alone[0], alone[1]);
    for (int round = 0; round < 5; ++round) {
        QProcess runs[2];
        for (int i = 0; i < 2; ++i)
            runs[i].start(QStringLiteral(KORVEX_EXTRACT),
                          {"--band", i == 0 ? "7" : "430", "-o", output, log});
        int written = 0;
        for (QProcess& run : runs) {
            ASSERT_TRUE(run.waitForFinished(2 * 60 * 1000));
            EXPECT_TRUE(run.exitCode() == 0 || run.exitCode() == 1);
            written += run.exitCode() == 0;
        }
        EXPECT_GE(written, 1);
        const QByteArray file = ReadAll(output);
        EXPECT_TRUE(file == alone[0] || file == alone[1]) << "a mixed file, round " << round;
    }
}

TEST_F(KorvexExtractTest, AFullDeviceOrDiskIsReportedWithItsReasonAndLeavesNoFile)
{
    const QString noSpace = QString::fromLocal8Bit(std::strerror(ENOSPC));
    const Outcome full = Extract({"-o", "/dev/full", log});
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(QString::fromUtf8(full.err).contains(u"/dev/full\n"_s + noSpace))
        << full.err.constData();

    // A small file system of its own, in a mount namespace that ends with the run.
    const QString mount = dir.filePath(u"small"_s);
    ASSERT_TRUE(QDir().mkdir(mount));
    std::vector<HdbContact> contacts(3000, {.Call = u"JA1AAA/2"_s});
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(log, contacts));
    QProcess run;
    run.start(u"unshare"_s, {"-rm", "sh", "-c",
                             "mount -t tmpfs -o size=16k tmpfs \"$1\" || exit 125\n"
                             "\"$2\" -o \"$1/out.csv\" \"$3\"; status=$?\n"
                             "ls -A \"$1\" >&2; exit $status",
                             "sh", mount, QStringLiteral(KORVEX_EXTRACT), log});
    if (!run.waitForStarted() || (run.waitForFinished(2 * 60 * 1000) && run.exitCode() == 125))
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const QString err = QString::fromUtf8(run.readAllStandardError());
    EXPECT_EQ(run.exitCode(), 1) << qPrintable(err);
    EXPECT_TRUE(err.contains(mount + u"/out.csv\n"_s + noSpace)) << qPrintable(err);
    EXPECT_TRUE(err.endsWith(noSpace + u'\n'))
        << "the listing after the run is empty: " << qPrintable(err);
}

TEST_F(KorvexExtractTest, TakesFileNamesAsTheirBytes)
{
    // ハム.HDB and 抽出.csv in Shift-JIS, which is not UTF-8.
    const QByteArray folder = QFile::encodeName(dir.path());
    const QByteArray sjisLog = folder + "/\x83\x6E\x83\x80.HDB";
    const QByteArray sjisOutput = folder + "/\x92\x8A\x8F\x6F.csv";
    ASSERT_TRUE(QFile::copy(log, QFile::decodeName(folder) + u"/copy"_s));
    ASSERT_EQ(::rename((folder + "/copy").constData(), sjisLog.constData()), 0);
    QProcess run;
    run.setWorkingDirectory(dir.path());
    run.start(u"sh"_s, {"-c",
                        "exec \"$0\" -o \"$(printf '\\222\\212\\217\\157.csv')\" "
                        "\"$(printf '\\203\\156\\203\\200.HDB')\"",
                        QStringLiteral(KORVEX_EXTRACT)});
    ASSERT_TRUE(run.waitForFinished(2 * 60 * 1000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().constData();
    QFile written;
    const int fd = ::open(sjisOutput.constData(), O_RDONLY);
    EXPECT_GE(fd, 0) << "the output has the name's own bytes";
    if (fd >= 0 && written.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        EXPECT_EQ(written.readAll().count("\r\n"), 5);
    }
    // QTemporaryDir cannot remove names that are not UTF-8.
    ::unlink(sjisLog.constData());
    ::unlink(sjisOutput.constData());
}

TEST_F(KorvexExtractTest, ALargeCsvLogSaysWhatASmallOneSays)
{
    // Large enough to be checked as it is read rather than when opened: what
    // comes out must still be what the database of the same contacts gives,
    // and for malformed text what an open that failed gives, with nothing of
    // what was read before the fault: no row, no message.
    std::vector<HdbContact> contacts;
    for (int i = 0; i < 50000; ++i) {
        contacts.push_back({.Call = QStringLiteral("JA%1AA/%2").arg(i % 10).arg((i + 3) % 10),
                            .Utc = i % 3 == 0, .Freq = i % 2 ? u"430.00"_s : u"7.050"_s,
                            .Name = u"山田"_s});
    }
    std::vector<HdbContact> invalid = contacts;
    invalid[5].Freq = u"0.136"_s; // its message comes early in the run
    const QString large = dir.filePath(u"LARGE.CSV"_s);
    for (const auto& written : {contacts, invalid}) {
        const QByteArray csv = CsvFixtureWriter().File(written);
        ASSERT_GT(csv.size(), 4 * 1024 * 1024);
        ASSERT_TRUE(HdbFixtureWriter().WriteFile(log, written));
        const Outcome reference = Extract({log});
        ASSERT_EQ(reference.status, 0);

        ASSERT_TRUE(WriteAll(large, csv));
        const Outcome read = Extract({large});
        EXPECT_EQ(read.status, 0);
        EXPECT_EQ(read.out, reference.out);
        EXPECT_EQ(read.err, reference.err);

        // A quote left open on the last line: found only at the end of the text.
        ASSERT_TRUE(WriteAll(large, csv + "\"JA1ZZZ/2,24/01/01\r\n"));
        const QByteArray failed = "HAMLOG Open 失敗\n" + QFile::encodeName(large) + ": line " +
                                  QByteArray::number(written.size() + 1) + ": ";
        for (const bool toFile : {false, true}) {
            QStringList args{large};
            if (toFile)
                args = QStringList{u"-o"_s, output, large};
            const Outcome malformed = Extract(args);
            EXPECT_EQ(malformed.status, 1);
            EXPECT_TRUE(malformed.err.startsWith(failed) && malformed.err.count('\n') == 2)
                << malformed.err.constData();
            EXPECT_EQ(malformed.out,
                      toFile ? QByteArray() : reference.out.left(reference.out.indexOf('\n') + 1));
            EXPECT_FALSE(QFile::exists(output)) << "no extraction file is left behind";
        }
    }
}
