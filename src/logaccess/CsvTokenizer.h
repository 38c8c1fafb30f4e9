#pragma once

#include <QString>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

// Splits HAMLOG CSV text into records as its bytes stream in, whatever the chunk
// boundaries: one record a line, items bare or in double quotes, "" for a quote
// inside a quoted item, CR LF or LF line ends, the last line with or without its
// line end. A line break inside quotes belongs to the item (RFC 4180), so a
// record may span lines. Lines holding nothing but spaces are no records.
//
// Code page 932 is checked on the way, so text that tokenizes to its end also
// decodes cleanly. The checking is also what keeps the splitting sound: no
// trail byte of a valid character is a quote, comma, CR or LF.
class CsvTokenizer {
public:
    // The 15 columns of the export and a record-number column that may come
    // first; further columns are read past.
    static constexpr int ColumnCount = 16;
    // A field buffer holds 256 bytes, so more of an item is never kept.
    static constexpr std::size_t ItemCapacity = 256;

    enum class Step {
        Record,   // a record is complete; its items stay readable until the next call
        NeedMore, // call again with the unused bytes (at most one) and what follows
        End,      // the text is exhausted
        Error,    // malformed text; see ErrorLine and ErrorText
    };

    struct Item {
        // The kept bytes: in `bytes`, or in place in the text being tokenized.
        const char* data = nullptr;
        std::size_t size = 0;
        bool hasNul = false; // a zero byte anywhere in the item
        // Past the kept bytes: whether a byte other than a space comes before
        // any zero byte, and whether a zero byte was seen.
        bool textBeyond = false;
        bool nulBeyond = false;
        std::array<char, ItemCapacity> bytes;

        void Clear()
        {
            data = bytes.data();
            size = 0;
            hasNul = textBeyond = nulBeyond = false;
        }
    };

    CsvTokenizer();
    // Items may point into their own storage.
    CsvTokenizer(const CsvTokenizer&) = delete;
    CsvTokenizer& operator=(const CsvTokenizer&) = delete;

    // Back to the start of a text.
    void Reset();

    // Tokenizes from `pos` towards `end`, advancing `pos`; `atEnd` when no bytes
    // follow `end`. With `keep` false the record's items are not stored, which
    // is all that skipping or checking a record needs.
    Step Next(const char*& pos, const char* end, bool atEnd, bool keep);

    // Items of the last record may point into the text handed to Next; this
    // copies them into their own storage. Call it before that text changes.
    void HoldItems();

    // Whether plain lines that lie whole in the text take the quick way; the
    // results are the same either way.
    void SetFastLines(bool on) { fastLines_ = on; }

    // Between records: the next byte begins a line.
    bool AtLineStart() const { return state_ == State::LineStart; }
    // Counts `lines` whole lines taken past the tokenizer by its caller.
    void PassLines(qint64 lines) { line_ += lines; }

    // Where the items of a line taken whole lie, from the line's first byte.
    struct Bounds {
        const char* line = nullptr;
        std::array<std::uint16_t, ColumnCount> start{}, size{};
    };
    // With `on`, a plain line kept is given only as Bounds (see LastBounds),
    // which is all a reader that copies records out needs.
    void SetBoundsOnly(bool on) { boundsOnly_ = on; }
    // The bounds of the last record kept, when it was a plain line taken whole
    // while bounds only were asked for; otherwise null, and its items tell.
    const Bounds* LastBounds() const { return lastPlain_ ? &bounds_ : nullptr; }

    // Item `column` (0 to ColumnCount - 1) of the last record returned with
    // `keep`; a column the line did not have is empty. It stays readable until
    // the next such record, whatever else is tokenized in between.
    const Item& ItemAt(int column) const
    {
        return sets_[static_cast<std::size_t>(done_)][static_cast<std::size_t>(column)];
    }

    // Item `column` of the record returned with `keep` before the last one,
    // readable until the next record is begun (and not held by HoldItems).
    const Item& EarlierItemAt(int column) const
    {
        return sets_[static_cast<std::size_t>(filling_)][static_cast<std::size_t>(column)];
    }
    // Makes that earlier record the last one again; the last one is dropped.
    void ForgetLast() { std::swap(done_, filling_); }

    qint64 ErrorLine() const { return errorLine_; }
    QString ErrorText() const { return errorText_; }

private:
    enum class State { LineStart, ItemStart, Bare, Quoted, Finished, Failed };
    enum class Taken { Done, NeedMore, Bad };

    void StartRecord();
    // The item being filled, marked for StartRecord to clear.
    Item& Filling()
    {
        int& dirty = dirty_[static_cast<std::size_t>(filling_)];
        dirty = std::max(dirty, column_ + 1);
        return sets_[static_cast<std::size_t>(filling_)][static_cast<std::size_t>(column_)];
    }
    // Takes a whole line at `pos` as one record when it is plain: items bare,
    // or quoted without quotes or line breaks inside, and all of it valid text.
    bool TakePlainLine(const char*& pos, const char* end);
    void Append(const char* bytes, std::size_t size)
    {
        if (!lineHasText_)
            NoteText(bytes, size);
        if (keep_ && column_ < ColumnCount && size > 0)
            Keep(bytes, size);
    }
    void NoteText(const char* bytes, std::size_t size);
    void Keep(const char* bytes, std::size_t size);
    void AppendBeyond(Item& item, const char* bytes, std::size_t size);
    // A zero byte, or a byte of 0x80 or more that starts a character of one or
    // two bytes.
    Taken TakeCharacter(const char*& p, const char* end, bool atEnd);
    void Fail(qint64 line, QString text);

    // Where the items of a plain line lie, from the items' ends outside quotes
    // (`parts`, a word for each 64 bytes up to `last`) of a line of `size`
    // bytes: the number of columns, or -1 for an item longer than a field
    // keeps, which the byte-by-byte way takes.
    int TakeBounds(const char* line, const std::uint64_t* parts, std::size_t last,
                   std::size_t size);
    // Those bounds as the items of the record being filled.
    void KeepBounds(int columns);

    State state_ = State::LineStart;
    bool fastLines_ = true;
    bool boundsOnly_ = false;
    bool lastPlain_ = false;
    Bounds bounds_;
    bool keep_ = false;
    bool lineHasText_ = false;
    int column_ = 0;
    qint64 line_ = 1;      // physical line of the next byte, from 1
    qint64 quoteLine_ = 0; // where the open quoted item began
    qint64 errorLine_ = 0;
    QString errorText_;
    // Two sets: one being filled, one holding the record returned last.
    std::array<std::array<Item, ColumnCount>, 2> sets_;
    int filling_ = 0;
    int done_ = 1;
    // In each set, the items from this one on are clear.
    std::array<int, 2> dirty_{};
};
