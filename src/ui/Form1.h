#pragma once

#include "Dialogs.h"
#include "EventPacer.h"
#include "Form1Controls.h"
#include "LogReader.h"
#include "RunWindow.h"
#include "Spreadsheet.h"

#include <QWidget>

#include <array>

// The program's only window: it gathers the log file and the filters, starts
// the extraction run, and shows what the run reports. The run itself, the log
// reader and the spreadsheet hand-off live in the core libraries.
class Form1 final : public QWidget, public RunWindow {
public:
    enum class LoadOutcome { Ready, MustEnd };

    // `dataFolder` takes the extraction file when the program's folder is not
    // writable.
    Form1(RecordSource& source, Spreadsheet& spreadsheet, Dialogs& dialogs,
          const QString& programFolder, QString dataFolder);

    // Start-up: fixes ExtractPath, shows the window and clears a leftover
    // extraction file. MustEnd when that file is still held open; the user has
    // been told, and the program should end.
    LoadOutcome Form_Load();
    void Command1_Click(); // choose the log file
    void Command3_Click(); // Exit: ends the program at once
    void Command4_Click(); // the extraction run
    // Takes `path` as the chosen log file, as the file dialog does: the log
    // given on the command line, or a file dropped on the window.
    void ChooseLogFile(const QString& path);

    // The extraction file's full path, fixed by Form_Load.
    QString ExtractPath;

    // RunWindow
    QString Label1() const override;
    void ShowMessage(const QString& text) override;
    bool AskOkCancel(const QString& text) override;
    void ProcessEvents() override;
    void SetEnabled(Control control, bool enabled) override;
    QString Text(FilterBox box) const override;
    void SetText(FilterBox box, const QString& text) override;
    void SetCount(Counter counter, qint32 value) override;
    void ClearCount(Counter counter) override;
    void OpenInSpreadsheet() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Ends the process on the spot: no hand-off, nothing saved or cleaned up.
    [[noreturn]] static void EndProgram();
    // Puts the latest counts on screen; a run repaints them only now and then.
    void ShowCounts();
    QLabel* CounterLabel(std::size_t counter) const;

    Dialogs& dialogs_;
    Spreadsheet& spreadsheet_;
    QString dataFolder_;
    QString programFolder_;
    Form1Controls ui_;
    std::array<QLineEdit*, 3> filterBoxes_;
    // What the filter boxes hold, kept as they change: the run reads them three
    // times a record, and a shared copy is cheaper than asking the box.
    std::array<QString, 3> filterTexts_;
    LogReader reader_;
    EventPacer pacer_;
    std::array<qint32, 2> counts_{};
    std::array<bool, 2> countsPending_{};
    bool running_ = false;
};
