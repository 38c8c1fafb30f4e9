#pragma once

#include <QString>
#include <QStringList>

// On Linux HAMLOG usually runs under Wine, so its log lies on the C: drive of a
// Wine prefix ($WINEPREFIX, or ~/.wine). The file dialog offers those drives and
// starts at a HAMLOG.HDB found there. The search runs while the user waits for
// the dialog, so it is bounded by depth and by the entries it may look at.
class WinePrefixes {
public:
    static constexpr int SearchDepth = 4;      // C:\users\NAME\Documents\Hamlog
    static constexpr int SearchEntries = 4000; // a few milliseconds

    // The drive_c folders of the prefixes that exist, $WINEPREFIX first.
    static QStringList DriveCFolders(const QString& home, const QString& winePrefix);

    // The first file named HAMLOG.HDB (any letter case) found breadth-first
    // under `folders`, at most `depth` folders down, after looking at no more
    // than `entries` entries in all; empty when there is none within those bounds.
    // Wine's own folder (C:\windows) is passed over: no log lives there, and it
    // holds thousands of entries.
    static QString FindLog(const QStringList& folders, int depth = SearchDepth,
                           int entries = SearchEntries);
};
