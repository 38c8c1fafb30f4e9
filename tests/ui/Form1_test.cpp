#include "Form1.h"
#include "HdbFixtureWriter.h"
#include "HdbRecordSource.h"
#include "RecordingSpreadsheet.h"
#include "ScriptedDialogs.h"
#include "TestFiles.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

HdbContact Contact(const QString& call, const QString& mode = QStringLiteral("SSB"))
{
    HdbContact c;
    c.Call = call;
    c.Mode = mode;
    return c;
}

class Form1Test : public ::testing::Test {
protected:
    ~Form1Test() override { QDir::setCurrent(startFolder); }

    template <typename Control>
    Control* Child(const char* name)
    {
        auto* control = form.findChild<Control*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QString Caption(const char* label) { return Child<QLabel>(label)->text(); }
    void Click(const char* button) { QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton); }

    void ChooseLog(const std::vector<HdbContact>& contacts)
    {
        const QString log = dir.filePath(QStringLiteral("HAMLOG.HDB"));
        ASSERT_TRUE(HdbFixtureWriter().WriteFile(log, contacts));
        dialogs.ChosenFile = log;
        Click("Command1");
    }
    // Frame1, Frame3, Frame4, Frame5, Command4
    std::vector<bool> InputsEnabled()
    {
        std::vector<bool> enabled;
        for (const char* name : {"Frame1", "Frame3", "Frame4", "Frame5", "Command4"})
            enabled.push_back(Child<QWidget>(name)->isEnabled());
        return enabled;
    }

    QString startFolder = QDir::currentPath();
    QTemporaryDir dir;
    HdbRecordSource source;
    RecordingSpreadsheet sheet;
    ScriptedDialogs dialogs;
    Form1 form{source, sheet, dialogs, dir.path(), dir.filePath(QStringLiteral("data"))};
};

} // namespace

TEST_F(Form1Test, OpensWithAllFiltersEmptyCountersAndEverythingEnabled)
{
    ASSERT_EQ(form.Form_Load(), Form1::LoadOutcome::Ready);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("KORVEX Ver2.0"));
    EXPECT_EQ(form.ExtractPath, dir.filePath(QStringLiteral("KORVEX.tmp")));
    for (const char* box : {"Text1", "Text2", "Text3"})
        EXPECT_EQ(Child<QLineEdit>(box)->text(), QStringLiteral("ALL")) << box;
    for (const char* label : {"Label1", "Label3", "Label4"})
        EXPECT_TRUE(Caption(label).isEmpty()) << label;
    for (const QWidget* control : form.findChildren<QWidget*>()) {
        if (!control->objectName().isEmpty()) {
            EXPECT_TRUE(control->isEnabled() && control->isVisible())
                << qPrintable(control->objectName());
        }
    }
    // Qt would turn "&" into a keyboard mnemonic.
    for (const QPushButton* button : form.findChildren<QPushButton*>())
        EXPECT_FALSE(button->text().contains(u'&')) << qPrintable(button->text());
    for (const QGroupBox* frame : form.findChildren<QGroupBox*>())
        EXPECT_FALSE(frame->title().contains(u'&')) << qPrintable(frame->title());
    EXPECT_TRUE(Caption("Label5").contains(QStringLiteral("HAMLOG50.DLL")));
    EXPECT_TRUE(Caption("Label5").contains(QStringLiteral("THDLL2VB.DLL")));
    const QList<QSize> iconSizes = form.windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(16, 16)) && iconSizes.contains(QSize(32, 32)));
    EXPECT_TRUE(dialogs.Messages.isEmpty());
}

TEST_F(Form1Test, TabVisitsButtonsAndFilterBoxesInOrderAndEnterOrEscTriggerNothing)
{
    form.Form_Load();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));
    for (const char* next : {"Text1", "Text2", "Text3", "Command3", "Command4", "Command1"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QLatin1String(next));
    }
    for (const char* button : {"Command1", "Command4"}) {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(Child<QPushButton>(button), key);
    }
    EXPECT_TRUE(dialogs.FileRequests.empty());
    EXPECT_TRUE(dialogs.Messages.isEmpty()); // the run would have asked for a log
}

TEST_F(Form1Test, PlacesControlsByTheirTwipsAndKeepsThemThereOnResize)
{
    const QScreen* screen = form.screen();
    ASSERT_NE(screen, nullptr);
    const qreal dpiX = screen->logicalDotsPerInchX(), dpiY = screen->logicalDotsPerInchY();
    const auto rect = [&](int left, int top, int width, int height) {
        return QRect(qRound(left * dpiX / 1440), qRound(top * dpiY / 1440),
                     qRound(width * dpiX / 1440), qRound(height * dpiY / 1440));
    };
    struct Row {
        const char* name;
        const char* parent;
        QRect twips;
    };
    const Row rows[] = {
        {"Frame1", "", {240, 360, 6255, 1455}},        {"Label1", "Frame1", {360, 960, 5655, 255}},
        {"Command4", "", {6960, 360, 2055, 735}},      {"Text3", "Frame5", {240, 360, 2655, 375}},
        {"Label3", "Frame7", {240, 240, 1335, 375}},   {"Label5", "", {360, 4320, 8535, 255}},
    };
    if (dpiX == 96 && dpiY == 96) {
        EXPECT_EQ(form.size(), QSize(640, 324));
    }
    EXPECT_EQ(form.size(), rect(0, 0, 9600, 4860).size());

    form.Form_Load();
    form.resize(form.width() + 200, form.height() + 120);
    QCoreApplication::processEvents();
    for (const Row& row : rows) {
        const QWidget* control = Child<QWidget>(row.name);
        const QRect& t = row.twips;
        EXPECT_EQ(control->geometry(), rect(t.x(), t.y(), t.width(), t.height())) << row.name;
        EXPECT_EQ(control->parentWidget()->objectName(), QLatin1String(row.parent)) << row.name;
    }
}

TEST_F(Form1Test, FilterBoxesTakeDirectInputInAFixedJapaneseGothicFace)
{
    for (const char* name : {"Text1", "Text2", "Text3"}) {
        const QLineEdit* box = Child<QLineEdit>(name);
        EXPECT_FALSE(box->toolTip().isEmpty()) << name;
        EXPECT_FALSE(box->testAttribute(Qt::WA_InputMethodEnabled)) << name;
        EXPECT_EQ(box->font().families().value(0), QStringLiteral("ＭＳ ゴシック")) << name;
        EXPECT_EQ(box->font().pointSize(), 9) << name;
        // Without the named face, this platform's Japanese fixed Gothic draws.
        EXPECT_EQ(QFontInfo(box->font()).family(), QStringLiteral("IPAGothic")) << name;
    }
    for (const char* name : {"Label3", "Label4"}) {
        const QLabel* counter = Child<QLabel>(name);
        EXPECT_EQ(counter->font().families().value(0), QStringLiteral("ＭＳ Ｐゴシック")) << name;
        EXPECT_EQ(counter->font().pointSize(), 12) << name;
        EXPECT_EQ(QFontInfo(counter->font()).family(), QStringLiteral("IPAPGothic")) << name;
        EXPECT_EQ(QFontInfo(counter->font()).weight(), QFont::Normal) << name;
    }
}

TEST_F(Form1Test, FileDialogStartsAtTheChosenFileAndCancellingKeepsThePath)
{
    const QString chosen = dir.filePath(QStringLiteral("log & <b>/HAMLOG.HDB"));
    Click("Command1"); // cancelled
    dialogs.ChosenFile = chosen;
    Click("Command1");
    dialogs.ChosenFile.reset();
    Click("Command1"); // cancelled again

    EXPECT_EQ(Caption("Label1"), chosen);
    EXPECT_EQ(Child<QLabel>("Label1")->textFormat(), Qt::PlainText);
    ASSERT_EQ(dialogs.FileRequests.size(), 3u);
    const Dialogs::OpenFileRequest& request = dialogs.FileRequests[2];
    EXPECT_EQ(request.Title, QStringLiteral("HamLog ﾌｧｲﾙを定義します"));
    EXPECT_EQ(request.Filters, QStringList({QStringLiteral("Hamlog (*.HDB)"),
                                            QStringLiteral("Hamlog CSV (*.CSV)")}));
    EXPECT_TRUE(dialogs.FileRequests[0].InitialFile.isEmpty());
    EXPECT_EQ(request.InitialFile, chosen);
}

TEST_F(Form1Test, ARunCountsEveryRecordShowsTheNormalisedFilterAndHandsTheFileOff)
{
    ASSERT_EQ(form.Form_Load(), Form1::LoadOutcome::Ready);
    ChooseLog({Contact(QStringLiteral("JA1ABC/2")), Contact(QStringLiteral("JH1AAA")),
               Contact(QStringLiteral("JE3XYZ/5"), QStringLiteral("CW")),
               Contact(QStringLiteral("JR2QQQ/0"))});
    QLineEdit* mode = Child<QLineEdit>("Text3");
    mode->clear();
    QTest::keyClicks(mode, QStringLiteral(" ssb "));

    Click("Command4");

    EXPECT_EQ(mode->text(), QStringLiteral("SSB"));
    EXPECT_EQ(Caption("Label3"), QStringLiteral("5")); // one past the last record
    EXPECT_EQ(Caption("Label4"), QStringLiteral("2"));
    EXPECT_EQ(InputsEnabled(), std::vector<bool>({true, true, true, true, false}));
    EXPECT_EQ(dialogs.Questions, QStringList{QStringLiteral("HAMLOG からデータを読み出します")});
    EXPECT_EQ(sheet.Opened, QStringList{form.ExtractPath});
    const QByteArray extracted = ReadAll(form.ExtractPath);
    EXPECT_EQ(extracted.count("\r\n"), 3); // the header and two rows
    EXPECT_TRUE(extracted.contains("\"JA1ABC/2\",1,") && extracted.contains("\"JR2QQQ/0\",4,"));

    Click("Command4"); // one run per start of the program
    EXPECT_EQ(dialogs.Questions.size(), 1);
}

TEST_F(Form1Test, DecliningTheFirstReadLeavesEverythingEnabledAndHandsNothingOff)
{
    form.Form_Load();
    ChooseLog({Contact(QStringLiteral("JA1ABC/2"))});
    dialogs.Confirm = false;

    Click("Command4");

    EXPECT_EQ(dialogs.Questions.size(), 1);
    EXPECT_EQ(InputsEnabled(), std::vector<bool>(5, true));
    EXPECT_TRUE(sheet.Opened.isEmpty());
    EXPECT_TRUE(Caption("Label4").isEmpty());
}

TEST_F(Form1Test, CountersAreExactAtEveryMessageAndAtTheEndThoughRepaintsAreRare)
{
    form.Form_Load();
    std::vector<HdbContact> contacts(3000, Contact(QStringLiteral("JA1ABC/2")));
    contacts[699].Freq = QStringLiteral("0.1"); // names no band: a message at record 700
    contacts[2499].Freq = QStringLiteral("0.2");
    ChooseLog(contacts);
    QStringList seen;
    dialogs.WhileShown = [&] { seen << Caption("Label3") + u'/' + Caption("Label4"); };

    Click("Command4");

    EXPECT_EQ(seen, QStringList({"1/", "700/699", "2500/2499"}));
    EXPECT_EQ(Caption("Label3"), QStringLiteral("3001"));
    EXPECT_EQ(Caption("Label4"), QStringLiteral("3000"));
}

TEST_F(Form1Test, AFailedHandOffNamesTheFileAndTheRunEndsAsUsual)
{
    form.Form_Load();
    ChooseLog({Contact(QStringLiteral("JA1ABC/2"))});
    sheet.Answer = {false, QStringLiteral("soffice: not found")};

    Click("Command4");

    ASSERT_EQ(dialogs.Messages.size(), 1);
    EXPECT_TRUE(dialogs.Messages[0].contains(form.ExtractPath));
    EXPECT_TRUE(dialogs.Messages[0].contains(QStringLiteral("soffice: not found")));
    EXPECT_FALSE(dialogs.Messages[0].contains(u'\r'));
    EXPECT_EQ(InputsEnabled(), std::vector<bool>({true, true, true, true, false}));
}

TEST_F(Form1Test, StartUpEndsWithThreeLinesWhileTheLeftoverIsHeldOpen)
{
    const QString leftover = dir.filePath(QStringLiteral("KORVEX.tmp"));
    ASSERT_TRUE(WriteAll(leftover, "rows"));
    QFile held(leftover);
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    bool visibleBehind = false;
    dialogs.WhileShown = [&] { visibleBehind = form.isVisible(); };

    EXPECT_EQ(form.Form_Load(), Form1::LoadOutcome::MustEnd);
    EXPECT_EQ(dialogs.Messages, QStringList{QStringLiteral(
                                    "前回処理した Excel がまだ開かれています\n"
                                    "データが必要なら名前を付けて保存してください\n"
                                    "この KORVEX はその後に再起動してください")});
    EXPECT_TRUE(visibleBehind);
    EXPECT_EQ(ReadAll(leftover), QByteArray("rows"));
}

class Form1Leaving : public ::testing::TestWithParam<const char*> {};

// Exit ends the process, so it is watched from outside: a helper runs the
// window on a real log and leaves it mid-run.
TEST_P(Form1Leaving, DuringARunEndsTheProgramAtOnceWithoutHandOff)
{
    QTemporaryDir dir;
    std::vector<HdbContact> contacts(3000, Contact(QStringLiteral("JA1ABC/2")));
    contacts[99].Freq = QStringLiteral("0.1"); // the helper leaves at this record's message
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(dir.filePath(QStringLiteral("HAMLOG.HDB")), contacts));
    QProcess helper;
    helper.start(QStringLiteral(KORVEX_LEAVE_DURING_RUN), {QLatin1String(GetParam()), dir.path()});
    ASSERT_TRUE(helper.waitForFinished(60000));

    EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(helper.exitCode(), 0) << helper.readAllStandardError().constData();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("handoff.txt"))));
    // The run had begun: it creates the extraction file.
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("KORVEX.tmp"))));
}

INSTANTIATE_TEST_SUITE_P(ByExitOrByClosingTheWindow, Form1Leaving,
                         ::testing::Values("exit", "close"));
