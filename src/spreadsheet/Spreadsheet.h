#pragma once

#include <QString>

// The spreadsheet application that shows the extraction file to the user. The
// run does not know which application stands behind it.
class Spreadsheet {
public:
    struct Result {
        bool Started = false;
        QString Error; // the system's reason when not started
    };

    virtual ~Spreadsheet() = default;

    // Opens the closed extraction file at `path` in a separate, visible
    // application window with the extraction file's fixed column types, and
    // returns without waiting for the application.
    virtual Result Open(const QString& path) = 0;
};
