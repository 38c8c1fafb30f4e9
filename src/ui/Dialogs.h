#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// The window's modal conversations with the user, behind one seam: the window
// shows them through the toolkit, and tests answer them from a script so that
// nothing waits for a person.
class Dialogs {
public:
    struct OpenFileRequest {
        QString Title;
        // Entries such as "Hamlog (*.HDB)": a label with its name pattern, which
        // matches in any case.
        QStringList Filters;
        QString InitialFile; // the dialog starts here; may be empty
        QStringList Places = {}; // folders offered in the dialog's side bar
    };

    virtual ~Dialogs() = default;

    // A modal message with an OK button.
    virtual void Message(QWidget* parent, const QString& text) = 0;
    // A modal question with OK and Cancel; true for OK.
    virtual bool OkCancel(QWidget* parent, const QString& text) = 0;
    // The full path of an existing file the user chose, or nothing when cancelled.
    virtual std::optional<QString> OpenFile(QWidget* parent, const OpenFileRequest& request) = 0;
};
