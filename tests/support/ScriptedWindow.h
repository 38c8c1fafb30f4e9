#pragma once

#include "RunWindow.h"

#include <QStringList>

#include <array>
#include <functional>

// A RunWindow that records what the run shows and answers confirmations from a script.
class ScriptedWindow : public RunWindow {
public:
    QString Path;
    std::array<QString, 3> Texts{QStringLiteral("ALL"), QStringLiteral("ALL"),
                                 QStringLiteral("ALL")};
    std::array<bool, 5> Enabled{true, true, true, true, true};
    std::array<QString, 2> Counts;
    QStringList Messages;
    QStringList Questions;
    bool ConfirmAnswer = true;
    int HandOffs = 0;
    int EventPasses = 0;
    QStringList Events; // enable changes and hand-offs, in order
    std::function<void()> OnProcessEvents;

    QString Label1() const override { return Path; }
    void ShowMessage(const QString& text) override { Messages << text; }
    bool AskOkCancel(const QString& text) override
    {
        Questions << text;
        return ConfirmAnswer;
    }
    void ProcessEvents() override
    {
        ++EventPasses;
        if (OnProcessEvents)
            OnProcessEvents();
    }
    void SetEnabled(Control control, bool enabled) override
    {
        Enabled[static_cast<int>(control)] = enabled;
        static const char* const Names[] = {"Frame1", "Frame3", "Frame4", "Frame5", "Command4"};
        Events << QString::fromLatin1(Names[static_cast<int>(control)]) +
                      (enabled ? QStringLiteral("+") : QStringLiteral("-"));
    }
    QString Text(FilterBox box) const override { return Texts[static_cast<int>(box)]; }
    void SetText(FilterBox box, const QString& text) override
    {
        Texts[static_cast<int>(box)] = text;
    }
    void SetCount(Counter counter, qint32 value) override
    {
        Counts[static_cast<int>(counter)] = QString::number(value);
    }
    void OpenInSpreadsheet() override
    {
        ++HandOffs;
        Events << QStringLiteral("handoff");
    }

    bool AllEnabled() const
    {
        return std::all_of(Enabled.begin(), Enabled.end(), [](bool e) { return e; });
    }
};
