// A log reaches the window from outside the file dialog: named on the command
// line, or dropped from a file manager. Either way it is chosen as the dialog
// chooses it, and like the dialog's button, not during a run.

#include "Form1.h"
#include "HdbFixtureWriter.h"
#include "HdbRecordSource.h"
#include "RecordingDialogs.h"
#include "WindowCommandLine.h"

#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class Form1DropTest : public ::testing::Test {
protected:
    Form1DropTest()
    {
        EXPECT_TRUE(HdbFixtureWriter().WriteFile(log, {{.Call = u"JA1ABC/2"_s}}));
        form.Form_Load();
    }
    ~Form1DropTest() override { QDir::setCurrent(startFolder); }

    QString Label1() { return form.findChild<QLabel*>(u"Label1"_s)->text(); }
    // A drag from a file manager carrying `urls`; true when the window took it.
    bool Drop(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPointF centre = QRectF(form.rect()).center();
        QDragEnterEvent enter(centre.toPoint(), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &enter);
        QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &drop);
        return enter.isAccepted() && drop.isAccepted();
    }

    QString startFolder = QDir::currentPath();
    QTemporaryDir dir;
    QString log = dir.filePath(u"HAMLOG.HDB"_s);
    HdbRecordSource source;
    IdleSpreadsheet sheet;
    RecordingDialogs dialogs;
    Form1 form{source, sheet, dialogs, dir.path(), dir.filePath(u"data"_s)};
};

} // namespace

TEST_F(Form1DropTest, ALogOnTheCommandLineIsChosenWithItsFullPath)
{
    QDir::setCurrent(dir.path());
    const WindowCommandLine::Outcome given =
        WindowCommandLine::Parse({u"korvex"_s, u"./HAMLOG.HDB"_s});
    ASSERT_FALSE(given.ExitStatus);
    form.ChooseLogFile(given.Log);
    EXPECT_EQ(Label1(), log);
    EXPECT_FALSE(WindowCommandLine::Parse({u"korvex"_s}).ExitStatus) << "the log is optional";
    // Qt's own options are the application's, and leave the log alone.
    const WindowCommandLine::Outcome styled = WindowCommandLine::Parse(
        {u"korvex"_s, u"-style"_s, u"Fusion"_s, u"HAMLOG.HDB"_s, u"-reverse"_s});
    EXPECT_FALSE(styled.ExitStatus);
    EXPECT_EQ(styled.Log, log);
}

TEST_F(Form1DropTest, ADroppedLogIsChosenAndTheRunReadsIt)
{
    EXPECT_FALSE(Drop({QUrl::fromLocalFile(dir.path())})) << "a folder";
    EXPECT_FALSE(Drop({QUrl::fromLocalFile(log), QUrl::fromLocalFile(log)})) << "two files";
    EXPECT_FALSE(Drop({QUrl(u"https://example.org/HAMLOG.HDB"_s)})) << "not a local file";
    EXPECT_FALSE(Drop({QUrl::fromLocalFile(dir.filePath(u"gone.hdb"_s))})) << "a missing file";
    EXPECT_TRUE(Label1().isEmpty());

    ASSERT_TRUE(Drop({QUrl::fromLocalFile(log)}));
    EXPECT_EQ(Label1(), log);
    EXPECT_TRUE(dialogs.Messages.isEmpty()) << "nothing else happens";

    // During the run the path stays as the run took it.
    const QString other = dir.filePath(u"OTHER.HDB"_s);
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(other, {}));
    bool droppedDuringRun = true;
    dialogs.WhileAsked = [&] { droppedDuringRun = Drop({QUrl::fromLocalFile(other)}); };
    form.Command4_Click();
    EXPECT_FALSE(droppedDuringRun);
    EXPECT_EQ(Label1(), log);
    EXPECT_EQ(dialogs.Questions.size(), 1) << "the run started with the dropped log";
}
