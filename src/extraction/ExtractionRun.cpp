#include "ExtractionRun.h"

#include "ByteWords.h"
#include "ExtractionFileWriter.h"
#include "RecordClassification.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace {
using Control = RunWindow::Control;
using Box = RunWindow::FilterBox;

constexpr int CallField = 0, DateField = 2, TimeField = 3, FreqField = 6, ModeField = 7,
              CodeField = 8, QslField = 10;
constexpr qsizetype QslMarks = 3;
// Fields fetched together: those that decide whether a contact is kept and
// the rest of its row. A record that reaches the deciding is nearly always
// kept: the others were passed by at a glance.
constexpr std::uint32_t DecidingFields = 1u << CallField | 1u << TimeField | 1u << FreqField;
constexpr std::uint32_t RowFields =
    1u << DateField | 1u << ModeField | 1u << CodeField | 1u << QslField;

bool IsAscii(QByteArrayView bytes)
{
    return ByteWords::AllAscii(bytes.data(), bytes.size());
}

QByteArrayView TrimSpaces(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && bytes.front() == ' ')
        bytes = bytes.sliced(1);
    while (!bytes.isEmpty() && bytes.back() == ' ')
        bytes.chop(1);
    return bytes;
}

void AssignAscii(QString& text, QByteArrayView ascii)
{
    if (text.size() == ascii.size() && QLatin1StringView(ascii) == text)
        return; // the same frequency as the record before: no copy
    text.resize(ascii.size());
    std::copy(ascii.begin(), ascii.end(), text.begin());
}

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
    held_ = std::make_unique<HeldOutput>(*device);
    malformed_ = false;
    ExtractionFileWriter writer(*held_, codec_);
    writer.WriteHeader();

    Filters filters{BuildFilter(Box::Text1), BuildFilter(Box::Text2), BuildFilter(Box::Text3)};
    const auto on = [&](const UserFilter& filter, Box box) {
        return !filter.List().isEmpty() && !UserFilter::IsAll(window_.Text(box));
    };
    filters.RcvOn = on(filters.Rcv, Box::Text1);
    filters.BandOn = on(filters.Band, Box::Text2);
    filters.ModeOn = on(filters.Mode, Box::Text3);

    Result result = Result::Completed;
    reader_.RecordNo = 0;
    for (;;) {
        // The log's text proved malformed: the run ends as if it had not opened.
        if (malformed_) {
            if (!ReportMalformedLog(writer))
                return FailOutput();
            result = Result::LogNotOpened;
            break;
        }
        // Contact numbers are 32-bit: a log with more records (a CSV file of
        // gigabytes) ends here instead of numbering on past the limit.
        if (reader_.RecordNo == std::numeric_limits<qint32>::max()) {
            if (!Settled())
                continue;
            window_.ShowMessage(
                QStringLiteral("交信数が多すぎるため、交信番号 %1 までで抽出を終えました")
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
        if (outcome == LogReader::Outcome::Malformed) {
            malformed_ = true;
            continue;
        }
        // A log checked as it is read: what it gives is held back until its
        // text is known to be well-formed, unless it goes into a file of the
        // run's own that can still be emptied.
        if (outcome == LogReader::Outcome::RecordRead && reader_.RecordNo == 1 &&
            reader_.CheckPending() && !target_.CanStartOver())
            held_->Hold([this] { return Settled(); });
        // A log that vanished after the run began ends the run like the end of the log.
        if (outcome == LogReader::Outcome::PathInvalid || reader_.LogPath == LogReader::EndMarker)
            break;
        if (ProcessRecord(filters, writer) && writer.Failed()) {
            SettleFrequencyAndBand();
            return FailOutput();
        }
        if (bytePath_ && !malformed_)
            PassRecords();
    }
    SettleFrequencyAndBand();
    // The file the reader opened is the log, whatever the probe found before.
    if (const std::optional<FileId> opened = reader_.LogHandle.WorkArea->OpenedFile())
        target_.KeepClearOf(*opened);
    if (!writer.Flush() || !held_->Release() || !target_.Close())
        return FailOutput();

    window_.OpenInSpreadsheet();
    SetInputsEnabled(true, false);
    return result;
}

bool ExtractionRun::Settled()
{
    if (!malformed_ && reader_.CheckPending() && !reader_.FinishCheck())
        malformed_ = true;
    if (!malformed_)
        held_->Release(); // a failure shows at the next write
    return !malformed_;
}

bool ExtractionRun::ReportMalformedLog(ExtractionFileWriter& writer)
{
    reader_.CloseLog();
    writer.Discard();
    held_->Drop();
    if (target_.CanStartOver()) {
        QIODevice* device = target_.StartOver();
        if (!device)
            return false;
        held_->Retarget(*device);
    }
    writer.WriteHeader();
    settledBand_ = nullptr;
    settleByKey_ = false;
    selectedCount_ = 0;
    reader_.RecordNo = 1;
    window_.SetCount(RunWindow::Counter::Label3, reader_.RecordNo);
    window_.ClearCount(RunWindow::Counter::Label4);
    reader_.ReportOpenFailure();
    return true;
}

bool ExtractionRun::ProcessRecord(const Filters& filters, ExtractionFileWriter& writer)
{
    settleByKey_ = false; // each way below settles the band of its own record
    if (bytePath_) {
        if (PassBy())
            return false;
        if (const std::optional<bool> written = ProcessAsciiRecord(filters, writer))
            return *written;
    }
    return ProcessDecodedRecord(filters, writer);
}

bool ExtractionRun::PassBy()
{
    const RecordSource::Glance glance = reader_.Fields.GlanceAtRecord();
    if (!(glance.NotJapanTime || glance.NoSlash) || glance.FrequencyKey.isEmpty())
        return false;
    const QString* band = keyBands_.Find(glance.FrequencyKey);
    if (!band) {
        const QByteArrayView frequency = reader_.Fields.Bytes(FreqField);
        if (!IsAscii(frequency))
            return false;
        band = &BandOf(frequency);
        keyBands_.Insert(glance.FrequencyKey, *band);
    }
    if (band->isEmpty())
        return false; // the message goes the usual way
    settledBand_ = band;
    return true;
}

// Most records are not kept and have a frequency seen before: the source
// passes them by in bulk, and the counter catches up after each batch.
void ExtractionRun::PassRecords()
{
    // Small batches, so that the window's counters stay live.
    constexpr qint32 Batch = 4096;
    const qint32 limit = std::min(Batch, std::numeric_limits<qint32>::max() - reader_.RecordNo);
    if (reader_.PassRecords(keyBands_, limit) == 0)
        return;
    // Its band is looked up only if something reads it.
    settledBand_ = nullptr;
    settleByKey_ = true;
    window_.SetCount(RunWindow::Counter::Label3, reader_.RecordNo);
    window_.ProcessEvents();
}

void ExtractionRun::SettleFrequencyAndBand()
{
    if (settleByKey_)
        settledBand_ = keyBands_.Find(reader_.Fields.GlanceAtRecord().FrequencyKey);
    settleByKey_ = false;
    if (!settledBand_)
        return;
    AssignAscii(reader_.FreqText, reader_.Fields.Bytes(FreqField));
    reader_.BandText = *settledBand_;
    settledBand_ = nullptr;
}

const QString& ExtractionRun::BandOf(QByteArrayView frequency)
{
    if (const QString* band = bands_.Find(frequency))
        return *band;
    // The rule reads UTF-16: the ASCII bytes widened on the stack (no field is
    // longer than a field buffer).
    std::array<char16_t, RecordSource::FieldBufferSize> units;
    const auto n = std::min<std::size_t>(static_cast<std::size_t>(frequency.size()), units.size());
    for (std::size_t i = 0; i < n; ++i)
        units[i] = static_cast<unsigned char>(frequency[static_cast<qsizetype>(i)]);
    const QString& band = BandName(QStringView(units.data(), static_cast<qsizetype>(n)));
    bands_.Insert(frequency, band);
    return band;
}

// The decoded path's steps in its order, but a filter is only asked while the
// contact is still selected: filters have nothing to show, the band has.
std::optional<bool> ExtractionRun::ProcessAsciiRecord(const Filters& filters,
                                                      ExtractionFileWriter& writer)
{
    const LogFields& fields = reader_.Fields;
    fields.Prefetch(DecidingFields | RowFields);
    const QByteArrayView time = fields.Bytes(TimeField);
    const QByteArrayView frequency = fields.Bytes(FreqField);
    if (!IsAscii(time) || !IsAscii(frequency))
        return std::nullopt;
    bool selected = !time.isEmpty() && time.back() == 'J';

    Latin1CallAreas areas;
    QByteArrayView call;
    if (selected) {
        call = fields.Bytes(CallField);
        if (!IsAscii(call))
            return std::nullopt;
        areas = ClassifyCallArea(QLatin1StringView(call));
        selected = areas.Accepted;
    }
    QByteArrayView rcv;
    if (selected) {
        QByteArrayView marks = fields.Bytes(QslField);
        marks = marks.first(std::min(QslMarks, marks.size()));
        if (!IsAscii(marks))
            return std::nullopt;
        rcv = marks.sliced(std::min<qsizetype>(2, marks.size()));
        selected = !filters.RcvOn || filters.Rcv.Contains(QLatin1StringView(rcv));
    }
    const QString& band = BandOf(frequency);
    if (selected && filters.BandOn)
        selected = filters.Band.Contains(band);
    QByteArrayView mode, code, date;
    if (selected) {
        mode = fields.Bytes(ModeField);
        if (!IsAscii(mode))
            return std::nullopt;
        selected = !filters.ModeOn || filters.Mode.Contains(QLatin1StringView(mode));
    }
    if (selected) {
        code = fields.Bytes(CodeField);
        date = fields.Bytes(DateField);
        if (!IsAscii(code) || !IsAscii(date))
            return std::nullopt;
    }

    // Decided: from here on the record is this path's. The shared frequency
    // and band are set when something reads them: the message, or the end.
    settledBand_ = &band;
    if (band.isEmpty()) {
        SettleFrequencyAndBand();
        settledMessages_.ShowMessage(InvalidFrequencyMessage(reader_.RecordNo, reader_.FreqText));
    }
    if (!selected)
        return false;
    ++selectedCount_;
    window_.SetCount(RunWindow::Counter::Label4, selectedCount_);
    window_.ProcessEvents();
    writer.WriteRow(ExtractionAsciiRow{areas.OperatingArea, areas.HomeArea, call, reader_.RecordNo,
                                       CenturyOf(QLatin1StringView(date)), date, time, band, mode,
                                       rcv, TrimSpaces(code)});
    return true;
}

// Every step runs for every record, whatever is already decided: the band's
// message must come for rejected contacts too. True when a row was written.
bool ExtractionRun::ProcessDecodedRecord(const Filters& filters, ExtractionFileWriter& writer)
{
    settledBand_ = nullptr;
    const auto& fields = reader_.Fields;
    const QString& time = fields[TimeField];
    bool selected = !time.isEmpty() && time.back() == u'J';

    const CallAreas areas = ClassifyCallArea(fields[CallField]);
    if (!areas.Accepted)
        selected = false;

    const QStringView rcvValue =
        QStringView(fields[QslField]).sliced(std::min<qsizetype>(2, fields[QslField].size()));
    if (!filters.Rcv.Passes(window_.Text(Box::Text1), rcvValue))
        selected = false;

    // A copy of its own: sharing the field's storage would cost an allocation when
    // the next record is read into it.
    reader_.FreqText.resize(fields[FreqField].size());
    std::copy(fields[FreqField].cbegin(), fields[FreqField].cend(), reader_.FreqText.begin());
    BandFromFrequency(reader_, settledMessages_);
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
                     fields[DateField], time, reader_.BandText, fields[ModeField], rcvValue, code});
    return true;
}
