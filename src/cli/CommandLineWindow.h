#pragma once

#include "RunWindow.h"

#include <array>
#include <functional>

// The run's window, answered on a terminal: messages go to standard error, the
// first-read confirmation is taken as given, and there is nothing to repaint.
class CommandLineWindow final : public RunWindow {
public:
    CommandLineWindow(QString logPath, std::array<QString, 3> filterTexts);

    QString Label1() const override { return logPath_; }
    void ShowMessage(const QString& text) override;
    bool AskOkCancel(const QString&) override { return true; }
    void ProcessEvents() override {}
    void SetEnabled(Control, bool) override {}
    QString Text(FilterBox box) const override { return texts_[static_cast<int>(box)]; }
    void SetText(FilterBox box, const QString& text) override
    {
        texts_[static_cast<int>(box)] = text;
    }
    void SetCount(Counter, qint32) override {}
    void OpenInSpreadsheet() override;

    // Called for the hand-off; returns false when it failed (and has said why).
    std::function<bool()> HandOff;
    bool HandOffFailed() const { return handOffFailed_; }

private:
    QString logPath_;
    std::array<QString, 3> texts_;
    bool handOffFailed_ = false;
};
