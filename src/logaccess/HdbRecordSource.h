#pragma once

#include "HdbLayout.h"
#include "ReadAhead.h"
#include "RecordSource.h"

#include <span>
#include <vector>

// Reads HAMLOG.HDB files directly, in place of HAMLOG's closed access library.
// Records stream through a few fixed blocks, read ahead on a thread of their
// own, so memory stays flat whatever the size of the log; reading the next
// record is the fast path, any other number rescans from the start.
class HdbRecordSource final : public RecordSource {
public:
    explicit HdbRecordSource(std::size_t bufferSize = 1024 * 1024);
    ~HdbRecordSource() override;
    HdbRecordSource(const HdbRecordSource&) = delete;
    HdbRecordSource& operator=(const HdbRecordSource&) = delete;

    int HamlogOpen(const QString& path) override;
    // Reads the log open on `fd`, which it takes over; as HamlogOpen otherwise.
    int OpenDescriptor(int fd);
    int THW_read(qint32 recordNo) override;
    void ThwString(char* buffer, qint16 field) override;
    void HamlogClose() override;
    QString OpenError() const override { return openError_; }
    QByteArrayView FieldText(qint16 field, char* scratch) override;
    void FieldTexts(std::uint32_t fields, FieldBuffer* scratch, QByteArrayView* views) override;
    // Fields are written into the scratch, never read from it.
    std::uint32_t ExactFields() const override { return (std::uint32_t{1} << FieldCount) - 1; }
    bool HoldsLastRecord() const override { return true; }
    Glance GlanceAtRecord() override;
    qint32 PassRecords(const BandCache& bands, qint32 limit) override;
    std::optional<FileId> OpenedFile() const override { return opened_; }

private:
    bool NextLiveRecord();
    void Rewind();
    const char* NextRecordBytes();
    QByteArrayView Bytes(const char* record, HdbLayout::Field field) const;
    QByteArrayView Text(const char* record, HdbLayout::Field field) const;
    quint16 Flag(const char* record) const;
    Glance GlanceAt(const char* record, bool slashToo) const;
    // Fields 2 and 3 of the record last read, in `scratch`.
    QByteArrayView DateText(char* scratch) const;
    QByteArrayView TimeText(char* scratch) const;
    // Writes field `field` of `record` into `buffer` and returns where its text ends.
    char* WriteField(const char* record, char* buffer, qint16 field) const;
    char* WriteCallsign(const char* record, char* buffer) const;
    // Copies the record last read out of the buffer before the buffer is reused.
    void HoldLast();

    int fd_ = -1;
    HdbLayout layout_;
    QString openError_;
    ReadAhead ahead_;
    off_t fileSize_ = 0;
    bool reading_ = false;        // ahead_ reads this pass of the file
    std::span<const char> block_; // the block at hand, read up to blockPos_
    std::size_t blockPos_ = 0;
    std::vector<char> stitch_; // a record that ran across two blocks
    std::vector<char> held_;   // the record last read, once the blocks moved on
    std::optional<FileId> opened_;
    quint32 physicalRead_ = 0; // records passed, deleted ones included
    qint32 liveRead_ = 0;      // number of the current record
    const char* current_ =
        nullptr; // the record of the last successful read, if that was the last read
    const char* last_ = nullptr; // the record last read successfully
};
