#pragma once

#include "CodePage932.h"
#include "RecordSource.h"

#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>

// The text fields of the current record, 0 to 20. A field is fetched from the
// record source and decoded only when something reads it: the run needs seven
// of the seventeen, mostly as bytes, and most records are never written.
//
// A field's text is what the source wrote before the first zero byte of the
// 256-byte text space (empty when there is none); field 10, the QSL marks, is
// the first three characters of the space up to its first zero byte.
class LogFields {
public:
    static constexpr int Count = 21;
    static constexpr int QslField = 10;

    LogFields();
    LogFields(const LogFields&) = delete;
    LogFields& operator=(const LogFields&) = delete;

    // Field `i` decoded from code page 932.
    const QString& operator[](int i) const;

    // The code page 932 bytes field `i` is decoded from; for field 10 the whole
    // text space up to its zero byte, of which the marks are the first three
    // characters. Valid until the next record is read or the log is opened
    // again.
    QByteArrayView Bytes(int i) const
    {
        const auto bit = std::uint32_t{1} << i;
        if (i < RecordSource::FieldCount && !(fetched_ & bit))
            Fetch(bit);
        return bytes_[static_cast<std::size_t>(i)];
    }

    // Fetches the fields (bit i for field i) that Bytes will soon be asked
    // for, in one call to the source.
    void Prefetch(std::uint32_t fields) const
    {
        fields &= ~fetched_;
        if (fields != 0)
            Fetch(fields);
    }

    // What the source can tell of the current record without forming its fields.
    RecordSource::Glance GlanceAtRecord() const
    {
        return holds_ && source_ ? source_->GlanceAtRecord() : RecordSource::Glance{};
    }

    class Iterator {
    public:
        Iterator(const LogFields* fields, int i) : fields_(fields), i_(i) {}
        const QString& operator*() const { return (*fields_)[i_]; }
        Iterator& operator++()
        {
            ++i_;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return i_ != other.i_; }

    private:
        const LogFields* fields_;
        int i_;
    };
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, Count}; }

private:
    friend class LogReader;

    // A new current record in `source`: fetched now when the source cannot
    // hold it past the next read, otherwise when first read.
    void NewRecord(RecordSource& source);
    // The source may have moved the record it holds (a failed read): views
    // are fetched again; decoded fields stay.
    void Refetch()
    {
        fetched_ &= ~((std::uint32_t{1} << RecordSource::FieldCount) - 1) | Unfetchable();
    }
    // Decodes every field, so that they outlive the source's storage.
    void Materialize();

    void Fetch(std::uint32_t fields) const;
    // Fields that are not fetched again: every field of a source that cannot hold its record.
    std::uint32_t Unfetchable() const { return holds_ ? 0 : ~std::uint32_t{0}; }

    RecordSource* source_ = nullptr;
    bool holds_ = false;      // the source holds its last record
    std::uint32_t exact_ = 0; // fields whose scratch the source never reads back
    mutable std::array<QByteArrayView, Count> bytes_{};
    mutable std::array<QString, Count> text_;
    mutable std::uint32_t fetched_ = ~std::uint32_t{0};
    mutable std::uint32_t decoded_ = ~std::uint32_t{0};
    mutable RecordSource::FieldBuffer scratch_[RecordSource::FieldCount];
    // Bytes of each scratch that may differ from the pre-fill.
    mutable std::array<std::size_t, RecordSource::FieldCount> dirty_{};
    mutable CodePage932 codec_;
};
