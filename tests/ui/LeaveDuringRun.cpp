// Helper for the Exit tests: runs an extraction in the real window on the log in
// FOLDER and leaves at the run's first message, by the Exit button ("exit") or
// by closing the window ("close"). Status 0 can only come from the window ending
// the process: a run that finishes returns 3. Hand-offs go to FOLDER/handoff.txt.

#include "Form1.h"
#include "HdbRecordSource.h"
#include "RecordingSpreadsheet.h"
#include "ScriptedDialogs.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        return 2;
    const QString folder = args[2];
    HdbRecordSource source;
    RecordingSpreadsheet sheet;
    sheet.RecordFile = folder + QStringLiteral("/handoff.txt");
    ScriptedDialogs dialogs;
    dialogs.ChosenFile = folder + QStringLiteral("/HAMLOG.HDB");
    Form1 form(source, sheet, dialogs, folder, folder + QStringLiteral("/data"));
    if (form.Form_Load() != Form1::LoadOutcome::Ready)
        return 2;

    const auto button = [&](const char* name) {
        return form.findChild<QPushButton*>(QLatin1String(name));
    };
    dialogs.WhileShown = [&] {
        if (dialogs.Messages.isEmpty())
            return; // the first-read question
        // The user leaves while the run goes on; the pause lets the window's turn come.
        QTimer::singleShot(0, [&] {
            if (args[1] == u"close")
                form.close();
            else
                QTest::mouseClick(button("Command3"), Qt::LeftButton);
        });
        QThread::msleep(50);
    };
    QTest::mouseClick(button("Command1"), Qt::LeftButton);
    QTest::mouseClick(button("Command4"), Qt::LeftButton);
    return 3;
}
