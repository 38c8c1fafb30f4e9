#include "CsvFixtureWriter.h"
#include "Form1.h"
#include "HdbFixtureWriter.h"
#include "LogFileSource.h"
#include "RecordingDialogs.h"
#include "TestFiles.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct RecordingSpreadsheet final : Spreadsheet {
    QStringList Opened;
    Result Answer{true, {}};
    std::function<void()> WhenOpened = [] {};
    Result Open(const QString& path) override
    {
        Opened << path;
        WhenOpened();
        return Answer;
    }
};

class Form1Test : public ::testing::Test {
protected:
    ~Form1Test() override { QDir::setCurrent(startFolder); }

    template <typename Control = QWidget>
    Control* Child(const char* name)
    {
        auto* control = form.findChild<Control*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QString Caption(const char* label) { return Child<QLabel>(label)->text(); }
    void Click(const char* button)
    {
        QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton);
    }
    void ChooseLog(const std::vector<HdbContact>& contacts)
    {
        dialogs.ChosenFile = dir.filePath(u"HAMLOG.HDB"_s);
        ASSERT_TRUE(HdbFixtureWriter().WriteFile(*dialogs.ChosenFile, contacts));
        Click("Command1");
    }
    std::vector<bool> InputsEnabled()
    {
        std::vector<bool> enabled;
        for (const char* name : {"Frame1", "Frame3", "Frame4", "Frame5", "Command4"})
            enabled.push_back(Child(name)->isEnabled());
        return enabled;
    }
    // Leaves at the run's first message, by the Exit button or by closing the
    // window. A hand-off would end the process with status 4.
    void LeaveDuringARun(bool byClosing)
    {
        form.Form_Load();
        std::vector<HdbContact> contacts(3000, {.Call = u"JA1ABC/2"_s});
        contacts[99].Freq = u"0.1"_s;
        ChooseLog(contacts);
        sheet.WhenOpened = [] { std::_Exit(4); };
        dialogs.WhileShown = [&] {
            // The user leaves while the run goes on; the pause lets the window's turn come.
            QTimer::singleShot(0, &form, [&] {
                byClosing ? void(form.close()) : Click("Command3");
            });
            QThread::msleep(50);
        };
        Click("Command4");
    }

    QString startFolder = QDir::currentPath();
    QTemporaryDir dir;
    LogFileSource source;
    RecordingSpreadsheet sheet;
    RecordingDialogs dialogs;
    Form1 form{source, sheet, dialogs, dir.path(), dir.filePath(u"data"_s)};
};

} // namespace

TEST_F(Form1Test, StartsWithTheFiltersOffAndEverythingEnabled)
{
    ASSERT_EQ(form.Form_Load(), Form1::LoadOutcome::Ready);
    EXPECT_EQ(form.ExtractPath, dir.filePath(u"KORVEX.tmp"_s));
    for (const char* label : {"Label1", "Label3", "Label4"})
        EXPECT_TRUE(Caption(label).isEmpty()) << label;
    for (const QWidget* control : form.findChildren<QWidget*>()) {
        if (!control->objectName().isEmpty()) {
            EXPECT_TRUE(control->isEnabled() && control->isVisible())
                << qPrintable(control->objectName());
        }
    }
    // Filters are typed directly, in a fixed Japanese Gothic face where one is installed.
    for (const char* box : {"Text1", "Text2", "Text3"}) {
        EXPECT_FALSE(Child(box)->testAttribute(Qt::WA_InputMethodEnabled)) << box;
        EXPECT_EQ(QFontInfo(Child(box)->font()).family(), u"IPAGothic"_s) << box;
    }
    const QList<QSize> iconSizes = form.windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(16, 16)) && iconSizes.contains(QSize(32, 32)));
    // Enter on a button triggers nothing: the run would have asked for a log.
    for (const char* button : {"Command1", "Command4"}) {
        QTest::keyClick(Child(button), Qt::Key_Return);
        QTest::keyClick(Child(button), Qt::Key_Enter);
    }
    EXPECT_TRUE(dialogs.FileRequests.empty() && dialogs.Messages.isEmpty());
}

TEST_F(Form1Test, ARunKeepsTheWindowCurrentAndHandsTheFileOff)
{
    ASSERT_EQ(form.Form_Load(), Form1::LoadOutcome::Ready);
    std::vector<HdbContact> contacts(3000, {.Call = u"JA1ABC/2"_s});
    contacts[1].Call = u"JH1AAA"_s;
    contacts[2].Mode = u"CW"_s;
    contacts[699].Freq = u"0.1"_s; // names no band: a message at record 700
    contacts[2499].Freq = u"0.2"_s;
    ChooseLog(contacts);
    dialogs.ChosenFile.reset();
    Click("Command1"); // cancelled: the path stays, shown as it is
    EXPECT_EQ(Caption("Label1"), dir.filePath(u"HAMLOG.HDB"_s));
    EXPECT_EQ(Child<QLabel>("Label1")->textFormat(), Qt::PlainText);
    EXPECT_EQ(dialogs.FileRequests.back().InitialFile, Caption("Label1"));
    const QString filters = dialogs.FileRequests.back().Filters.join(u' ');
    EXPECT_TRUE(filters.contains(u"(*.HDB)") && filters.contains(u"(*.CSV)") &&
                filters.contains(u"ADIF (*.adi *.adif)"));
    EXPECT_TRUE(dialogs.FileRequests.back().Filters.front().contains(u"(*.HDB)"));
    QLineEdit* mode = Child<QLineEdit>("Text3");
    mode->clear();
    QTest::keyClicks(mode, u" ssb "_s);
    // Counters are exact whenever the user sees them, though repaints are rare.
    QStringList seen;
    dialogs.WhileAsked = dialogs.WhileShown = [&] {
        seen << Caption("Label3") + u'/' + Caption("Label4");
    };
    dialogs.Confirm = false; // declining the first read changes nothing
    Click("Command4");
    EXPECT_EQ(InputsEnabled(), std::vector<bool>(5, true));
    EXPECT_TRUE(sheet.Opened.isEmpty());

    dialogs.Confirm = true;
    sheet.Answer = {false, u"soffice: not found"_s};
    Click("Command4");

    EXPECT_EQ(mode->text(), u"SSB"_s);
    EXPECT_EQ(seen, QStringList({"1/", "1/", "700/697", "2500/2497", "3001/2998"}));
    EXPECT_EQ(ReadAll(form.ExtractPath).count("\r\n"), 2999); // the header and the rows
    EXPECT_EQ(InputsEnabled(), std::vector<bool>({true, true, true, true, false}));
    EXPECT_EQ(sheet.Opened, QStringList{form.ExtractPath});
    // A failed hand-off gives the reason, and the file kept on a line of its own.
    EXPECT_TRUE(dialogs.Messages.last().contains(u"soffice: not found\n"));
    EXPECT_TRUE(dialogs.Messages.last().endsWith(u'\n' + form.ExtractPath));
}

TEST_F(Form1Test, AMalformedCsvLogEndsTheRunAsOneThatDidNotOpenWhateverItsSize)
{
    // A small file is checked when opened, a large one as it is read: the
    // user sees the same either way, though the large one's run began.
    std::vector<HdbContact> contacts(60000, {.Call = u"JA1ABC/2"_s});
    const QByteArray fault = "\"JA1ZZZ/2,24/01/01\r\n";
    // Large, once with rows written before the fault is found, once with a
    // message that would come early in the run.
    for (const auto& [count, early] :
         {std::pair{20, true}, std::pair{60000, false}, std::pair{60000, true}}) {
        SCOPED_TRACE(testing::Message() << count << (early ? " with a message early" : ""));
        contacts[9].Freq = early ? u"0.1"_s : u"7.050"_s;
        Form1 window{source, sheet, dialogs, dir.path(), dir.filePath(u"data"_s)};
        ASSERT_EQ(window.Form_Load(), Form1::LoadOutcome::Ready);
        dialogs.ChosenFile = dir.filePath(u"HAMLOG.CSV"_s);
        ASSERT_TRUE(WriteAll(*dialogs.ChosenFile,
                             CsvFixtureWriter().File({contacts.begin(), contacts.begin() + count}) +
                                 fault));
        QTest::mouseClick(window.findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        QStringList seen;
        dialogs.Messages.clear();
        dialogs.WhileAsked = dialogs.WhileShown = [&] {
            seen << window.findChild<QLabel*>(u"Label3"_s)->text() + u'/' +
                        window.findChild<QLabel*>(u"Label4"_s)->text();
        };
        sheet.Opened.clear();
        QTest::mouseClick(window.findChild<QPushButton*>(u"Command4"_s), Qt::LeftButton);
        EXPECT_EQ(dialogs.Messages, QStringList{u"HAMLOG Open 失敗"_s});
        EXPECT_EQ(seen, QStringList({"1/", "1/"}));
        EXPECT_EQ(ReadAll(window.ExtractPath).count("\r\n"), 1); // the header alone, handed off
        EXPECT_EQ(sheet.Opened, QStringList{window.ExtractPath});
    }
}

TEST_F(Form1Test, LeavingDuringARunEndsTheProgramAtOnceWithoutHandOff)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(LeaveDuringARun(false), ::testing::ExitedWithCode(0), "") << "by Exit";
    EXPECT_EXIT(LeaveDuringARun(true), ::testing::ExitedWithCode(0), "") << "by closing";
}

TEST_F(Form1Test, AFileWhoseNameIsNotUtf8IsStillTheOneRead)
{
    ASSERT_EQ(form.Form_Load(), Form1::LoadOutcome::Ready);
    // ハム.HDB in Shift-JIS: the dialog can only show it with U+FFFD in it.
    const QByteArray name = QFile::encodeName(dir.path()) + "/\x83\x6E\x83\x80.HDB";
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(dir.filePath(u"log"_s), {{.Call = u"JA1ABC/2"_s}}));
    ASSERT_EQ(::rename(QFile::encodeName(dir.filePath(u"log"_s)).constData(), name.constData()), 0);
    dialogs.ChosenFile = QFile::decodeName(name);
    Click("Command1");
    Click("Command4");
    EXPECT_TRUE(dialogs.Messages.isEmpty()) << qPrintable(dialogs.Messages.join(u'|'));
    EXPECT_EQ(ReadAll(form.ExtractPath).count("\r\n"), 2); // the header and the contact
    ::unlink(name.constData());                            // QTemporaryDir cannot remove it
}

TEST_F(Form1Test, TheFileDialogStartsAtALogInAWinePrefixUntilALogIsChosen)
{
    const QString prefix = dir.filePath(u"prefix"_s);
    const QString hamlog = prefix + u"/drive_c/Hamlog"_s;
    ASSERT_TRUE(QDir().mkpath(hamlog));
    ASSERT_TRUE(WriteAll(hamlog + u"/Hamlog.hdb"_s, HdbFixtureWriter().File({})));
    const QByteArray before = qgetenv("WINEPREFIX");
    qputenv("WINEPREFIX", QFile::encodeName(prefix));
    form.Form_Load();
    Click("Command1"); // cancelled
    dialogs.ChosenFile = dir.filePath(u"HAMLOG.HDB"_s);
    Click("Command1");
    Click("Command1");
    before.isNull() ? qunsetenv("WINEPREFIX") : qputenv("WINEPREFIX", before);

    ASSERT_EQ(dialogs.FileRequests.size(), 3u);
    EXPECT_EQ(dialogs.FileRequests[0].InitialFile, hamlog + u"/Hamlog.hdb"_s);
    EXPECT_TRUE(dialogs.FileRequests[0].Places.contains(prefix + u"/drive_c"_s));
    EXPECT_EQ(dialogs.FileRequests[2].InitialFile, *dialogs.ChosenFile)
        << "the chosen log, once there is one";
}
