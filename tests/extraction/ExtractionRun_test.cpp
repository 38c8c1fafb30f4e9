#include "CodePage932.h"
#include "ExtractionRun.h"
#include "HdbFixtureWriter.h"
#include "HdbRecordSource.h"
#include "ScriptedWindow.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <cstring>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class ExtractionRunTest : public ::testing::Test {
protected:
    ExtractionRunTest() { window.Path = dir.filePath(u"HAMLOG.HDB"_s); }
    ~ExtractionRunTest() override { QDir::setCurrent(startFolder); }

    ExtractionRun::Result Run(const std::vector<HdbContact>& contacts)
    {
        EXPECT_TRUE(HdbFixtureWriter().WriteFile(window.Path, contacts));
        return RunOn(extractPath);
    }
    ExtractionRun::Result RunOn(const QString& path)
    {
        ExtractionTarget target(path);
        return ExtractionRun(window, reader, target).Command4_Click();
    }
    // The lines after the header, each ended by CR LF.
    QStringList Rows()
    {
        QStringList rows = CodePage932().Decode(ReadAll(extractPath)).split(u"\r\n"_s);
        EXPECT_TRUE(rows.size() >= 2 && rows.takeLast().isEmpty());
        rows.removeFirst();
        return rows;
    }

    QString startFolder = QDir::currentPath();
    QTemporaryDir dir;
    QString extractPath = dir.filePath(u"KORVEX.tmp"_s);
    ScriptedWindow window;
    HdbRecordSource source;
    LogReader reader{source, window, dir.path()};
};

} // namespace

TEST_F(ExtractionRunTest, WritesOneRowPerWantedContactInRecordOrder)
{
    const HdbContact c{.Call = u"JA1ABC/2"_s, .Month = 5, .Day = 6, .Hour = 9, .Minute = 30,
                       .Code = u" 1001 "_s, .Qsl = "J J"};
    HdbContact home = c, utc = c, deleted = c, sevenK = c, quoted = c;
    home.Call = u"JH1ABC"_s, home.Freq = u"0.136"_s;
    utc.Utc = true;
    deleted.Deleted = true;
    sevenK.Call = u"7K3XYZ/JA0"_s, sevenK.Year = 99, sevenK.Freq = u"430.00"_s;
    sevenK.Mode = u"FM"_s, sevenK.Code = u"0100"_s, sevenK.Qsl = "J  ";
    quoted.Call = u"JA1\"A/2"_s, quoted.Freq = u"99"_s, quoted.Mode.clear(), quoted.Qsl = "N";

    QByteArray handedOff;
    window.OnHandOff = [&] { handedOff = ReadAll(extractPath); };
    EXPECT_EQ(Run({c, home, utc, deleted, sevenK, quoted}), ExtractionRun::Result::Completed);
    EXPECT_EQ(handedOff, ReadAll(extractPath)) << "handed off before the file was complete";

    EXPECT_EQ(Rows(), QStringList({
        R"("2","1","JA1ABC/2",1,"2024/05/06","09:30J","7","SSB","J","1001")",
        R"("0","1","7K3XYZ/JA0",4,"1999/05/06","09:30J","430","FM"," ","0100")",
        R"("2","1","JA1""A/2",5,"2024/05/06","09:30J","",""," ","1001")"}));
    // Frequencies that name no band are reported by contact number, rejected or not.
    ASSERT_EQ(window.Messages.size(), 2);
    EXPECT_TRUE(window.Messages[0].contains(u" 2 ") && window.Messages[0].endsWith(u"\n0.136"));
    EXPECT_TRUE(window.Messages[1].contains(u" 5 ") && window.Messages[1].endsWith(u"\n99"));
    EXPECT_EQ(window.Events, QStringList({"Frame1-", "Frame3-", "Frame4-", "Frame5-", "Command4-",
                                          "handoff", "Frame1+", "Frame3+", "Frame4+", "Frame5+"}));
}

TEST_F(ExtractionRunTest, FiltersTakeTheNormalisedBoxesAndTheirOwnField)
{
    // Rcv is the third QSL mark; the band comes from the frequency.
    const HdbContact fm{.Call = u"JA1C/1"_s, .Freq = u"145.00"_s, .Mode = u"FM"_s, .Qsl = "J J"};
    HdbContact cw = fm, lower = fm, noBand = fm, otherRcv = fm;
    cw.Freq = lower.Freq = u"7.050"_s, cw.Mode = u"CW"_s, lower.Mode = u"ssb"_s;
    noBand.Freq = u"0.1"_s, otherRcv.Qsl = "JNX";
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(window.Path, {cw, lower, fm, noBand, otherRcv}));

    using Boxes = std::array<QString, 3>;
    const std::tuple<Boxes, Boxes, QList<int>> runs[] = {
        {{u" j, "_s, u" 144 ,7,"_s, u"fm , cw"_s},
         {u"J,"_s, u"144 ,7,"_s, u"FM , CW"_s},
         {1, 3, 4}},
        {{u" all "_s, u"ALL"_s, u"FM"_s}, {u"ALL"_s, u"ALL"_s, u"FM"_s}, {3, 4, 5}},
    };
    for (const auto& [typed, shown, selected] : runs) {
        window.Texts = typed;
        EXPECT_EQ(RunOn(extractPath), ExtractionRun::Result::Completed);
        QList<int> numbers;
        for (const QString& row : Rows())
            numbers << row.section(u',', 3, 3).toInt();
        EXPECT_EQ(numbers, selected) << qPrintable(typed[0]);
        EXPECT_EQ(window.Texts, shown);
    }
}

TEST_F(ExtractionRunTest, WithoutALogOrConfirmationNothingIsExtractedAndAllStaysEnabled)
{
    EXPECT_EQ(RunOn(extractPath), ExtractionRun::Result::NotStarted);
    EXPECT_TRUE(window.Events.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(extractPath));
    window.ConfirmAnswer = false;
    EXPECT_EQ(Run({{.Call = u"JA1ABC/2"_s}}), ExtractionRun::Result::Declined);
    EXPECT_EQ(window.Messages.size(), 1);
    EXPECT_EQ(window.HandOffs(), 0);
    EXPECT_TRUE(window.AllEnabled());
    EXPECT_FALSE(QFileInfo::exists(extractPath));
}

TEST_F(ExtractionRunTest, ALogThatIsNoDatabaseGivesAHeaderOnlyFile)
{
    ASSERT_TRUE(WriteAll(window.Path, "CALL,DATE\r\n"));
    EXPECT_EQ(RunOn(extractPath), ExtractionRun::Result::LogNotOpened);
    EXPECT_EQ(window.Messages.size(), 1);
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_EQ(window.HandOffs(), 1);
}

TEST_F(ExtractionRunTest, AnExtractionFileThatCannotBeWrittenIsNeverHandedOff)
{
    // More rows than the writer gathers before its first write; a failed write
    // ends the run, so the last contact's frequency is never looked at.
    std::vector<HdbContact> contacts(2000, {.Call = u"JA1A/2"_s});
    contacts.back().Freq = u"0.1"_s;
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(window.Path, contacts));
    for (const QString& target : {dir.filePath(u"missing/KORVEX.tmp"_s), u"/dev/full"_s}) {
        window.Messages.clear();
        EXPECT_EQ(RunOn(target), ExtractionRun::Result::OutputFailed) << qPrintable(target);
        // The file and the system's reason, each on a line of its own.
        const QStringList lines = window.Messages.value(0).split(u'\n');
        EXPECT_TRUE(lines.size() == 3 && lines[1] == target && !lines[2].isEmpty())
            << qPrintable(window.Messages.join(u'|'));
        EXPECT_EQ(window.HandOffs(), 0);
        EXPECT_TRUE(window.AllEnabled());
    }
    EXPECT_TRUE(QFileInfo::exists(u"/dev/full"_s));

    // Trying again reads the log chosen now, from its start, after a new confirmation.
    const qsizetype questions = window.Questions.size();
    window.Path = dir.filePath(u"OTHER.HDB"_s);
    EXPECT_EQ(Run({{.Call = u"JE3B/3"_s}}), ExtractionRun::Result::Completed);
    EXPECT_EQ(window.Questions.size(), questions + 1);
    ASSERT_EQ(Rows().size(), 1);
    EXPECT_TRUE(Rows()[0].contains(u"JE3B/3"_s));
}

TEST_F(ExtractionRunTest, AShortWriteReportsTheSystemsReason)
{
    std::vector<HdbContact> contacts(2000, {.Call = u"JA1A/2"_s});
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(window.Path, contacts));
    // A file size limit cuts the first write short and refuses the next one.
    struct rlimit before {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit limited = before;
    limited.rlim_cur = 4096;
    const auto signal = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const ExtractionRun::Result result = RunOn(extractPath);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, signal);

    EXPECT_EQ(result, ExtractionRun::Result::OutputFailed);
    EXPECT_EQ(window.Messages.value(0).split(u'\n').value(2),
              QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"HAMLOG.HDB"_s})
        << "the unfinished file is gone";
}

TEST_F(ExtractionRunTest, APlantedLinkIsReplacedNeverWrittenThrough)
{
    const QString victim = dir.filePath(u"precious.txt"_s);
    ASSERT_TRUE(WriteAll(victim, "the user's own data\n"));
    ASSERT_TRUE(QFile::link(victim, extractPath));
    window.ConfirmAnswer = false;
    EXPECT_EQ(Run({{.Call = u"JA1ABC/2"_s}}), ExtractionRun::Result::Declined);
    EXPECT_EQ(QFileInfo(extractPath).symLinkTarget(), victim);
    window.ConfirmAnswer = true;
    EXPECT_EQ(RunOn(extractPath), ExtractionRun::Result::Completed);
    EXPECT_EQ(ReadAll(victim), "the user's own data\n");
    EXPECT_FALSE(QFileInfo(extractPath).isSymLink());
    EXPECT_EQ(Rows().size(), 1);
}

TEST_F(ExtractionRunTest, TheLogIsNeverTheExtractionFileByAnyName)
{
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(window.Path, {{.Call = u"JA1ABC/2"_s}}));
    const QByteArray log = ReadAll(window.Path);
    const QString symbolic = dir.filePath(u"symbolic.csv"_s), hard = dir.filePath(u"hard.csv"_s);
    ASSERT_TRUE(QFile::link(window.Path, symbolic));
    ASSERT_EQ(
        ::link(QFile::encodeName(window.Path).constData(), QFile::encodeName(hard).constData()), 0);
    for (const QString& output : {window.Path, symbolic, hard}) {
        window.Messages.clear();
        EXPECT_EQ(RunOn(output), ExtractionRun::Result::OutputIsLog) << qPrintable(output);
        EXPECT_EQ(window.Messages.size(), 1);
        EXPECT_TRUE(window.Messages.value(0).endsWith(u'\n' + output));
        EXPECT_EQ(ReadAll(output), log);
        EXPECT_EQ(window.HandOffs(), 0);
        EXPECT_TRUE(window.AllEnabled());
    }
    EXPECT_TRUE(window.Questions.isEmpty()) << "refused before the log is read";
    EXPECT_TRUE(QFileInfo(symbolic).isSymLink());
}

TEST_F(ExtractionRunTest, ASecondRunOnTheSameFileWritesNothingAndTheFirstGoesOn)
{
    ASSERT_TRUE(WriteAll(extractPath, "an earlier file\r\n"));
    ExtractionTarget first(extractPath);
    QIODevice* firstFile = first.Open();
    ASSERT_NE(firstFile, nullptr);
    ASSERT_EQ(firstFile->write("the first run's file\r\n"), 22);

    EXPECT_EQ(Run({{.Call = u"JA1ABC/2"_s}}), ExtractionRun::Result::OutputBusy);
    EXPECT_TRUE(window.Messages.value(0).endsWith(u'\n' + extractPath));
    EXPECT_TRUE(window.Questions.isEmpty());
    EXPECT_EQ(window.HandOffs(), 0);
    EXPECT_TRUE(window.AllEnabled());
    EXPECT_EQ(ReadAll(extractPath), "an earlier file\r\n");

    ASSERT_TRUE(first.Close());
    EXPECT_EQ(ReadAll(extractPath), "the first run's file\r\n");
    first.Discard(); // as a run whose log proved to be no log, on the command line
    EXPECT_FALSE(QFileInfo::exists(extractPath));
    // Once the first run is over, the file is free.
    EXPECT_EQ(RunOn(extractPath), ExtractionRun::Result::Completed);
    EXPECT_EQ(Rows().size(), 1);
}
