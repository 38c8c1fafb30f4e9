#include "CsvRecordsAhead.h"

#include "ByteWords.h"
#include "CsvBlocks.h"
#include "ReadFullyAt.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace {

// Room before a chunk's read for the bytes the last chunk left (at most one,
// unless that chunk was full of records): the read itself starts on a cache
// line, which keeps the kernel's copy fast.
constexpr std::size_t Lead = 64;
// Records a chunk holds at most, so that short lines cannot make it large.
constexpr std::size_t MaxRecords = 4096;
constexpr int ChunkCount = 4;
// A thread that waits for the other, the tokenizing one for free chunks or
// the reader for filled ones, sleeps until this many are there: each wake
// costs both threads, dearly on a virtual machine, so the other wakes it once
// for several chunks instead of once for each.
constexpr std::size_t WakeAt = ChunkCount / 2;
constexpr std::size_t PrefetchAhead = 16;
constexpr std::size_t InTurnChunks = 4;

// Fetches the cache line at `p` to be written: a plain prefetch would fetch it
// shared, and the write would wait for the line again.
inline void PrefetchForWriting(const void* p)
{
#if defined(__x86_64__)
    asm volatile("prefetchw %0" : : "m"(*static_cast<const char*>(p)));
#else
    __builtin_prefetch(p, 1);
#endif
}

bool Within(const void* p, const void* begin, std::size_t size)
{
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    const auto from = reinterpret_cast<std::uintptr_t>(begin);
    return at >= from && at - from < size;
}

} // namespace

const CsvRecordsAhead::Record CsvRecordsAhead::Empty{};
const CsvRecordsAhead::Items CsvRecordsAhead::EmptyItems{};

CsvRecordsAhead::CsvRecordsAhead(std::size_t chunkSize, bool ownThread)
    : chunkSize_((std::max<std::size_t>(chunkSize, 64) + 63) / 64 * 64), ownThread_(ownThread),
      chunks_(ChunkCount)
{
}

CsvRecordsAhead::~CsvRecordsAhead()
{
    Stop();
}

void CsvRecordsAhead::Start(int fd, off_t limit, bool keep, bool fastLines, int callColumn,
                            bool charactersChecked)
{
    Stop();
    Producer& p = producer_;
    p.tokenizer.Reset();
    p.tokenizer.SetFastLines(fastLines);
    p.tokenizer.SetBoundsOnly(true);
    p.fd = fd;
    p.offset = 0;
    p.limit = limit;
    p.keep = keep;
    p.fastLines = fastLines;
    p.callColumn = std::clamp(callColumn, 0, CsvTokenizer::ColumnCount - 6);
    p.charactersChecked = charactersChecked;
    p.atEnd = limit <= 0;
    p.lineStart = 0;
    p.carry.clear();
    p.errorLine = 0;
    p.errorText.clear();
    p.readError = 0;
    for (Chunk& chunk : chunks_)
        chunk.filled = false;
    freeChunks_ = chunks_.size();
    readyChunks_ = 0;
    producerWaits_ = readerWaits_ = lastMade_ = false;
    stop_ = false;
    next_ = 0;
    at_ = nullptr;
    atRecord_ = 0;
    errorLine_ = 0;
    errorText_.clear();
    readError_ = 0;
    {
        const std::lock_guard lock(mutex_);
        ahead_ = {};
    }
    started_ = true;
    // A small file is done sooner without a thread, and with one chunk's memory.
    inTurn_ = !ownThread_ || limit <= static_cast<off_t>(InTurnChunks * chunkSize_);
    if (inTurn_)
        return;
    try {
        thread_ = std::thread(&CsvRecordsAhead::Run, this);
    } catch (const std::system_error&) {
        inTurn_ = true; // no thread to be had: each chunk is made when needed
    }
}

void CsvRecordsAhead::Stop()
{
    if (thread_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
            threadWatch_.Tell();
        }
        room_.notify_all();
        thread_.join();
    }
    // The last records stay readable, whatever is read next.
    for (const Chunk& chunk : chunks_) {
        Hold(last_, chunk);
        Hold(earlier_, chunk);
    }
    at_ = nullptr;
    started_ = false;
}

void CsvRecordsAhead::Run()
{
    for (std::size_t i = 0;; i = (i + 1) % chunks_.size()) {
        Chunk& chunk = chunks_[i];
        {
            std::unique_lock lock(mutex_);
            threadWatch_.Before(lock, [&] { return stop_ || !chunk.filled; });
            if (chunk.filled) {
                // The chunks are given back in the order they were filled:
                // with WakeAt free, this one is among them.
                producerWaits_ = true;
                room_.wait(lock, [&] { return stop_ || freeChunks_ >= WakeAt; });
                producerWaits_ = false;
            }
            if (stop_)
                return;
        }
        Produce(chunk);
        Made(chunk);
        bool wake = false;
        {
            const std::lock_guard lock(mutex_);
            chunk.filled = true;
            --freeChunks_;
            ++readyChunks_;
            lastMade_ = chunk.end != CsvTokenizer::Step::NeedMore;
            wake = readerWaits_ && (readyChunks_ == WakeAt || lastMade_);
            readerWatch_.Tell();
        }
        if (wake)
            changed_.notify_one();
        if (chunk.end != CsvTokenizer::Step::NeedMore)
            return;
    }
}

// Puts what the last chunk left and the next bytes of the file into `chunk`.
void CsvRecordsAhead::Read(Chunk& chunk)
{
    Producer& p = producer_;
    if (!chunk.bytes) {
        // All chunks in one piece of memory, had when first read into.
        const std::size_t textSize = Lead + chunkSize_, recordsSize = MaxRecords * sizeof(Record);
        if (!memory_.Data())
            memory_ = HugePageBuffer(chunks_.size() * (textSize + recordsSize));
        if (char* const memory = memory_.Data()) {
            const auto i = static_cast<std::size_t>(&chunk - chunks_.data());
            chunk.bytes = memory + i * textSize;
            chunk.records = reinterpret_cast<Record*>(memory + chunks_.size() * textSize +
                                                      i * recordsSize);
        }
    }
    if (!chunk.bytes) {
        // No room to read into: the text ends here, as at a failed read.
        p.readError = p.readError ? p.readError : ENOMEM;
        p.atEnd = true;
        chunk.text = "";
        chunk.size = 0;
        return;
    }
    char* const base = chunk.bytes;
    const std::size_t carried = p.carry.size();
    if (carried > Lead) {
        // Left when the last chunk was full of records: this chunk takes those
        // records first, and reads on in the next one.
        std::memcpy(base, p.carry.data(), carried);
        chunk.text = base;
        chunk.size = carried;
        p.carry.clear();
        return;
    }
    if (carried > 0)
        std::memcpy(base + Lead - carried, p.carry.data(), carried);
    p.carry.clear();
    std::size_t got = 0;
    if (!p.atEnd) {
        const auto wanted = static_cast<std::size_t>(
            std::min<off_t>(p.limit - p.offset, static_cast<off_t>(chunkSize_)));
        const ssize_t n = ReadFullyAt(p.fd, base + Lead, wanted, p.offset);
        if (n < 0)
            p.readError = errno;
        got = n > 0 ? static_cast<std::size_t>(n) : 0;
        p.offset += static_cast<off_t>(got);
        // A failed or short read ends the text, as does the limit.
        p.atEnd = n < 0 || got < wanted || p.offset >= p.limit;
    }
    chunk.text = base + Lead - carried;
    chunk.size = carried + got;
}

void CsvRecordsAhead::Produce(Chunk& chunk)
{
    Producer& p = producer_;
    chunk.recordCount = 0;
    chunk.items.clear();
    chunk.spill.clear();
    chunk.end = CsvTokenizer::Step::NeedMore;
    Read(chunk);
    if (!chunk.records) {
        chunk.end = CsvTokenizer::Step::End; // no memory: the text ends, as at a failed read
        return;
    }
    const char* const text = chunk.text;
    const char* pos = text;
    const char* const end = text + chunk.size;
    // Where in the file the text from `at` on lies.
    const auto fileOffset = [&](const char* at) { return p.offset - (end - at); };
    for (;;) {
        if (p.keep && p.fastLines && p.tokenizer.AtLineStart()) {
            p.tokenizer.PassLines(TakeLines(chunk, pos, end));
            if (chunk.recordCount == MaxRecords) {
                p.lineStart = fileOffset(pos);
                p.carry.assign(pos, end);
                break;
            }
        }
        const char* const line = pos;
        if (p.tokenizer.AtLineStart())
            p.lineStart = fileOffset(line);
        const CsvTokenizer::Step step = p.tokenizer.Next(pos, end, p.atEnd, p.keep);
        if (step == CsvTokenizer::Step::Record) {
            if (!p.keep)
                continue;
            AddRecord(chunk, line, pos);
            if (chunk.recordCount < MaxRecords)
                continue;
        } else if (step != CsvTokenizer::Step::NeedMore) {
            chunk.end = step;
            p.errorLine = p.tokenizer.ErrorLine();
            p.errorText = p.tokenizer.ErrorText();
            break;
        }
        p.carry.assign(pos, end); // at a record's end, or at most a byte
        break;
    }
}

void CsvRecordsAhead::Made(const Chunk& chunk)
{
    const Producer& p = producer_;
    const std::lock_guard lock(mutex_);
    if (chunk.end != CsvTokenizer::Step::NeedMore) {
        ahead_.ended = true;
        ahead_.errorLine = chunk.end == CsvTokenizer::Step::Error ? p.errorLine : 0;
        ahead_.errorText = p.errorText;
        ahead_.readError = p.readError;
    } else {
        ahead_.lineStart = p.lineStart;
    }
}

CsvRecordsAhead::Progress CsvRecordsAhead::Ahead() const
{
    const std::lock_guard lock(mutex_);
    return ahead_;
}

CsvRecordsAhead::Record& CsvRecordsAhead::NewRecord(Chunk& chunk)
{
    // The records were last read on the reader's core: asking for them well
    // ahead hides the wait for each to come back.
    if (chunk.recordCount + PrefetchAhead < MaxRecords) {
        const auto* ahead =
            reinterpret_cast<const char*>(&chunk.records[chunk.recordCount + PrefetchAhead]);
        PrefetchForWriting(ahead);
        PrefetchForWriting(ahead + sizeof(Record) - 1);
    }
    return chunk.records[chunk.recordCount];
}

// Adds the tokenizer's last record, which it took from `line` to `lineEnd`.
void CsvRecordsAhead::AddRecord(Chunk& chunk, const char* line, const char* lineEnd)
{
    const CsvTokenizer& tokenizer = producer_.tokenizer;
    Record& record = NewRecord(chunk);
    ++chunk.recordCount;
    record.noted = 0;
    record.plain = false;
    record.keySize = 0;
    record.keyFrom = 0;
    record.items = static_cast<std::uint16_t>(chunk.items.size()); // fewer than MaxRecords
    Items& items = chunk.items.emplace_back();
    if (const CsvTokenizer::Bounds* bounds = tokenizer.LastBounds()) {
        record.base = static_cast<std::uint32_t>(bounds->line - chunk.bytes);
        record.spilled = false;
        items.start = bounds->start;
        items.size = bounds->size;
        return;
    }
    const auto lineSize = static_cast<std::size_t>(lineEnd - line);
    // Items lie in the line when it was taken whole, otherwise all in the
    // tokenizer's own storage, which the next record reuses.
    bool inLine = true;
    for (int column = 0; column < CsvTokenizer::ColumnCount && inLine; ++column) {
        const CsvTokenizer::Item& item = tokenizer.ItemAt(column);
        inLine = item.size == 0 || Within(item.data, line, lineSize);
    }
    const char* base = line;
    record.spilled = !inLine;
    record.base = static_cast<std::uint32_t>(line - chunk.bytes);
    if (record.spilled) {
        record.base = static_cast<std::uint32_t>(chunk.spill.size());
        base = nullptr;
    }
    std::uint64_t marks = 0;
    for (int column = 0; column < CsvTokenizer::ColumnCount; ++column) {
        const CsvTokenizer::Item& item = tokenizer.ItemAt(column);
        const auto c = static_cast<std::size_t>(column);
        items.size[c] = static_cast<std::uint16_t>(item.size);
        marks |= std::uint64_t{item.hasNul} << (4 * column) |
                 std::uint64_t{item.textBeyond} << (4 * column + 1) |
                 std::uint64_t{item.nulBeyond} << (4 * column + 2);
        if (base) {
            items.start[c] = item.size == 0 ? 0 : static_cast<std::uint16_t>(item.data - base);
        } else {
            items.start[c] = static_cast<std::uint16_t>(chunk.spill.size() - record.base);
            chunk.spill.insert(chunk.spill.end(), item.data, item.data + item.size);
        }
    }
    items.marks = marks;
}

// Notes what the run glances at in a plain line's items, as fields give them.
inline void CsvRecordsAhead::Note(Record& record, const char* line, std::size_t callColumn)
{
    Record::PlainItems items(record, line);
    for (std::size_t column = 0; column < callColumn; ++column)
        items.Skip();
    const auto [callFrom, callSize] = items.Next();
    items.Skip();
    const auto [timeFrom, timeLength] = items.Next();
    items.Skip();
    items.Skip();
    const auto [keyFrom, keyLength] = items.Next();
    const std::size_t timeSize = ByteWords::WithoutTrailingSpaces(line + timeFrom, timeLength);
    const bool noSlash = !ByteWords::Has<'/'>(line + callFrom, static_cast<qsizetype>(callSize));
    record.noted = static_cast<std::uint8_t>(
        NotedKnown | (timeSize == 0 || line[timeFrom + timeSize - 1] != 'J' ? NotedNotJapanTime : 0) |
        (noSlash ? NotedNoSlash : 0));
    record.keyFrom = static_cast<std::uint16_t>(keyFrom);
    record.keySize =
        static_cast<std::uint16_t>(ByteWords::WithoutTrailingSpaces(line + keyFrom, keyLength));
}

// Plain lines, as CsvTokenizer takes them one at a time, taken many at a
// time: each 64-byte block is classified once, whatever lines it holds, and
// a line's items are bounded as its bytes go by. The first line a rule
// refuses, one longer than a field (so that no item is), and one that does
// not lie whole in the text are left to the tokenizer.
qint64 CsvRecordsAhead::TakeLines(Chunk& chunk, const char*& pos, const char* end)
{
    const char* const text = pos;
    const auto available = static_cast<std::size_t>(end - text);
    qint64 taken = 0;
    // The line being taken, the block it begins in, and whether it has a comma so far.
    std::size_t lineStart = 0, firstBlock = 0;
    bool comma = false;
    Record* record = nullptr;
    const auto begin = [&] {
        if (chunk.recordCount == MaxRecords)
            return false;
        record = &NewRecord(chunk);
        record->spilled = false;
        record->shift = static_cast<std::uint8_t>(lineStart % CsvBlocks::BlockSize);
        firstBlock = lineStart / CsvBlocks::BlockSize;
        return true;
    };
    if (!begin())
        return 0;
    CsvBlocks::PlainLineMarks marks(text, available, producer_.charactersChecked);
    for (std::size_t o = 0; o < available; o += CsvBlocks::BlockSize) {
        auto [itemEnds, lineEnds, faulty] = marks.Next(o);
        for (;;) {
            // The commas before the next line end, or the block's end, are the
            // line's in this block.
            const std::uint64_t upTo = lineEnds ? (lineEnds & (0 - lineEnds)) - 1 : ~std::uint64_t{0};
            const std::uint64_t commas = itemEnds & upTo;
            const std::size_t word = o / CsvBlocks::BlockSize - firstBlock;
            if (word < Record::CommaWords)
                record->commas[word] = commas;
            comma |= commas != 0;
            itemEnds &= ~upTo;
            if (!lineEnds)
                break;
            const char* const line = text + lineStart;
            const std::size_t stop =
                o + static_cast<std::size_t>(std::countr_zero(lineEnds)) - lineStart;
            lineEnds &= lineEnds - 1;
            const std::size_t lineEnd = stop > 0 && line[stop - 1] == '\r' ? stop - 1 : stop;
            // A line without a comma or quote may be only spaces, which is no record.
            if ((!comma && line[0] != '"') || lineEnd > CsvTokenizer::ItemCapacity) {
                pos = line;
                return NoteTaken(chunk, taken);
            }
            record->lineEnd = static_cast<std::uint16_t>(lineEnd);
            record->plain = true;
            record->base = static_cast<std::uint32_t>(line - chunk.bytes);
            ++chunk.recordCount;
            ++taken;
            lineStart += stop + 1;
            comma = false;
            if (!begin()) {
                pos = text + lineStart;
                return NoteTaken(chunk, taken);
            }
        }
        if (faulty)
            break; // the line that holds the first fault is the tokenizer's
    }
    pos = text + lineStart;
    return NoteTaken(chunk, taken);
}

// Notes the last `taken` records of `chunk`, plain lines: in a pass of its
// own, once their items' ends are stored, which a read straight after the
// store waits for.
qint64 CsvRecordsAhead::NoteTaken(Chunk& chunk, qint64 taken)
{
    const auto callColumn = static_cast<std::size_t>(producer_.callColumn);
    for (std::size_t i = chunk.recordCount - static_cast<std::size_t>(taken); i < chunk.recordCount;
         ++i)
        Note(chunk.records[i], chunk.bytes + chunk.records[i].base, callColumn);
    return taken;
}

CsvTokenizer::Step CsvRecordsAhead::Next(bool keep)
{
    for (;;) {
        if (at_ && atRecord_ < at_->recordCount) {
            const Record& record = at_->records[atRecord_++];
            if (keep) {
                earlier_ = last_;
                last_ = {(record.spilled ? at_->spill.data() : at_->bytes) + record.base,
                         &record, record.plain ? &EmptyItems : &at_->items[record.items]};
            }
            return CsvTokenizer::Step::Record;
        }
        if (at_ && at_->end != CsvTokenizer::Step::NeedMore)
            return at_->end;
        if (!started_)
            return CsvTokenizer::Step::End;
        at_ = TakeChunk();
        atRecord_ = 0;
    }
}

qint64 CsvRecordsAhead::PassNoted(const BandCache& bands, qint64 limit)
{
    qint64 passed = 0;
    while (passed < limit) {
        if (!at_ || atRecord_ == at_->recordCount) {
            if (!started_ || (at_ && at_->end != CsvTokenizer::Step::NeedMore))
                break; // Next tells the end
            at_ = TakeChunk();
            atRecord_ = 0;
            continue;
        }
        // Within the chunk, without a record handed out for each.
        const std::size_t from = atRecord_;
        const std::size_t end =
            std::min(at_->recordCount, from + static_cast<std::size_t>(limit - passed));
        std::size_t i = from;
        for (; i < end; ++i) {
            const Record& record = at_->records[i];
            if ((record.noted & NotedKnown) == 0 ||
                (record.noted & (NotedNotJapanTime | NotedNoSlash)) == 0)
                break;
            const char* const line = at_->bytes + record.base; // plain lines are never spilled
            const QString* band = bands.Find(QByteArrayView(
                line + record.keyFrom, static_cast<qsizetype>(record.keySize)));
            if (!band || band->isEmpty())
                break;
        }
        if (i > from) {
            // As Next(true) leaves them, before the chunk can go back.
            earlier_ = i - from >= 2 ? Placed{at_->bytes + at_->records[i - 2].base,
                                              &at_->records[i - 2]}
                                     : last_;
            last_ = {at_->bytes + at_->records[i - 1].base, &at_->records[i - 1]};
            passed += static_cast<qint64>(i - from);
            atRecord_ = i;
        }
        if (i < at_->recordCount)
            break; // a record that is not passed, or the limit
    }
    return passed;
}

CsvRecordsAhead::Chunk* CsvRecordsAhead::TakeChunk()
{
    if (at_)
        GiveBack(*at_);
    Chunk* chunk = nullptr;
    if (inTurn_) {
        chunk = &chunks_.front();
        Produce(*chunk);
        Made(*chunk);
    } else {
        std::unique_lock lock(mutex_);
        chunk = &chunks_[next_];
        readerWatch_.Before(lock, [&] { return chunk->filled; });
        if (!chunk->filled) {
            readerWaits_ = true;
            changed_.wait(lock, [&] {
                return chunk->filled && (readyChunks_ >= WakeAt || lastMade_);
            });
            readerWaits_ = false;
        }
        --readyChunks_;
        next_ = (next_ + 1) % chunks_.size();
    }
    if (chunk->end != CsvTokenizer::Step::NeedMore) {
        // The producer is done with these: it wrote them before the chunk.
        errorLine_ = producer_.errorLine;
        errorText_ = producer_.errorText;
        readError_ = producer_.readError;
    }
    return chunk;
}

void CsvRecordsAhead::GiveBack(Chunk& chunk)
{
    Hold(last_, chunk);
    Hold(earlier_, chunk);
    if (inTurn_)
        return;
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        chunk.filled = false;
        ++freeChunks_;
        wake = producerWaits_ && freeChunks_ == WakeAt;
        threadWatch_.Tell();
    }
    if (wake)
        room_.notify_one();
}

// Copies `placed` out of `chunk` when it lies there, so that the chunk can be reused.
void CsvRecordsAhead::Hold(Placed& placed, const Chunk& chunk)
{
    if (!chunk.records || !Within(placed.record, chunk.records, MaxRecords * sizeof(Record)))
        return;
    HeldRecord& held = last_.record == &held_[0].record || earlier_.record == &held_[0].record
                           ? held_[1]
                           : held_[0];
    held.record = *placed.record;
    held.record.base = 0;
    held.record.spilled = false;
    held.record.plain = false;
    held.record.items = 0;
    // The noted key is the frequency item's start there too.
    const auto keyColumn = static_cast<std::size_t>(producer_.callColumn) + 5;
    held.record.keyFrom = static_cast<std::uint16_t>(keyColumn * CsvTokenizer::ItemCapacity);
    Items items;
    for (int column = 0; column < CsvTokenizer::ColumnCount; ++column) {
        const auto c = static_cast<std::size_t>(column);
        const std::size_t at = c * CsvTokenizer::ItemCapacity;
        const Item item = placed.At(column);
        std::memcpy(held.bytes.data() + at, item.data, item.size);
        items.start[c] = static_cast<std::uint16_t>(at);
        items.size[c] = static_cast<std::uint16_t>(item.size);
        items.marks |= std::uint64_t{item.hasNul} << (4 * column) |
                       std::uint64_t{item.textBeyond} << (4 * column + 1) |
                       std::uint64_t{item.nulBeyond} << (4 * column + 2);
    }
    held.items = items;
    placed = {held.bytes.data(), &held.record, &held.items};
}
