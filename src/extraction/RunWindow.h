#pragma once

#include "ReaderWindow.h"

// Everything the extraction run asks of the window: the window and the command
// line both implement it, and tests answer it directly.
class RunWindow : public ReaderWindow {
public:
    enum class Control { Frame1, Frame3, Frame4, Frame5, Command4 };
    enum class FilterBox { Text1, Text2, Text3 }; // Rcv, Band, Mode
    enum class Counter { Label3, Label4 };        // records read, rows selected

    virtual void SetEnabled(Control control, bool enabled) = 0;
    virtual QString Text(FilterBox box) const = 0;
    virtual void SetText(FilterBox box, const QString& text) = 0;
    // The caption becomes `value` in decimal digits.
    virtual void SetCount(Counter counter, qint32 value) = 0;
    // The caption becomes empty again, as before any run; where counters are
    // not shown there is nothing to do.
    virtual void ClearCount(Counter /*counter*/) {}
    // Opens the closed extraction file for the user; reports its own failures.
    virtual void OpenInSpreadsheet() = 0;
};
