#pragma once

#include "CsvRecordsAhead.h"
#include "ReadAhead.h"
#include "RecordSource.h"

#include <sys/types.h>

// Reads a log exported as HAMLOG CSV (Call, Date, Time, His, My, Freq, Mode, Code,
// GL, QSL, Name, QTH, Remarks1, Remarks2, Flag) with the field numbers of the
// logging program's library, so that it reads exactly like the same contacts in
// a HAMLOG.HDB.
//
// A first line of column names is skipped, and an export whose lines begin with
// HAMLOG's record number is read as if that column were not there; the first
// line with text that is no header decides. Dates with a four-digit year are
// given as "yyyy/mm/dd".
//
// Opening checks the whole file once, so malformed text is reported before any
// record is read: a quick scan first, and only where it is not certain the
// tokenizer, which tells what is wrong and where. A large file is instead
// checked as its records are tokenized, which reads it once: its reader holds
// back what it would show until FinishCheck, which checks what the tokenizing
// has not yet reached. Records are tokenized a chunk ahead on a thread of
// their own: memory stays flat whatever the size of the log; reading the next
// record is the fast path, any other number rescans from the start.
class CsvRecordSource final : public RecordSource {
public:
    // Text is read `chunkSize` bytes at a time: a chunk large enough that the
    // threads hand few over, small enough that few pages are faulted in (which
    // on a virtual machine is dear). Without `readAhead` records are tokenized
    // when they are needed rather than on a thread.
    explicit CsvRecordSource(std::size_t chunkSize = 256 * 1024, bool readAhead = true);
    ~CsvRecordSource() override;
    CsvRecordSource(const CsvRecordSource&) = delete;
    CsvRecordSource& operator=(const CsvRecordSource&) = delete;

    int HamlogOpen(const QString& path) override;
    // Reads the log open on `fd`, which it takes over; as HamlogOpen otherwise.
    int OpenDescriptor(int fd);
    int THW_read(qint32 recordNo) override;
    void ThwString(char* buffer, qint16 field) override;
    void HamlogClose() override;
    // "line N: reason" for malformed text.
    QString OpenError() const override { return openError_; }
    QByteArrayView FieldText(qint16 field, char* scratch) override;
    void FieldTexts(std::uint32_t fields, FieldBuffer* scratch, QByteArrayView* views) override;
    // Texts lie in the record, or are written whole into the scratch.
    std::uint32_t ExactFields() const override { return (std::uint32_t{1} << FieldCount) - 1; }
    bool HoldsLastRecord() const override { return true; }
    Glance GlanceAtRecord() override
    {
        // Inline: the run glances at every record, and plain lines come noted.
        const CsvRecordsAhead::Noted noted =
            pending_ ? records_.EarlierNoted() : records_.LastNoted();
        if (!hasLast_ || !noted.known)
            return GlanceAtItems();
        Glance glance;
        glance.NotJapanTime = noted.notJapanTime;
        glance.NoSlash = noted.noSlash;
        glance.FrequencyKey = QByteArrayView(noted.key, static_cast<qsizetype>(noted.keySize));
        return glance;
    }
    qint32 PassRecords(const BandCache& bands, qint32 limit) override;
    std::optional<FileId> OpenedFile() const override { return opened_; }
    bool CheckPending() const override { return checkPending_; }
    bool FinishCheck() override;

    // How the open file begins.
    struct Layout {
        bool Header = false;  // the first line with text names the columns
        bool Contact = false; // a line with text follows any header
        bool Shaped = false;  // that line has the shape of a HAMLOG CSV line
        int CallColumn = 0;   // 1 behind a record-number column
    };
    const Layout& FileLayout() const { return layout_; }

    // See CsvTokenizer::SetFastLines.
    void SetFastLines(bool on) { fastLines_ = on; }
    // Off, opening checks with the tokenizer alone; the results are the same.
    void SetQuickCheck(bool on) { quickCheck_ = on; }
    // Files of at least `bytes` are checked as they are read, not when opened.
    void SetCheckAsReadFrom(off_t bytes) { checkAsReadFrom_ = bytes; }

private:
    static constexpr qint16 FrequencyField = 6;

    Glance GlanceAtItems();
    // True when the text from `from`, a record's start, is certainly well-formed.
    bool QuickCheck(off_t from = 0);
    // What is wrong with the text, as tokenized by `records`; empty when nothing is.
    QString Check(CsvRecordsAhead& records);
    // The check's verdict once the tokenizing ends in `step`, when it was
    // left to the reading.
    void CheckEnded(CsvTokenizer::Step step);
    Layout Examine();
    void Rewind();
    void ToFirstContact();
    CsvTokenizer::Step NextRecord(bool keep);
    // Item `column` of the current record.
    CsvRecordsAhead::Item Current(int column) const
    {
        return pending_ ? records_.EarlierItemAt(column) : records_.ItemAt(column);
    }
    // Field 0 is the Call column, fields 2 to 15 the columns after it.
    int ColumnOf(qint16 field) const { return layout_.CallColumn + (field == 0 ? 0 : field - 1); }
    CsvRecordsAhead::Item CurrentField(qint16 field) const { return Current(ColumnOf(field)); }
    // Drops a record read ahead and not passed, keeping the current one.
    void DropPending();

    int fd_ = -1;
    off_t limit_ = 0; // bytes of text; a final end-of-file byte is not text
    ReadAhead ahead_; // for the quick check
    CsvRecordsAhead records_;
    bool reading_ = false; // records_ reads this pass of the file
    bool fastLines_ = true;
    QString openError_;
    std::optional<FileId> opened_;
    Layout layout_;
    qint32 recordsRead_ = 0; // number of the current record
    bool hasRecord_ = false; // the last read found a record
    bool hasLast_ = false;   // a record was read since the log was opened
    // PassRecords read the record after the current one and did not pass it:
    // it is the tokenizer's last, and the current one its earlier.
    bool pending_ = false;
    bool quickCheck_ = true;
    off_t checkAsReadFrom_ = 4 * 1024 * 1024;
    bool checkPending_ = false; // the text is checked as it is read, and not all of it yet
};
