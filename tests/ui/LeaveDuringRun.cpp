// Helper for the Exit tests: runs an extraction in the real window on the log in
// FOLDER and leaves mid-run, by the Exit button ("exit") or by closing the
// window ("close"). Ending with status 0 can only come from the window itself:
// a run that finishes returns 3. Hand-offs are recorded in FOLDER/handoff.txt.

#include "Form1.h"
#include "HdbRecordSource.h"
#include "RecordingSpreadsheet.h"
#include "ScriptedDialogs.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <functional>

namespace {

// The log, slowed down once the run is under way, so that the window gets its
// turn long before the end; at record 100 the user leaves.
class SlowSource final : public RecordSource {
public:
    std::function<void()> Leave;

    int HamlogOpen(const QString& path) override { return log_.HamlogOpen(path); }
    int THW_read(qint32 recordNo) override
    {
        if (recordNo == 100)
            QTimer::singleShot(0, Leave);
        if (recordNo >= 100)
            QThread::msleep(1);
        return log_.THW_read(recordNo);
    }
    void ThwString(char* buffer, qint16 field) override { log_.ThwString(buffer, field); }
    void HamlogClose() override { log_.HamlogClose(); }

private:
    HdbRecordSource log_;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        return 2;
    const QString folder = args[2];

    SlowSource source;
    RecordingSpreadsheet sheet;
    sheet.RecordFile = folder + QStringLiteral("/handoff.txt");
    ScriptedDialogs dialogs;
    dialogs.ChosenFile = folder + QStringLiteral("/HAMLOG.HDB");
    Form1 form(source, sheet, dialogs, folder, folder + QStringLiteral("/data"));
    if (form.Form_Load() != Form1::LoadOutcome::Ready)
        return 2;

    auto* exit = form.findChild<QPushButton*>(QStringLiteral("Command3"));
    source.Leave = [&] {
        if (args[1] == u"close")
            form.close();
        else
            QTest::mouseClick(exit, Qt::LeftButton);
    };
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command4")), Qt::LeftButton);
    return 3;
}
