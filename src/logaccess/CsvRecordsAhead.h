#pragma once

#include "BandCache.h"
#include "BriefWatch.h"
#include "CsvTokenizer.h"
#include "HugePageBuffer.h"

#include <QString>

#include <array>
#include <bit>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <thread>
#include <utility>
#include <vector>

// Reads CSV text from a file and tokenizes it on a thread of its own, a chunk
// of records ahead of their reader, so that splitting lines into items overlaps
// the work done on the records. The reader sees what a CsvTokenizer fed the
// whole file would give: the same records, items, end and error.
class CsvRecordsAhead {
public:
    // An item of a record: its kept bytes and what the tokenizer noted of it.
    struct Item {
        const char* data = "";
        std::size_t size = 0;
        bool hasNul = false;
        bool textBeyond = false;
        bool nulBeyond = false;
    };

    // Without `ownThread`, where no thread can be started, or for text of a
    // few chunks, each chunk is tokenized when it is needed instead.
    explicit CsvRecordsAhead(std::size_t chunkSize = 256 * 1024, bool ownThread = true);
    ~CsvRecordsAhead();
    CsvRecordsAhead(const CsvRecordsAhead&) = delete;
    CsvRecordsAhead& operator=(const CsvRecordsAhead&) = delete;

    // Starts on the first `limit` bytes of `fd` (which stays the caller's).
    // With `keep` false no record is handed out: Next tells only how the
    // text ends, which is all checking it needs. Earlier work stops first.
    // Plain lines are noted on the way as the run glances at them, with the
    // call item in column `callColumn`. With `charactersChecked` the text is
    // known to be code page 932 text, and plain lines are taken without
    // checking their characters again.
    void Start(int fd, off_t limit, bool keep, bool fastLines, int callColumn = 0,
               bool charactersChecked = false);
    void Stop();

    // The next record, or how the text ends (End or Error, then again at every
    // call). With `keep` the record becomes the last one (ItemAt), and the
    // last one the earlier one.
    CsvTokenizer::Step Next(bool keep);
    Item ItemAt(int column) const { return last_.At(column); }
    Item EarlierItemAt(int column) const { return earlier_.At(column); }
    // Makes the earlier record the last one again.
    void ForgetLast() { std::swap(last_, earlier_); }

    // What was noted of a plain line on the way: whether its time item
    // (column callColumn + 2) certainly does not end in "J" once trailing
    // spaces go, whether its call item holds no "/", and its frequency item
    // (callColumn + 5) without trailing spaces, the key. Lines taken
    // otherwise are not noted.
    struct Noted {
        bool known = false;
        bool notJapanTime = false;
        bool noSlash = false;
        const char* key = "";
        std::size_t keySize = 0;
    };
    Noted LastNoted() const { return last_.Noted(); }
    Noted EarlierNoted() const { return earlier_.Noted(); }

    // Passes over, from the next record on, at most `limit` plain lines whose
    // notes show they are not kept (a time not in "J", or a call without "/")
    // and whose noted frequency item `bands` holds with a band; stops before
    // any other. The records are taken as Next(true) would take them: the
    // last passed becomes the last one.
    qint64 PassNoted(const BandCache& bands, qint64 limit);

    qint64 ErrorLine() const { return errorLine_; }
    QString ErrorText() const { return errorText_; }
    // The errno of a read that failed, which ended the text; 0 when none did.
    int ReadError() const { return readError_; }

    // How far the tokenizing has gone, ahead of the records handed out: the
    // text before `lineStart` tokenized without an error, `lineStart` the
    // start of a record; or, once the tokenizing has ended (`ended`), whether
    // with an error (`errorLine` above 0) or a failed read.
    struct Progress {
        off_t lineStart = 0;
        bool ended = false;
        qint64 errorLine = 0;
        QString errorText;
        int readError = 0;
    };
    Progress Ahead() const;

private:
    // A record as a chunk keeps it, small: the reader's core fetches every
    // byte of it from the core that wrote it. Left uninitialized until
    // written: a chunk's records are never touched, nor their pages faulted
    // in, before the chunk has that many.
    //
    // A plain line keeps only where its commas lie, as the bits of the 64-byte
    // blocks it was scanned in (from bit `shift` of the first), and where it
    // ends: an item's place is found when something reads it, and for most
    // records nothing reads past what was noted. Any other record keeps its
    // items' layout beside the chunk's records, in `Items`.
    struct Record {
        std::uint32_t base; // where its line lies in the chunk, or its items in the spill
        bool spilled;
        std::uint8_t noted; // NotedKnown and what was noted
        bool plain;
        std::uint8_t shift;    // a plain line's first byte in its first block
        std::uint16_t keySize; // the noted frequency key, from keyFrom
        std::uint16_t keyFrom;
        std::uint16_t lineEnd; // a plain line's size without its line break
        std::uint16_t items;   // any other record's layout, in the chunk's
        // The blocks a plain line's bytes before its line end lie in: a line
        // is a field's size at most, and may begin at a block's last byte.
        static constexpr std::size_t CommaWords = (63 + CsvTokenizer::ItemCapacity - 1) / 64 + 1;
        std::array<std::uint64_t, CommaWords> commas;

        // The items of a plain line at `line` in order, from the first: each
        // as its first byte and size, as ItemAt gives them. Past the line's
        // items, items are empty; those past its first ColumnCount are the
        // reader's to leave out.
        class PlainItems {
        public:
            PlainItems(const Record& record, const char* line)
                : line_(line), word_(record.commas.data()),
                  last_(word_ + (record.shift + record.lineEnd - std::size_t{1}) / 64),
                  m_(*word_), at_(0 - std::size_t{record.shift}), lineEnd_(record.lineEnd)
            {
            }
            std::pair<std::size_t, std::size_t> Next()
            {
                const std::size_t from = end_ + 1; // after the last item's end
                end_ = NextEnd();
                if (end_ == NoEnd)
                    return {0, 0};
                const std::size_t quoted = line_[from] == '"';
                return {from + quoted, end_ - from - 2 * quoted};
            }
            // Goes past the next item.
            void Skip() { end_ = NextEnd(); }

        private:
            static constexpr std::size_t NoEnd = ~std::size_t{0};
            // The next item's end: its comma, or the line's end after the last comma.
            std::size_t NextEnd()
            {
                while (m_ == 0) {
                    if (word_ == last_) {
                        const std::size_t end = lineEnd_;
                        lineEnd_ = NoEnd;
                        return end;
                    }
                    m_ = *++word_;
                    at_ += 64;
                }
                const std::size_t end = at_ + static_cast<std::size_t>(std::countr_zero(m_));
                m_ &= m_ - 1;
                return end;
            }

            const char* line_;
            const std::uint64_t* word_;
            const std::uint64_t* last_;
            std::uint64_t m_;
            std::size_t at_;      // where the word's first bit lies in the line
            std::size_t lineEnd_; // NoEnd once given
            std::size_t end_ = NoEnd; // NoEnd + 1 is the first item's start
        };
        // Item `column` of a plain line at `line`: its first byte and its size.
        std::pair<std::size_t, std::size_t> PlainItem(const char* line, std::size_t column) const
        {
            if (column >= CsvTokenizer::ColumnCount)
                return {0, 0}; // further items are read past
            PlainItems walk(*this, line);
            for (; column > 0; --column)
                walk.Skip();
            return walk.Next();
        }
    };
    // The items of a record that is no plain line: where they lie from the
    // record's base, their sizes, and what the tokenizer noted of them.
    struct Items {
        std::uint64_t marks = 0; // hasNul, textBeyond and nulBeyond, four bits an item
        std::array<std::uint16_t, CsvTokenizer::ColumnCount> start{}, size{};
    };
    // A record handed out: where its items lie, and their layout.
    struct Placed {
        const char* bytes = "";
        const Record* record = &Empty;
        const Items* items = &EmptyItems; // for a record that is no plain line
        // Inline: the run asks for several items of every record.
        Item At(int column) const
        {
            const auto c = static_cast<std::size_t>(column);
            if (record->plain) {
                const auto [from, size] = record->PlainItem(bytes, c);
                return {bytes + from, size};
            }
            const auto marks = static_cast<unsigned>(items->marks >> (4 * column));
            return {bytes + items->start[c], items->size[c], (marks & 1) != 0, (marks & 2) != 0,
                    (marks & 4) != 0};
        }
        CsvRecordsAhead::Noted Noted() const
        {
            const unsigned noted = record->noted;
            return {(noted & NotedKnown) != 0, (noted & NotedNotJapanTime) != 0,
                    (noted & NotedNoSlash) != 0, bytes + record->keyFrom, record->keySize};
        }
    };

public:
    // The last record, or with `earlier` the earlier one, seen as a plain
    // line: all its items are then found the same quick way.
    class PlainLine {
    public:
        // Whether the record is a plain line.
        explicit operator bool() const { return record_->plain; }
        // Its items in order, from the first.
        Record::PlainItems Items() const { return {*record_, bytes_}; }
        // The line's first byte, from which its items lie.
        const char* Bytes() const { return bytes_; }

    private:
        friend class CsvRecordsAhead;
        PlainLine(const Placed& placed) : bytes_(placed.bytes), record_(placed.record) {}
        const char* bytes_;
        const Record* record_;
    };
    PlainLine Plain(bool earlier) const { return earlier ? earlier_ : last_; }

private:
    static constexpr std::uint8_t NotedKnown = 1, NotedNotJapanTime = 2, NotedNoSlash = 4;
    struct Chunk {
        char* bytes = nullptr; // in memory_, as are the records
        const char* text = ""; // in bytes
        std::size_t size = 0;
        Record* records = nullptr; // room for MaxRecords
        std::size_t recordCount = 0;
        std::vector<Items> items; // of the records that are no plain lines
        std::vector<char> spill;
        CsvTokenizer::Step end = CsvTokenizer::Step::NeedMore; // End or Error: the last chunk
        bool filled = false;
    };
    // A record copied out of its chunk before the chunk goes back.
    struct HeldRecord {
        Record record;
        Items items;
        std::array<char, CsvTokenizer::ColumnCount * CsvTokenizer::ItemCapacity> bytes;
    };
    // The tokenizing side; on the thread, or on the reader's when there is none.
    struct Producer {
        CsvTokenizer tokenizer;
        int fd = -1;
        off_t offset = 0, limit = 0;
        bool keep = true;
        bool fastLines = true;
        int callColumn = 0;
        bool charactersChecked = false;
        bool atEnd = false;
        off_t lineStart = 0; // where in the file the last record begun begins
        std::vector<char> carry; // bytes the last chunk left for the next
        qint64 errorLine = 0;
        QString errorText;
        int readError = 0;
    };

    void Produce(Chunk& chunk);
    // Tells Ahead what the chunk just made leaves the tokenizing at.
    void Made(const Chunk& chunk);
    void Read(Chunk& chunk);
    void AddRecord(Chunk& chunk, const char* line, const char* lineEnd);
    // Takes the plain lines that lie whole from `pos` on as records of `chunk`
    // and advances `pos` past them; returns how many it took.
    qint64 TakeLines(Chunk& chunk, const char*& pos, const char* end);
    // Room for one more record in `chunk`.
    Record& NewRecord(Chunk& chunk);
    [[gnu::always_inline]] static void Note(Record& record, const char* line,
                                            std::size_t callColumn);
    qint64 NoteTaken(Chunk& chunk, qint64 taken);
    void Run();
    Chunk* TakeChunk();
    void GiveBack(Chunk& chunk);
    void Hold(Placed& placed, const Chunk& chunk);

    const std::size_t chunkSize_;
    const bool ownThread_;
    std::vector<Chunk> chunks_;
    HugePageBuffer memory_; // the chunks' text and records
    Producer producer_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_; // a chunk filled, for the reader
    std::condition_variable room_;    // chunks free again, for the thread
    // Under mutex_: chunks not filled, and filled but not yet taken; who waits.
    std::size_t freeChunks_ = 0, readyChunks_ = 0;
    bool producerWaits_ = false, readerWaits_ = false;
    bool lastMade_ = false; // the chunk the text ends in is filled
    BriefWatch readerWatch_; // told of each chunk filled
    BriefWatch threadWatch_; // told of each chunk given back, and of the stop
    Progress ahead_; // under mutex_
    bool stop_ = false;
    bool started_ = false;
    bool inTurn_ = false;
    std::size_t next_ = 0; // the chunk taken next
    Chunk* at_ = nullptr;  // the chunk records are handed out from
    std::size_t atRecord_ = 0;
    static const Record Empty;
    static const Items EmptyItems;
    Placed last_;
    Placed earlier_;
    std::array<HeldRecord, 2> held_;
    qint64 errorLine_ = 0;
    QString errorText_;
    int readError_ = 0;
};
