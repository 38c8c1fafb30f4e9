#include "CodePage932.h"
#include "ExtractionRun.h"
#include "HdbFixtureWriter.h"
#include "HdbRecordSource.h"
#include "ScriptedWindow.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

HdbContact Contact(const QString& call, const QString& freq = QStringLiteral("7.050"))
{
    HdbContact c;
    c.Call = call;
    c.Freq = freq;
    c.Year = 24;
    c.Month = 5;
    c.Day = 6;
    c.Hour = 9;
    c.Minute = 30;
    c.Qsl = "J J";
    c.Code = QStringLiteral(" 1001 ");
    return c;
}

QByteArray Cp932(const QString& text)
{
    CodePage932 codec;
    return codec.Encode(text);
}

const QString Header = QStringLiteral(
    "\"移動地\",\"所属エリア\",\"CALL\",\"交信番号\",\" 年月日\",\"時刻 \",\"バンド \",\"モード\","
    "\"QSL\",\"Code\"\r\n");

class ExtractionRunTest : public ::testing::Test {
protected:
    ExtractionRunTest()
    {
        window.Path = dir.filePath(QStringLiteral("HAMLOG.HDB"));
        extractPath = dir.filePath(QStringLiteral("KORVEX.tmp"));
    }
    ~ExtractionRunTest() override { QDir::setCurrent(startFolder); }

    ExtractionRun::Result Run(const std::vector<HdbContact>& contacts)
    {
        EXPECT_TRUE(HdbFixtureWriter().WriteFile(window.Path, contacts));
        return RunOn(extractPath);
    }
    ExtractionRun::Result RunOn(const QString& target)
    {
        ExtractionTarget output(target);
        ExtractionRun run(window, reader, output);
        return run.Command4_Click();
    }
    QByteArray Extracted() const { return ReadAll(extractPath); }

    QString startFolder = QDir::currentPath();
    QTemporaryDir dir;
    QString extractPath;
    ScriptedWindow window;
    HdbRecordSource source;
    LogReader reader{source, window, dir.path()};
};

} // namespace

TEST_F(ExtractionRunTest, WritesOneRowPerWantedContactInRecordOrder)
{
    HdbContact home = Contact(QStringLiteral("JH1ABC"), QStringLiteral("0.136"));
    HdbContact utc = Contact(QStringLiteral("JA1ABC/3"));
    utc.Utc = true;
    HdbContact deleted = Contact(QStringLiteral("JA5DEL/5"));
    deleted.Deleted = true;
    HdbContact sevenK = Contact(QStringLiteral("7K3XYZ/JA0"), QStringLiteral("430.00"));
    sevenK.Year = 99;
    sevenK.Mode = QStringLiteral("FM");
    sevenK.Code = QStringLiteral("0100");
    sevenK.Qsl = "J  ";
    HdbContact quoted = Contact(QStringLiteral("JA1\"A/2"), QStringLiteral("99"));
    quoted.Mode = QString();
    quoted.Qsl = "N";

    EXPECT_EQ(Run({Contact(QStringLiteral("JA1ABC/2")), home, utc, deleted, sevenK, quoted}),
              ExtractionRun::Result::Completed);

    const QString rows = QStringLiteral(
        "\"2\",\"1\",\"JA1ABC/2\",1,\"2024/05/06\",\"09:30J\",\"7\",\"SSB\",\"J\",\"1001\"\r\n"
        "\"0\",\"1\",\"7K3XYZ/JA0\",4,\"1999/05/06\",\"09:30J\",\"430\",\"FM\",\" \",\"0100\"\r\n"
        "\"2\",\"1\",\"JA1\"\"A/2\",5,\"2024/05/06\",\"09:30J\",\"\",\"\",\" \",\"1001\"\r\n");
    EXPECT_EQ(Extracted(), Cp932(Header + rows));
    // Both invalid frequencies are reported, the rejected contact's too.
    EXPECT_EQ(window.Messages,
              QStringList({QStringLiteral("交信番号 2 の交信周波数は 無効です\n0.136"),
                           QStringLiteral("交信番号 5 の交信周波数は 無効です\n99")}));
    EXPECT_EQ(window.Counts[0], QStringLiteral("6")); // one past the five live records
    EXPECT_EQ(window.Counts[1], QStringLiteral("3"));
    EXPECT_EQ(window.Events, QStringList({"Frame1-", "Frame3-", "Frame4-", "Frame5-", "Command4-",
                                          "handoff", "Frame1+", "Frame3+", "Frame4+", "Frame5+"}));
    EXPECT_FALSE(window.Enabled[4]);
    EXPECT_EQ(reader.LogPath, QStringLiteral("END"));
}

TEST_F(ExtractionRunTest, FiltersCompareNormalisedListsWithValuesAsRead)
{
    HdbContact cw = Contact(QStringLiteral("JA1AAA/1"));
    cw.Mode = QStringLiteral("CW");
    HdbContact lower = Contact(QStringLiteral("JA1BBB/1"));
    lower.Mode = QStringLiteral("ssb");
    HdbContact fm2m = Contact(QStringLiteral("JA1CCC/1"), QStringLiteral("145.00"));
    fm2m.Mode = QStringLiteral("FM");
    HdbContact noBand = fm2m;
    noBand.Call = QStringLiteral("JA1DDD/1");
    noBand.Freq = QStringLiteral("0.1");
    HdbContact wrongRcv = fm2m;
    wrongRcv.Call = QStringLiteral("JA1EEE/1");
    wrongRcv.Qsl = "JNX";

    window.Texts = {QStringLiteral(" j, "), QStringLiteral(" 144 ,7,"), QStringLiteral("fm , cw")};
    Run({cw, lower, fm2m, noBand, wrongRcv});

    EXPECT_EQ(window.Texts[0], QStringLiteral("J,"));
    EXPECT_EQ(window.Texts[1], QStringLiteral("144 ,7,"));
    EXPECT_EQ(window.Texts[2], QStringLiteral("FM , CW"));
    const QList<QByteArray> lines = Extracted().split('\n');
    ASSERT_EQ(lines.size(), 5); // header, three rows, nothing after the last CR LF
    EXPECT_TRUE(lines[1].startsWith("\"1\",\"1\",\"JA1AAA/1\",1,"));
    EXPECT_TRUE(lines[2].startsWith("\"1\",\"1\",\"JA1CCC/1\",3,"));
    EXPECT_TRUE(lines[3].startsWith("\"1\",\"1\",\"JA1DDD/1\",4,"));
    EXPECT_TRUE(lines[4].isEmpty());
}

TEST_F(ExtractionRunTest, AllInSmallLettersSwitchesAFilterOffButAllWithMoreDoesNot)
{
    HdbContact cw = Contact(QStringLiteral("JA1AAA/1"));
    cw.Mode = QStringLiteral("CW");
    window.Texts = {QStringLiteral(" all "), QStringLiteral("ALL"), QStringLiteral("ALL,cd")};
    Run({cw});
    EXPECT_EQ(window.Texts[0], QStringLiteral("ALL"));
    EXPECT_EQ(Extracted(), Cp932(Header));
    EXPECT_TRUE(window.Counts[1].isEmpty()); // Label4 keeps its caption when nothing is selected
}

TEST_F(ExtractionRunTest, WithoutAReadableLogNothingHappensButTheMessage)
{
    for (const QString& path : {QString(), dir.path(), dir.filePath(QStringLiteral("none.hdb"))}) {
        window.Path = path;
        EXPECT_EQ(RunOn(extractPath), ExtractionRun::Result::NotStarted);
        EXPECT_EQ(window.Messages.takeLast(), QStringLiteral("HAMLOG.HDB を先に指定してください"));
    }
    EXPECT_TRUE(window.Events.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(extractPath));
}

TEST_F(ExtractionRunTest, DecliningTheFirstReadExtractsNothingAndUnlocksEverything)
{
    window.ConfirmAnswer = false;
    EXPECT_EQ(Run({Contact(QStringLiteral("JA1ABC/2"))}), ExtractionRun::Result::Declined);
    EXPECT_EQ(window.HandOffs, 0);
    EXPECT_TRUE(window.AllEnabled());
    EXPECT_FALSE(QFileInfo::exists(extractPath));
    EXPECT_TRUE(window.Messages.isEmpty());
}

TEST_F(ExtractionRunTest, ALogThatIsNoDatabaseGivesAHeaderOnlyFile)
{
    ASSERT_TRUE(WriteAll(window.Path, "CALL,DATE\r\n"));
    EXPECT_EQ(RunOn(extractPath), ExtractionRun::Result::LogNotOpened);
    EXPECT_EQ(window.Messages, QStringList{QStringLiteral("HAMLOG Open 失敗")});
    EXPECT_EQ(Extracted(), Cp932(Header));
    EXPECT_EQ(window.HandOffs, 1);
    EXPECT_EQ(window.Counts[0], QStringLiteral("1"));
}

TEST_F(ExtractionRunTest, AnExtractionFileThatCannotBeWrittenIsNeverHandedOff)
{
    std::vector<HdbContact> many(2000, Contact(QStringLiteral("JA1ABC/2")));
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(window.Path, many));
    const QString noFolder = dir.filePath(QStringLiteral("missing/KORVEX.tmp"));
    for (const QString& target : {noFolder, QStringLiteral("/dev/full")}) {
        window.Messages.clear();
        EXPECT_EQ(RunOn(target), ExtractionRun::Result::OutputFailed) << qPrintable(target);
        ASSERT_EQ(window.Messages.size(), 1);
        const QStringList lines = window.Messages[0].split(u'\n');
        ASSERT_EQ(lines.size(), 3);
        EXPECT_EQ(lines[1], target);
        EXPECT_FALSE(lines[2].isEmpty()) << qPrintable(target); // the system's reason
        EXPECT_EQ(window.HandOffs, 0);
        EXPECT_TRUE(window.AllEnabled());
    }
    EXPECT_TRUE(QFileInfo(QStringLiteral("/dev/full")).exists());
}
