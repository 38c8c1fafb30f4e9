#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// The window program's command line, dealt with before any window exists:
// help and version, bad usage, a log file to start with, and whether there is
// a display to open the window on.
class WindowCommandLine {
    Q_DECLARE_TR_FUNCTIONS(WindowCommandLine)

public:
    struct Outcome {
        std::optional<int> ExitStatus; // set: end now with it, having said why
        QString Log;                   // the absolute path of the log given, or empty
        bool PlatformChosen = false;   // -platform: Qt is told which window system
    };

    // Parses `arguments` (program name first). Prints help or version on
    // standard output, and a problem on standard error.
    static Outcome Parse(const QStringList& arguments);

    // Tells why no window can be opened from this environment, or nothing
    // when a display (or a chosen platform) is there to try.
    static std::optional<QString> NoDisplay();

    // The one line for a window system that refused the connection.
    static QString CannotOpenWindow(const QString& reason);
};
