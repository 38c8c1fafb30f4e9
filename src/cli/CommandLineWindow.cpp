#include "CommandLineWindow.h"

#include "PathBytes.h"

#include <cstdio>

CommandLineWindow::CommandLineWindow(QString logPath, std::array<QString, 3> filterTexts)
    : logPath_(std::move(logPath)), texts_(std::move(filterTexts))
{
}

void CommandLineWindow::ShowMessage(const QString& text)
{
    // A file name goes out as the bytes it came in as.
    std::fputs(PathBytes::Encode(text).constData(), stderr);
    std::fputc('\n', stderr);
}

void CommandLineWindow::OpenInSpreadsheet()
{
    if (HandOff && !HandOff())
        handOffFailed_ = true;
}
