#pragma once

#include <QString>

// The extraction file an earlier start of the program left behind. It goes
// without a word unless the spreadsheet application still shows it; then it is
// left alone so the user can still save the data.
class LeftoverExtraction {
public:
    // Removes the file at `path` and LibreOffice's lock file beside it when no
    // process holds the file. False when the file is held open, cannot be read,
    // or cannot be removed; nothing is touched then.
    static bool Clear(const QString& path);

    // The lock file LibreOffice keeps beside a document it shows. It stays behind
    // when LibreOffice ends abnormally, so it is no sign that the file is held.
    static QString LockFilePath(const QString& path);
};
