#pragma once

#include <QString>

// Where the extraction file lives: beside the program, as the program has always
// kept it, unless the program sits in a folder the user cannot write to (an
// installed copy in /usr/bin); then in the user's own data folder.
class ExtractLocation {
public:
    static inline const QString FileName = QStringLiteral("KORVEX.tmp");

    // The folder, one "/", and the file name.
    static QString InFolder(const QString& folder);

    // The extraction file's path for this start of the program. `dataFolder` is
    // created when it is needed and missing.
    static QString Choose(const QString& programFolder, const QString& dataFolder);

    // True when a new file can be created in `folder`: tried, not guessed from
    // permission bits, which say nothing for root or a read-only mount.
    static bool CanCreateFilesIn(const QString& folder);
};
