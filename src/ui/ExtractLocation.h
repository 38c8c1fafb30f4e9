#pragma once

#include <QString>

// Where the extraction file lives: beside the program, as the program has always
// kept it, unless the program is an installed copy (its desktop entry lies in
// ../share/applications) or sits in a folder the user cannot write to; then in
// the user's own data folder. An installed program never writes beside its binary.
class ExtractLocation {
public:
    static inline const QString FileName = QStringLiteral("KORVEX.tmp");

    // The folder, one "/", and the file name.
    static QString InFolder(const QString& folder);

    // The extraction file's path for this start of the program. `dataFolder` is
    // created when it is needed and missing.
    static QString Choose(const QString& programFolder, const QString& dataFolder);

    // True when the program in `programFolder` was installed with its desktop entry.
    static bool IsInstalledCopy(const QString& programFolder);

    // True when a new file can be created in `folder`: tried, not guessed from
    // permission bits, which say nothing for root or a read-only mount.
    static bool CanCreateFilesIn(const QString& folder);
};
