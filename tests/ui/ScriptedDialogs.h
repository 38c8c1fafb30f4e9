#pragma once

#include "Dialogs.h"

#include <QStringList>

#include <functional>
#include <vector>

// Answers the window's dialogs from a script and records what they showed.
class ScriptedDialogs final : public Dialogs {
public:
    QStringList Messages;
    QStringList Questions;
    bool Confirm = true;
    std::vector<OpenFileRequest> FileRequests;
    std::optional<QString> ChosenFile; // nothing: the dialog is cancelled
    // Runs while a message or question is up, to look at the window behind it.
    std::function<void()> WhileShown;

    void Message(QWidget*, const QString& text) override
    {
        Messages << text;
        if (WhileShown)
            WhileShown();
    }
    bool OkCancel(QWidget*, const QString& text) override
    {
        Questions << text;
        if (WhileShown)
            WhileShown();
        return Confirm;
    }
    std::optional<QString> OpenFile(QWidget*, const OpenFileRequest& request) override
    {
        FileRequests.push_back(request);
        return ChosenFile;
    }
};
