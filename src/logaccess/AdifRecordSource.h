#pragma once

#include "AdifRecord.h"
#include "CodePage932.h"
#include "RecordSource.h"

#include <array>
#include <cstdlib>
#include <memory>
#include <sys/types.h>

// Reads an ADIF log (the .adi text that WSJT-X, JTDX, CQRLOG, KLog, fldigi, LoTW
// and eQSL write) with the field numbers of HAMLOG's library, so that the run
// treats its contacts like those of a HAMLOG.HDB.
//
// Records stream through a fixed buffer: memory stays flat whatever the size of
// the log; reading the next record is the fast path, any other number rescans
// from the start. Opening reads the file once to tell Shift-JIS text from UTF-8.
// A record counts once its <EOR> is read: one cut short at the end of the file
// is not a record.
class AdifRecordSource final : public RecordSource {
public:
    explicit AdifRecordSource(std::size_t bufferSize = 256 * 1024);
    ~AdifRecordSource() override;
    AdifRecordSource(const AdifRecordSource&) = delete;
    AdifRecordSource& operator=(const AdifRecordSource&) = delete;

    int HamlogOpen(const QString& path) override;
    // Takes an open descriptor of the log (and closes it in the end).
    int OpenDescriptor(int fd);
    int THW_read(qint32 recordNo) override;
    void ThwString(char* buffer, qint16 field) override;
    void HamlogClose() override;
    QString OpenError() const override { return openError_; }
    std::optional<FileId> OpenedFile() const override { return opened_; }
    QByteArrayView FieldText(qint16 field, char* scratch) override;
    bool HoldsLastRecord() const override { return true; }

    // Whether the first bytes of a file are ADIF: a data specifier first, or a
    // header that ends with <EOH>.
    static bool LooksLikeAdif(QByteArrayView start);

    // How the text of the open log is read, decided from its content.
    AdifRecord::Text TextEncoding() const { return text_; }

private:
    enum class Tag { None, Field, EndOfRecord, EndOfHeader, Other };
    struct Specifier {
        Tag tag = Tag::None;
        AdifRecord::Key key = AdifRecord::KeyCount;
        bool endOfFile = false; // LoTW's end marker
        std::size_t length = 0;
    };

    void Rewind();
    // Makes `size` bytes from begin_ readable where the file has them.
    bool Ensure(std::size_t size) { return end_ - begin_ >= size || Refill(size); }
    bool Refill(std::size_t size);
    AdifRecord::Text DetectText();
    bool NextRecord(bool keep);
    bool SkipToTag();
    Specifier ReadSpecifier();
    bool ReadValue(std::size_t length, AdifRecord::Key key);
    bool PlausibleEnd(std::size_t at) const;
    bool SkipValue(std::size_t length, bool characters);

    int fd_ = -1;
    std::optional<FileId> opened_;
    off_t limit_ = 0;  // size of the file when it was opened
    off_t offset_ = 0; // bytes read into the buffer so far
    QString openError_;
    struct FreeBytes {
        void operator()(char* p) const { std::free(p); }
    };
    // Zeroed as the system hands it out, so that a source that reads no ADIF
    // log never touches it: every run has one.
    std::unique_ptr<char[], FreeBytes> buffer_;
    std::size_t bufferSize_;
    std::size_t begin_ = 0; // unread bytes are buffer_[begin_, end_)
    std::size_t end_ = 0;
    bool eof_ = false;
    bool endMarker_ = false;
    AdifRecord::Text text_ = AdifRecord::Text::Utf8;
    // Two records: one being read, one holding the record last read, which
    // stays readable when a later read fails.
    std::array<AdifRecord, 2> records_;
    int filling_ = 0;
    AdifRecord& Filling() { return records_[static_cast<std::size_t>(filling_)]; }
    const AdifRecord& Last() const { return records_[static_cast<std::size_t>(filling_ ^ 1)]; }
    CodePage932 codec_;
    qint32 recordsRead_ = 0; // number of the current record
    bool hasRecord_ = false; // the last read found a record
    bool hasLast_ = false;   // a record was read since the log was opened
};
