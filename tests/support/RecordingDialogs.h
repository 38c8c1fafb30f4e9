#pragma once

#include "Dialogs.h"
#include "Spreadsheet.h"

#include <functional>
#include <vector>

// The window's dialogs answered at once, with what they showed kept.
struct RecordingDialogs final : Dialogs {
    QStringList Messages, Questions;
    std::vector<OpenFileRequest> FileRequests;
    std::function<void()> WhileAsked = [] {}; // runs while the confirmation is shown

    void Message(QWidget*, const QString& text) override { Messages << text; }
    bool OkCancel(QWidget*, const QString& text) override
    {
        Questions << text;
        WhileAsked();
        return true;
    }
    std::optional<QString> OpenFile(QWidget*, const OpenFileRequest& request) override
    {
        FileRequests.push_back(request);
        return std::nullopt;
    }
};

// A spreadsheet that is never started.
struct IdleSpreadsheet final : Spreadsheet {
    Result Open(const QString&) override { return {true, {}}; }
};
