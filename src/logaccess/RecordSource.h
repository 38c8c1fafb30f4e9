#pragma once

#include "BandCache.h"
#include "FileId.h"

#include <QByteArrayView>
#include <QString>

#include <bit>
#include <optional>

#include <cstddef>
#include <cstdint>
#include <cstring>

// The four operations through which the reader sees a log, with the contracts of
// HAMLOG's own access library: 0 means success.
class RecordSource {
public:
    // The text buffer handed to ThwString: 256 bytes of text space and one zero byte.
    static constexpr std::size_t FieldBufferSize = 256;
    static constexpr int FieldCount = 17;

    virtual ~RecordSource() = default;

    // 0 when the log at `path` is open and ready to read.
    virtual int HamlogOpen(const QString& path) = 0;
    // 0 when record `recordNo` (live records, counted from 1) is now the current
    // record; anything else means there is no such record.
    virtual int THW_read(qint32 recordNo) = 0;
    // Writes the code page 932 text of field `field` (0 to 16) of the current
    // record at the start of `buffer` (FieldBufferSize + 1 bytes), followed by a
    // zero byte; writes nothing beyond that zero byte.
    virtual void ThwString(char* buffer, qint16 field) = 0;
    virtual void HamlogClose() = 0;

    // The bytes ThwString would write for `field` before its zero byte: the
    // reader's fast way to a field, decoded only when something reads it.
    // `scratch` is a field buffer of the reader's, filled with spaces; the view
    // may point into it or into the source's own storage. The default goes
    // through ThwString, so every source has it; a source that overrides it
    // says so with HoldsLastRecord.
    virtual QByteArrayView FieldText(qint16 field, char* scratch)
    {
        ThwString(scratch, field);
        const void* nul = std::memchr(scratch, 0, FieldBufferSize);
        return QByteArrayView(scratch, nul ? static_cast<const char*>(nul) - scratch
                                           : static_cast<qsizetype>(FieldBufferSize));
    }
    using FieldBuffer = char[FieldBufferSize + 1];
    // FieldText for each field of `fields` (bit i for field i) in one call:
    // views[i] is what FieldText(i, scratch[i]) gives.
    virtual void FieldTexts(std::uint32_t fields, FieldBuffer* scratch, QByteArrayView* views)
    {
        for (; fields != 0; fields &= fields - 1) {
            const int i = std::countr_zero(fields);
            views[i] = FieldText(static_cast<qint16>(i), scratch[i]);
        }
    }
    // The fields (bit i for field i) whose FieldText reads back nothing of
    // `scratch` it did not write in the same call: their scratch need not be
    // filled with spaces again.
    virtual std::uint32_t ExactFields() const { return 0; }
    // True when FieldText keeps giving the record last read after a failed
    // THW_read and after HamlogClose, up to the next successful THW_read or
    // HamlogOpen (a view fetched before a failed read may have moved: fetch it
    // again); the reader may then fetch fields lazily.
    virtual bool HoldsLastRecord() const { return false; }
    // What a source holding its last record can tell of it without forming
    // fields, so that a reader can pass by the many records it would not keep.
    struct Glance {
        // Field 3's text certainly does not end in "J".
        bool NotJapanTime = false;
        // Field 0's text certainly holds no "/".
        bool NoSlash = false;
        // Bytes of which field 6's text is a function: equal bytes, equal text,
        // and a text that is its own key (no zero byte, no trailing space).
        // Empty when the source has no such bytes.
        QByteArrayView FrequencyKey;
    };
    // Meaningful only where HoldsLastRecord is true, for the record last read.
    virtual Glance GlanceAtRecord() { return {}; }
    // Reads on, after the current record, past at most `limit` records whose
    // glance shows field 3 not ending in "J" or field 0 without "/", and whose
    // frequency key `bands` holds with a band; stops before any other. The last
    // record passed becomes the current one, as if THW_read had read it.
    // Returns how many were passed: none where the source cannot tell.
    virtual qint32 PassRecords(const BandCache& /*bands*/, qint32 /*limit*/) { return 0; }
    // The source that holds the current record, where this one only forwards
    // to another: the reader then asks that one for fields directly.
    virtual RecordSource& RecordHolder() { return *this; }

    // Whether some of the log's text is not yet known to be well-formed: a
    // source may check a large file as it reads it instead of when opening it.
    virtual bool CheckPending() const { return false; }
    // Checks now whatever of the text is not yet checked. False when the text
    // is malformed: the log then counts as not opened after all, and
    // OpenError says why, as it would have after HamlogOpen.
    virtual bool FinishCheck() { return true; }

    // Why the last HamlogOpen failed, for front ends that can show more than the
    // fixed message; empty when there is nothing to add.
    virtual QString OpenError() const { return {}; }
    // The file the last HamlogOpen opened, whether or not it then proved to be
    // a log, so that a run never puts its output in the log's place.
    virtual std::optional<FileId> OpenedFile() const { return std::nullopt; }
};
