#include "ExtractionRun.h"

#include "ExtractionFileWriter.h"
#include "RecordClassification.h"

#include <limits>

namespace {
using Control = RunWindow::Control;
using Box = RunWindow::FilterBox;

constexpr int CallField = 0, DateField = 2, TimeField = 3, FreqField = 6, ModeField = 7,
              CodeField = 8, QslField = 10;
} // namespace

ExtractionRun::ExtractionRun(RunWindow& window, LogReader& reader, ExtractionTarget& target)
    : window_(window), reader_(reader), target_(target)
{
}

void ExtractionRun::SetInputsEnabled(bool enabled, bool extractButtonToo)
{
    for (Control c : {Control::Frame1, Control::Frame3, Control::Frame4, Control::Frame5})
        window_.SetEnabled(c, enabled);
    if (extractButtonToo)
        window_.SetEnabled(Control::Command4, enabled);
}

UserFilter ExtractionRun::BuildFilter(Box box)
{
    window_.SetText(box, UserFilter::Normalise(window_.Text(box)));
    return UserFilter(UserFilter::Elements(window_.Text(box)));
}

ExtractionRun::Result ExtractionRun::FailOutput()
{
    Result result = Result::OutputFailed;
    switch (target_.Failure()) {
    case ExtractionTarget::Problem::Busy:
        window_.ShowMessage(QStringLiteral("別の KORVEX が同じ抽出ファイルに書き込み中です") +
                            QLatin1Char('\n') + target_.Name());
        result = Result::OutputBusy;
        break;
    case ExtractionTarget::Problem::IsLog:
        window_.ShowMessage(
            QStringLiteral("抽出ファイルが HAMLOG のログと同じファイルなので書き込みません") +
            QLatin1Char('\n') + target_.Name());
        result = Result::OutputIsLog;
        break;
    case ExtractionTarget::Problem::None:
    case ExtractionTarget::Problem::System:
        window_.ShowMessage(QStringLiteral("抽出ファイルを書き込めませんでした") +
                            QLatin1Char('\n') + target_.Name() + QLatin1Char('\n') +
                            target_.ErrorString());
        break;
    }
    target_.Discard();
    reader_.CloseLog();
    // Nothing was extracted, so the user may try again.
    SetInputsEnabled(true, true);
    return result;
}

ExtractionRun::Result ExtractionRun::Command4_Click()
{
    const QString logPath = window_.Label1();
    const OpenProbe log = ProbeOpen(logPath);
    if (!log.Opened) {
        QString text = QStringLiteral("HAMLOG.HDB を先に指定してください");
        if (!logPath.isEmpty())
            text += QLatin1Char('\n') + logPath + QLatin1Char('\n') + log.Reason;
        window_.ShowMessage(text);
        return Result::NotStarted;
    }
    SetInputsEnabled(false, true);
    target_.KeepClearOf(log.File);

    QIODevice* device = target_.Open();
    if (!device)
        return FailOutput();
    ExtractionFileWriter writer(*device, codec_);
    writer.WriteHeader();

    const Filters filters{BuildFilter(Box::Text1), BuildFilter(Box::Text2),
                          BuildFilter(Box::Text3)};

    Result result = Result::Completed;
    reader_.RecordNo = 0;
    for (;;) {
        // Contact numbers are 32-bit: a log with more records (a CSV file of
        // gigabytes) ends here instead of numbering on past the limit.
        if (reader_.RecordNo == std::numeric_limits<qint32>::max()) {
            window_.ShowMessage(QStringLiteral("交信数が多すぎるため、交信番号 %1 までで抽出を終えました")
                                    .arg(reader_.RecordNo));
            reader_.CloseLog();
            break;
        }
        ++reader_.RecordNo;
        window_.SetCount(RunWindow::Counter::Label3, reader_.RecordNo);
        window_.ProcessEvents();
        const LogReader::Outcome outcome = reader_.ReadNextRecord();
        if (outcome == LogReader::Outcome::Declined) {
            target_.Discard();
            SetInputsEnabled(true, true);
            return Result::Declined;
        }
        if (outcome == LogReader::Outcome::OpenFailed)
            result = Result::LogNotOpened;
        // A log that vanished after the run began ends the run like the end of the log.
        if (outcome == LogReader::Outcome::PathInvalid || reader_.LogPath == LogReader::EndMarker)
            break;
        if (ProcessRecord(filters, writer) && writer.Failed())
            return FailOutput();
    }
    // The file the reader opened is the log, whatever the probe found before.
    if (const std::optional<FileId> opened = reader_.LogHandle.WorkArea->OpenedFile())
        target_.KeepClearOf(*opened);
    if (!writer.Flush() || !target_.Close())
        return FailOutput();

    window_.OpenInSpreadsheet();
    SetInputsEnabled(true, false);
    return result;
}

// Every step runs for every record, whatever is already decided: the band's
// message must come for rejected contacts too. True when a row was written.
bool ExtractionRun::ProcessRecord(const Filters& filters, ExtractionFileWriter& writer)
{
    const auto& fields = reader_.Fields;
    const QString& time = fields[TimeField];
    bool selected = !time.isEmpty() && time.back() == u'J';

    const CallAreas areas = ClassifyCallArea(fields[CallField]);
    if (!areas.Accepted)
        selected = false;

    const QStringView rcvValue = QStringView(fields[QslField]).sliced(
        std::min<qsizetype>(2, fields[QslField].size()));
    if (!filters.Rcv.Passes(window_.Text(Box::Text1), rcvValue))
        selected = false;

    // A copy of its own: sharing the field's storage would cost an allocation when
    // the next record is read into it.
    reader_.FreqText.resize(fields[FreqField].size());
    std::copy(fields[FreqField].cbegin(), fields[FreqField].cend(), reader_.FreqText.begin());
    BandFromFrequency(reader_, window_);
    if (!filters.Band.Passes(window_.Text(Box::Text2), reader_.BandText))
        selected = false;

    const QStringView code = TrimSpaces(fields[CodeField]);
    if (!filters.Mode.Passes(window_.Text(Box::Text3), fields[ModeField]))
        selected = false;

    if (!selected)
        return false;
    ++selectedCount_;
    window_.SetCount(RunWindow::Counter::Label4, selectedCount_);
    window_.ProcessEvents();
    writer.WriteRow({areas.OperatingArea, areas.HomeArea, fields[CallField], reader_.RecordNo,
                     fields[DateField], time, reader_.BandText, fields[ModeField], rcvValue,
                     code});
    return true;
}
