#pragma once

// How a record travels from the log to a row: the run asks the log reader for
// record RecordNo, which fills the reader's Fields from the record source. A
// contact is kept only when its time carries the Japan-time mark "J", the
// callsign shows a Japanese station operating portable, and the Rcv, Band and
// Mode filters let it through; the band and the full date are derived on the
// way. Kept contacts become rows of the extraction file in record order, and
// the closed file is then handed to the spreadsheet through the window.
//
// Most records hold nothing but ASCII in the fields the run reads; for them the
// decision is taken on the log's bytes and the row is built from them, which
// gives the same file as decoding every field. A record with any other byte
// in those fields is decoded.
//
// The run talks to the user only through RunWindow, so the window, the command
// line and the tests drive the same code.

#include "BandCache.h"
#include "ExtractionTarget.h"
#include "HeldOutput.h"
#include "LogReader.h"
#include "RunWindow.h"
#include "UserFilter.h"

#include <memory>
#include <optional>

class ExtractionRun {
public:
    enum class Result {
        NotStarted,   // no readable log chosen; nothing changed
        Declined,     // the user cancelled the first read; nothing extracted
        Completed,    // the file was written and handed off
        LogNotOpened, // the log was no database: a header-only file was handed off
        OutputFailed, // the extraction file could not be written; nothing handed off
        OutputBusy,   // another run is writing the same file; nothing written
        OutputIsLog,  // the extraction file would have replaced the log; nothing written
    };

    ExtractionRun(RunWindow& window, LogReader& reader, ExtractionTarget& target);

    // The Extract button's whole run.
    Result Command4_Click();

    qint32 SelectedCount() const { return selectedCount_; }

    // Off, every record is decoded field by field; for comparing the two.
    void SetBytePath(bool on) { bytePath_ = on; }

private:
    struct Filters {
        UserFilter Rcv, Band, Mode;
        // Whether each filter is on. The boxes cannot change during a run, so
        // the byte path reads them once.
        bool RcvOn = true, BandOn = true, ModeOn = true;
    };

    UserFilter BuildFilter(RunWindow::FilterBox box);
    bool ProcessRecord(const Filters& filters, class ExtractionFileWriter& writer);
    // True for a record the source's glance shows is not kept and whose band
    // is known and valid: nothing more to do for it.
    bool PassBy();
    void PassRecords();
    // Nullopt, before anything is shown or written, when a field it needs is not ASCII.
    std::optional<bool> ProcessAsciiRecord(const Filters& filters, ExtractionFileWriter& writer);
    bool ProcessDecodedRecord(const Filters& filters, ExtractionFileWriter& writer);
    const QString& BandOf(QByteArrayView frequency);
    // Puts the last byte-path record's frequency and band into the reader.
    void SettleFrequencyAndBand();
    void SetInputsEnabled(bool enabled, bool extractButtonToo);
    Result FailOutput();
    // Whether the log's text is known to be well-formed, checked to its end
    // now where it was not yet; what was held back then goes out. False for
    // malformed text: nothing more may be shown, and the run must end as
    // ReportMalformedLog has it.
    bool Settled();
    // Ends the run as for a log that failed to open: nothing read from it is
    // written, and the counters show what they show then. False when what
    // was written cannot be taken back.
    bool ReportMalformedLog(ExtractionFileWriter& writer);

    // The window as the band rule sees it: its message waits until the log's
    // text is known to be well-formed, and never comes for a log that is not.
    class SettledMessages final : public ReaderWindow {
    public:
        explicit SettledMessages(ExtractionRun& run) : run_(run) {}
        QString Label1() const override { return run_.window_.Label1(); }
        void ShowMessage(const QString& text) override
        {
            if (run_.Settled())
                run_.window_.ShowMessage(text);
        }
        bool AskOkCancel(const QString& text) override { return run_.window_.AskOkCancel(text); }
        void ProcessEvents() override { run_.window_.ProcessEvents(); }

    private:
        ExtractionRun& run_;
    };

    RunWindow& window_;
    LogReader& reader_;
    ExtractionTarget& target_;
    SettledMessages settledMessages_{*this};
    // Between the writer and the file: holds rows back while the log's text
    // is not yet known to be well-formed.
    std::unique_ptr<HeldOutput> held_;
    bool malformed_ = false; // the log's text proved malformed during the run
    CodePage932 codec_;
    qint32 selectedCount_ = 0;
    BandCache bands_;
    BandCache keyBands_;                   // by the source's frequency key
    const QString* settledBand_ = nullptr; // the band still to be put into the reader
    bool settleByKey_ = false; // settledBand_ is the band of the current record's frequency key
    bool bytePath_ = true;
};
