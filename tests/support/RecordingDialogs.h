#pragma once

#include "Dialogs.h"
#include "Spreadsheet.h"

#include <functional>
#include <vector>

// The window's dialogs answered at once from a script, with what they showed kept.
struct RecordingDialogs final : Dialogs {
    QStringList Messages, Questions;
    std::vector<OpenFileRequest> FileRequests;
    bool Confirm = true;
    std::optional<QString> ChosenFile;       // nothing: the file dialog is cancelled
    std::function<void()> WhileAsked = [] {}; // runs while the confirmation is shown
    std::function<void()> WhileShown = [] {}; // runs while a message is shown

    void Message(QWidget*, const QString& text) override
    {
        Messages << text;
        WhileShown();
    }
    bool OkCancel(QWidget*, const QString& text) override
    {
        Questions << text;
        WhileAsked();
        return Confirm;
    }
    std::optional<QString> OpenFile(QWidget*, const OpenFileRequest& request) override
    {
        FileRequests.push_back(request);
        return ChosenFile;
    }
};

// A spreadsheet that is never started.
struct IdleSpreadsheet final : Spreadsheet {
    Result Open(const QString&) override { return {true, {}}; }
};
