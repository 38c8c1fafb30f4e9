#pragma once

#include "CodePage932.h"
#include "FileProbes.h"
#include "LogFields.h"
#include "ReaderWindow.h"
#include "RecordSource.h"

#include <QString>


// The state the reader shares with the log's record source.
struct LogHandleState {
    RecordSource* WorkArea = nullptr; // stands where the library kept its own state
    Truth IsOpen = False;
};

// Reads the log one record at a time into Fields. The end of the log is signalled
// the way the rest of the program expects it: LogPath becomes "END".
class LogReader {
public:
    static constexpr int FieldCount = LogFields::Count;
    static inline const QString EndMarker = QStringLiteral("END");

    // What a call of ReadNextRecord came to, for callers that must tell a
    // declined confirmation from a record read. Malformed: the log's text
    // proved malformed after records were read (see CheckPending); the log is
    // closed, and ReportOpenFailure tells the user as of an open that failed.
    enum class Outcome { RecordRead, EndOfLog, OpenFailed, Declined, PathInvalid, Malformed };

    LogReader(RecordSource& source, ReaderWindow& window, QString programFolder);

    // Reads record RecordNo. Opens the log first (after asking the user) when it
    // is not open.
    Outcome ReadNextRecord();
    // Reads on past at most `limit` records that cannot be kept and whose band
    // `bands` knows (see RecordSource::PassRecords), advancing RecordNo to the
    // last one passed, which becomes the current record. Returns how many.
    qint32 PassRecords(const BandCache& bands, qint32 limit);
    // Makes the program's folder the current folder. HAMLOG's libraries were
    // preloaded here; the built-in record source needs no library file.
    void PreloadLogLibraries();
    // Closes the log before its end, for a run that stops early, so that the
    // next run opens the log chosen then from its start.
    void CloseLog();
    // Whether the open log's text is not yet all known to be well-formed: the
    // caller then shows nothing it read until FinishCheck says it is.
    bool CheckPending();
    // Checks the rest of the log's text now. False when it is malformed: the
    // log then counts as not opened (see Outcome::Malformed); the caller closes it.
    bool FinishCheck();
    // The message of an open that failed; the log counts as ended.
    void ReportOpenFailure();

    // Shared with the run, which sets RecordNo and FreqText.
    QString LogPath;
    qint32 RecordNo = 0;
    LogFields Fields;
    QString FreqText;
    QString BandText;
    LogHandleState LogHandle;

    // Why the last open failed, as far as the record source knows.
    QString OpenError() const { return LogHandle.WorkArea->OpenError(); }

private:
    Outcome Open();

    ReaderWindow& window_;
    QString programFolder_;
};
