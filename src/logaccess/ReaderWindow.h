#pragma once

#include <QString>

// What the log reader needs of the window. The extraction run's window interface
// extends it, so the window and the command line implement one interface.
class ReaderWindow {
public:
    virtual ~ReaderWindow() = default;

    // The chosen log-file path, the caption of Label1.
    virtual QString Label1() const = 0;
    // A modal message with an OK button.
    virtual void ShowMessage(const QString& text) = 0;
    // A modal question with OK and Cancel; true for OK.
    virtual bool AskOkCancel(const QString& text) = 0;
    // Lets the window handle what is pending (repaints, Exit).
    virtual void ProcessEvents() = 0;
};
