#pragma once

#include "BandCache.h"
#include "CsvTokenizer.h"
#include "HugePageBuffer.h"

#include <QString>

#include <array>
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
    // spaces go, whether its call item holds no "/", and the size of its
    // frequency item (callColumn + 5) without trailing spaces. Lines taken
    // otherwise are not noted.
    struct Noted {
        bool known = false;
        bool notJapanTime = false;
        bool noSlash = false;
        std::size_t keySize = 0;
    };
    Noted LastNoted() const { return last_.Noted(); }
    Noted EarlierNoted() const { return earlier_.Noted(); }

    // Passes over, from the next record on, at most `limit` plain lines whose
    // notes show they are not kept (a time not in "J", or a call without "/")
    // and whose frequency item (column `frequencyColumn`, as noted) `bands`
    // holds with a band; stops before any other. The records are taken as
    // Next(true) would take them: the last passed becomes the last one.
    qint64 PassNoted(const BandCache& bands, qint64 limit, int frequencyColumn);

    qint64 ErrorLine() const { return errorLine_; }
    QString ErrorText() const { return errorText_; }
    // The errno of a read that failed, which ended the text; 0 when none did.
    int ReadError() const { return readError_; }

private:
    // A record as a chunk keeps it, small: the reader's core fetches every
    // byte of it from the core that wrote it. Its items lie at `start` from
    // `base`, in the chunk's text or, where the tokenizer kept them in its own
    // storage, in the chunk's spill. A plain line's items are kept by where
    // they end alone (their comma or the line end, from the line's first
    // byte, in `start`), which is all the quick way notes of them. Left
    // uninitialized until written: a chunk's records are never touched, nor
    // their pages faulted in, before the chunk has that many.
    struct Record {
        std::uint32_t base;
        bool spilled;
        std::uint8_t noted;      // NotedKnown and what was noted
        std::uint8_t plainItems; // a plain line's number of items; 0 for start and size
        std::uint16_t keySize;
        std::uint64_t marks; // hasNul, textBeyond and nulBeyond, four bits an item
        std::array<std::uint16_t, CsvTokenizer::ColumnCount> start, size;

        // Item `column` of a plain line at `line`: its first byte and its size.
        std::pair<std::size_t, std::size_t> PlainItem(const char* line, std::size_t column) const
        {
            if (column >= plainItems)
                return {0, 0};
            const std::size_t from = column == 0 ? 0 : start[column - 1] + std::size_t{1};
            const std::size_t quoted = line[from] == '"';
            return {from + quoted, start[column] - from - 2 * quoted};
        }
    };
    // A record handed out: where its items lie, and their layout.
    struct Placed {
        const char* bytes = "";
        const Record* record = &Empty;
        // Inline: the run asks for several items of every record.
        Item At(int column) const
        {
            const auto c = static_cast<std::size_t>(column);
            if (record->plainItems != 0) {
                const auto [from, size] = record->PlainItem(bytes, c);
                return {bytes + from, size};
            }
            const auto marks = static_cast<unsigned>(record->marks >> (4 * column));
            return {bytes + record->start[c], record->size[c], (marks & 1) != 0,
                    (marks & 2) != 0, (marks & 4) != 0};
        }
        CsvRecordsAhead::Noted Noted() const
        {
            const unsigned noted = record->noted;
            return {(noted & NotedKnown) != 0, (noted & NotedNotJapanTime) != 0,
                    (noted & NotedNoSlash) != 0, record->keySize};
        }
    };

public:
    // The last record, or with `earlier` the earlier one, seen as a plain
    // line: all its items are then found the same quick way.
    class PlainLine {
    public:
        // Whether the record is a plain line.
        explicit operator bool() const { return record_->plainItems != 0; }
        // Where item `column` lies and its size, as ItemAt gives them.
        std::pair<const char*, std::size_t> At(std::size_t column) const
        {
            const auto [from, size] = record_->PlainItem(bytes_, column);
            return {bytes_ + from, size};
        }

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
        std::vector<char> spill;
        CsvTokenizer::Step end = CsvTokenizer::Step::NeedMore; // End or Error: the last chunk
        bool filled = false;
    };
    // A record copied out of its chunk before the chunk goes back.
    struct HeldRecord {
        Record record;
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
        std::vector<char> carry; // bytes the last chunk left for the next
        qint64 errorLine = 0;
        QString errorText;
        int readError = 0;
    };

    void Produce(Chunk& chunk);
    void Read(Chunk& chunk);
    void AddRecord(Chunk& chunk, const char* line, const char* lineEnd);
    // Takes the plain lines that lie whole from `pos` on as records of `chunk`
    // and advances `pos` past them; returns how many it took.
    qint64 TakeLines(Chunk& chunk, const char*& pos, const char* end);
    // Room for one more record in `chunk`.
    Record& NewRecord(Chunk& chunk);
    static void Note(Record& record, const char* line, std::size_t callColumn);
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
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    bool started_ = false;
    bool inTurn_ = false;
    std::size_t next_ = 0; // the chunk taken next
    Chunk* at_ = nullptr;  // the chunk records are handed out from
    std::size_t atRecord_ = 0;
    static const Record Empty;
    Placed last_;
    Placed earlier_;
    std::array<HeldRecord, 2> held_;
    qint64 errorLine_ = 0;
    QString errorText_;
    int readError_ = 0;
};
