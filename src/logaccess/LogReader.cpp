#include "LogReader.h"

#include <QDir>

LogReader::LogReader(RecordSource& source, ReaderWindow& window, QString programFolder)
    : window_(window), programFolder_(std::move(programFolder))
{
    LogHandle.WorkArea = &source;
}

LogReader::Outcome LogReader::ReadNextRecord()
{
    if (LogHandle.IsOpen != True) {
        const Outcome opened = Open();
        if (opened != Outcome::RecordRead)
            return opened;
    }
    if (LogHandle.WorkArea->THW_read(RecordNo) != 0) {
        Fields.Refetch();
        // The end of the text, or malformed text where it was checked as read.
        const bool wellFormed = LogHandle.WorkArea->RecordHolder().FinishCheck();
        LogHandle.WorkArea->HamlogClose();
        LogPath = EndMarker;
        LogHandle.IsOpen = False;
        return wellFormed ? Outcome::EndOfLog : Outcome::Malformed;
    }
    Fields.NewRecord(*LogHandle.WorkArea);
    window_.ProcessEvents();
    return Outcome::RecordRead;
}

qint32 LogReader::PassRecords(const BandCache& bands, qint32 limit)
{
    if (LogHandle.IsOpen != True || limit <= 0)
        return 0;
    const qint32 passed = LogHandle.WorkArea->RecordHolder().PassRecords(bands, limit);
    if (passed > 0) {
        RecordNo += passed;
        Fields.NewRecord(*LogHandle.WorkArea);
    }
    return passed;
}

LogReader::Outcome LogReader::Open()
{
    if (!window_.AskOkCancel(QStringLiteral("HAMLOG からデータを読み出します")))
        return Outcome::Declined;
    LogPath = window_.Label1();
    if (LogPath.isEmpty() || CanOpenFile(LogPath) != True) {
        window_.ShowMessage(QStringLiteral("HAMLOG.HDB が 未指定 または 無効です"));
        return Outcome::PathInvalid;
    }
    PreloadLogLibraries();
    // Opening reuses the source's storage, where the fields not yet read still are.
    Fields.Materialize();
    if (LogHandle.WorkArea->HamlogOpen(LogPath) != 0) {
        ReportOpenFailure();
        return Outcome::OpenFailed;
    }
    LogHandle.IsOpen = True;
    return Outcome::RecordRead;
}

void LogReader::ReportOpenFailure()
{
    window_.ShowMessage(QStringLiteral("HAMLOG Open 失敗"));
    LogPath = EndMarker;
}

bool LogReader::CheckPending()
{
    return LogHandle.IsOpen == True && LogHandle.WorkArea->RecordHolder().CheckPending();
}

bool LogReader::FinishCheck()
{
    return LogHandle.IsOpen != True || LogHandle.WorkArea->RecordHolder().FinishCheck();
}

void LogReader::CloseLog()
{
    if (LogHandle.IsOpen == True)
        LogHandle.WorkArea->HamlogClose();
    LogHandle.IsOpen = False;
}

void LogReader::PreloadLogLibraries()
{
    if (!programFolder_.isEmpty())
        QDir::setCurrent(programFolder_);
}
