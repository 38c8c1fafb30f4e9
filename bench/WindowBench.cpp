// korvex-bench-window: the window's own Extract run on LOG, timed from the click
// to the end of the run. The confirmation is answered with OK and the hand-off
// is skipped, so only the run is measured. Prints the run's seconds.

#include "Dialogs.h"
#include "Form1.h"
#include "LogFileSource.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

class AnsweringDialogs final : public Dialogs {
public:
    explicit AnsweringDialogs(QString log) : log_(std::move(log)) {}
    void Message(QWidget*, const QString& text) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    bool OkCancel(QWidget*, const QString&) override { return true; }
    std::optional<QString> OpenFile(QWidget*, const OpenFileRequest&) override { return log_; }

private:
    QString log_;
};

class NoSpreadsheet final : public Spreadsheet {
public:
    Result Open(const QString&) override { return {true, {}}; }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: korvex-bench-window LOG\n", stderr);
        return 2;
    }
    QTemporaryDir folder; // the extraction file goes here
    LogFileSource source;
    NoSpreadsheet spreadsheet;
    AnsweringDialogs dialogs(QString::fromLocal8Bit(argv[1]));
    Form1 form(source, spreadsheet, dialogs, folder.path(), folder.path());
    if (form.Form_Load() != Form1::LoadOutcome::Ready)
        return 1;
    form.Command1_Click();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    form.Command4_Click();
    std::printf("%.4f\n", timer.nsecsElapsed() / 1e9);
    return 0;
}
