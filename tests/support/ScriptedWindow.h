#pragma once

#include "RunWindow.h"

#include <QStringList>

#include <array>
#include <functional>

// A RunWindow that records what the run shows and answers confirmations from a script.
struct ScriptedWindow : RunWindow {
    QString Path;
    std::array<QString, 3> Texts{QStringLiteral("ALL"), QStringLiteral("ALL"),
                                 QStringLiteral("ALL")};
    std::array<bool, 5> Enabled{true, true, true, true, true};
    QStringList Messages, Questions;
    QStringList Events; // enable changes and hand-offs, in order
    bool ConfirmAnswer = true;
    std::function<void()> OnHandOff = [] {};

    QString Label1() const override { return Path; }
    void ShowMessage(const QString& text) override { Messages << text; }
    bool AskOkCancel(const QString& text) override
    {
        Questions << text;
        return ConfirmAnswer;
    }
    void ProcessEvents() override {}
    void SetEnabled(Control control, bool enabled) override
    {
        static const char* const Names[] = {"Frame1", "Frame3", "Frame4", "Frame5", "Command4"};
        Enabled[static_cast<int>(control)] = enabled;
        Events << QLatin1String(Names[static_cast<int>(control)]) + (enabled ? u'+' : u'-');
    }
    QString Text(FilterBox box) const override { return Texts[static_cast<int>(box)]; }
    void SetText(FilterBox box, const QString& t) override { Texts[static_cast<int>(box)] = t; }
    void SetCount(Counter, qint32) override {}
    void OpenInSpreadsheet() override
    {
        Events << QStringLiteral("handoff");
        OnHandOff();
    }

    qsizetype HandOffs() const { return Events.count(QStringLiteral("handoff")); }
    bool AllEnabled() const { return Enabled == decltype(Enabled){true, true, true, true, true}; }
};
