#include "LogReader.h"

#include <QDir>

#include <cstring>

LogReader::LogReader(RecordSource& source, ReaderWindow& window, QString programFolder)
    : window_(window), programFolder_(std::move(programFolder))
{
    LogHandle.WorkArea = &source;
    std::memset(fieldBuffer_, ' ', RecordSource::FieldBufferSize);
    fieldBuffer_[RecordSource::FieldBufferSize] = '\0';
}

LogReader::Outcome LogReader::ReadNextRecord()
{
    if (LogHandle.IsOpen != True) {
        const Outcome opened = Open();
        if (opened != Outcome::RecordRead)
            return opened;
    }
    if (LogHandle.WorkArea->THW_read(RecordNo) != 0) {
        LogHandle.WorkArea->HamlogClose();
        LogPath = EndMarker;
        LogHandle.IsOpen = False;
        return Outcome::EndOfLog;
    }
    ReadFields();
    window_.ProcessEvents();
    return Outcome::RecordRead;
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
    if (LogHandle.WorkArea->HamlogOpen(LogPath) != 0) {
        window_.ShowMessage(QStringLiteral("HAMLOG Open 失敗"));
        LogPath = EndMarker;
        return Outcome::OpenFailed;
    }
    LogHandle.IsOpen = True;
    return Outcome::RecordRead;
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

void LogReader::ReadFields()
{
    constexpr int QslField = 10;
    constexpr std::size_t Size = RecordSource::FieldBufferSize;
    for (qint16 i = 0; i < RecordSource::FieldCount; ++i) {
        // Only the bytes the previous field wrote need their spaces back.
        std::memset(fieldBuffer_, ' ', dirty_);
        LogHandle.WorkArea->ThwString(fieldBuffer_, i);
        // The text space is 256 characters; the zero byte after it is not part of it.
        // A plain loop: field texts are short, and a vector scan of bytes just
        // written stalls on store forwarding.
        std::size_t text = 0;
        while (text < Size && fieldBuffer_[text] != '\0')
            ++text;
        const bool nul = text < Size;
        dirty_ = std::min(text + 1, Size);
        if (i == QslField) {
            // The three marks are taken whole, the terminator and pre-fill included when
            // the text is shorter; six bytes always hold three characters.
            codec_.Decode(fieldBuffer_, 6, Fields[i]);
            Fields[i].truncate(3);
        } else {
            codec_.Decode(fieldBuffer_, nul ? static_cast<qsizetype>(text) : 0, Fields[i]);
        }
    }
}
