#include "CommandLineWindow.h"

#include <cstdio>

CommandLineWindow::CommandLineWindow(QString logPath, std::array<QString, 3> filterTexts)
    : logPath_(std::move(logPath)), texts_(std::move(filterTexts))
{
}

void CommandLineWindow::ShowMessage(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}

void CommandLineWindow::OpenInSpreadsheet()
{
    if (HandOff && !HandOff())
        handOffFailed_ = true;
}
