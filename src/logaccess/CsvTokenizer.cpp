#include "CsvTokenizer.h"

#include "CodePage932Bytes.h"
#include "CsvBlocks.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

using CsvBlocks::BlockSize;

// Bytes that end a run of plain text: bit 0 in a bare item, bit 1 in a quoted one.
// Bytes from 0x80 on start characters that need checking.
constexpr unsigned char BareStop = 1, QuotedStop = 2;

constexpr std::array<unsigned char, 256> MakeStops()
{
    std::array<unsigned char, 256> stops{};
    stops[','] = BareStop;
    stops['\r'] = BareStop;
    stops['\n'] = BareStop | QuotedStop;
    stops['"'] = QuotedStop;
    stops[0] = BareStop | QuotedStop; // rare, and worth noting for the field's text
    for (unsigned b = 0x80; b < 256; ++b)
        stops[b] = BareStop | QuotedStop;
    return stops;
}

constexpr std::array<unsigned char, 256> Stops = MakeStops();

const char* SkipPlain(const char* p, const char* end, unsigned char stop)
{
    while (p < end && !(Stops[static_cast<unsigned char>(*p)] & stop))
        ++p;
    return p;
}

QString Hex(unsigned char byte)
{
    return QString::asprintf("0x%02X", unsigned{byte});
}

} // namespace

CsvTokenizer::CsvTokenizer()
{
    for (auto& items : sets_) {
        for (Item& item : items)
            item.Clear();
    }
    Reset();
}

void CsvTokenizer::Reset()
{
    state_ = State::LineStart;
    line_ = 1;
    quoteLine_ = errorLine_ = 0;
    errorText_.clear();
    StartRecord();
    lastPlain_ = false;
}

void CsvTokenizer::StartRecord()
{
    auto& items = sets_[static_cast<std::size_t>(filling_)];
    int& dirty = dirty_[static_cast<std::size_t>(filling_)];
    for (int i = 0; i < dirty; ++i)
        items[static_cast<std::size_t>(i)].Clear();
    dirty = 0;
    column_ = 0;
    lineHasText_ = false;
    if (keep_)
        lastPlain_ = false; // this record, taken byte by byte, is the last kept
}

void CsvTokenizer::NoteText(const char* bytes, std::size_t size)
{
    lineHasText_ = std::any_of(bytes, bytes + size, [](char c) { return c != ' '; });
}

void CsvTokenizer::Keep(const char* bytes, std::size_t size)
{
    Item& item = Filling();
    const std::size_t kept = std::min(size, ItemCapacity - item.size);
    std::memcpy(item.bytes.data() + item.size, bytes, kept);
    item.size += kept;
    if (kept < size)
        AppendBeyond(item, bytes + kept, size - kept);
}

void CsvTokenizer::AppendBeyond(Item& item, const char* bytes, std::size_t size)
{
    // The field's text ends at its first zero byte, and trailing spaces are
    // trimmed; this is all a field needs to know of the part not kept.
    for (std::size_t i = 0; i < size && !item.nulBeyond; ++i) {
        if (bytes[i] == '\0')
            item.nulBeyond = true;
        else if (bytes[i] != ' ')
            item.textBeyond = true;
    }
}

void CsvTokenizer::Fail(qint64 line, QString text)
{
    errorLine_ = line;
    errorText_ = std::move(text);
}

CsvTokenizer::Taken CsvTokenizer::TakeCharacter(const char*& p, const char* end, bool atEnd)
{
    const auto first = static_cast<unsigned char>(*p);
    switch (CodePage932Bytes::KindOf(first)) {
    case CodePage932Bytes::Ascii:
        if (first == 0 && keep_ && column_ < ColumnCount)
            Filling().hasNul = true;
        [[fallthrough]];
    case CodePage932Bytes::Single:
        Append(p, 1);
        ++p;
        return Taken::Done;
    case CodePage932Bytes::Invalid:
        Fail(line_, QStringLiteral("byte %1 is not code page 932 text").arg(Hex(first)));
        return Taken::Bad;
    case CodePage932Bytes::Lead:
        break;
    }
    if (p + 1 == end) {
        if (!atEnd)
            return Taken::NeedMore;
        Fail(line_, QStringLiteral("the text ends inside a double-byte character"));
        return Taken::Bad;
    }
    const auto second = static_cast<unsigned char>(p[1]);
    if (!CodePage932Bytes::IsPair(first, second)) {
        Fail(line_, QStringLiteral("bytes %1 %2 are not a code page 932 character")
                        .arg(Hex(first), Hex(second)));
        return Taken::Bad;
    }
    Append(p, 2);
    p += 2;
    return Taken::Done;
}

void CsvTokenizer::HoldItems()
{
    auto& items = sets_[static_cast<std::size_t>(done_)];
    for (int i = 0; i < dirty_[static_cast<std::size_t>(done_)]; ++i) {
        Item& item = items[static_cast<std::size_t>(i)];
        if (item.data != item.bytes.data()) {
            std::memcpy(item.bytes.data(), item.data, item.size);
            item.data = item.bytes.data();
        }
    }
}

bool CsvTokenizer::TakePlainLine(const char*& pos, const char* end)
{
    // Longer lines are rare enough for the byte-by-byte way.
    constexpr std::size_t MaxBlocks = 16;
    const char* const p = pos;
    const auto available = static_cast<std::size_t>(end - p);
    CsvBlocks::PlainLineMarks marks(p, available);
    std::array<std::uint64_t, MaxBlocks> parts; // the items' ends, up to the line end
    bool commas = false;
    for (std::size_t b = 0; b < MaxBlocks && BlockSize * b < available; ++b) {
        const auto [itemEnds, lineEnds, faulty] = marks.Next(BlockSize * b);
        const std::uint64_t beforeEnd = lineEnds ? (lineEnds & (0 - lineEnds)) - 1 : ~std::uint64_t{0};
        parts[b] = itemEnds & beforeEnd;
        commas = commas || parts[b] != 0;
        if (!lineEnds) {
            if (faulty)
                return false;
            continue;
        }
        const std::size_t lineEnd = BlockSize * b + static_cast<std::size_t>(std::countr_zero(lineEnds));
        std::size_t size = lineEnd; // the line's bytes before its CR LF or LF
        if (size > 0 && p[size - 1] == '\r')
            --size;
        // A line without a comma or quote may be only spaces, which is no record.
        if (!commas && p[0] != '"')
            return false;
        const std::size_t last = size / BlockSize;
        parts[last] |= std::uint64_t{1} << (size % BlockSize);
        if (keep_) {
            const int columns = TakeBounds(p, parts.data(), last, size);
            if (columns < 0)
                return false;
            if (!boundsOnly_)
                KeepBounds(columns);
        }
        pos = p + lineEnd + 1;
        ++line_;
        return true;
    }
    return false; // the line goes on past the text at hand, or is long
}

int CsvTokenizer::TakeBounds(const char* line, const std::uint64_t* parts, std::size_t last,
                             std::size_t size)
{
    // Filled in a local: writing through `this` would make the compiler
    // reload everything after each store.
    Bounds bounds;
    bounds.line = line;
    // No item is longer than its line, so only a long line has items to measure.
    const bool mayBeLong = size > ItemCapacity;
    std::uint32_t column = 0, start = 0;
    for (std::size_t b = 0; b <= last && column < ColumnCount; ++b) {
        const auto base = static_cast<std::uint32_t>(BlockSize * b);
        for (std::uint64_t part = parts[b]; part != 0; part &= part - 1) {
            const std::uint32_t stop = base + static_cast<std::uint32_t>(std::countr_zero(part));
            // For an empty item, its start is the comma or line end after it.
            const std::uint32_t quoted = line[start] == '"';
            const std::uint32_t length = stop - start - 2 * quoted;
            if (mayBeLong && length > ItemCapacity)
                return -1;
            bounds.start[column] = static_cast<std::uint16_t>(start + quoted);
            bounds.size[column] = static_cast<std::uint16_t>(length);
            start = stop + 1;
            if (++column == ColumnCount)
                break;
        }
    }
    bounds_ = bounds; // the columns past the line's are clear
    lastPlain_ = boundsOnly_;
    return static_cast<int>(column);
}

void CsvTokenizer::KeepBounds(int columns)
{
    auto& items = sets_[static_cast<std::size_t>(filling_)];
    int& dirty = dirty_[static_cast<std::size_t>(filling_)];
    for (int column = 0; column < columns; ++column) {
        const auto c = static_cast<std::size_t>(column);
        Item& item = items[c];
        item.data = bounds_.line + bounds_.start[c];
        item.size = bounds_.size[c];
        item.hasNul = item.textBeyond = item.nulBeyond = false;
    }
    for (int i = columns; i < dirty; ++i)
        items[static_cast<std::size_t>(i)].Clear();
    dirty = columns;
}

CsvTokenizer::Step CsvTokenizer::Next(const char*& pos, const char* end, bool atEnd, bool keep)
{
    keep_ = keep;
    const char* p = pos;
    State state = state_; // a local, so that it can live in a register
    // Leaves with `pos` at the first byte not yet used.
    const auto leave = [&](State next, Step step) {
        state_ = next;
        pos = p;
        if (step == Step::Record && keep_) {
            done_ = filling_;
            filling_ ^= 1;
        }
        return step;
    };
    for (;;) {
        switch (state) {
        case State::Finished:
            return leave(state, Step::End);
        case State::Failed:
            return leave(state, Step::Error);
        case State::LineStart:
            if (p == end)
                return leave(state, atEnd ? Step::End : Step::NeedMore);
            if (fastLines_ && TakePlainLine(p, end))
                return leave(state, Step::Record);
            StartRecord();
            [[fallthrough]];
        case State::ItemStart:
            if (p == end && !atEnd)
                return leave(State::ItemStart, Step::NeedMore);
            if (p != end && *p == '"') {
                lineHasText_ = true;
                quoteLine_ = line_;
                ++p;
                state = State::Quoted;
                break;
            }
            [[fallthrough]];
        case State::Bare: {
            state = State::Bare;
            const char* start = p;
            p = SkipPlain(p, end, BareStop);
            Append(start, static_cast<std::size_t>(p - start));
            if (p == end) {
                if (!atEnd)
                    return leave(state, Step::NeedMore);
                return leave(State::Finished, lineHasText_ ? Step::Record : Step::End);
            }
            if (*p == ',') {
                ++p;
                lineHasText_ = true;
                ++column_;
                state = State::ItemStart;
            } else if (*p == '\n' || (*p == '\r' && p + 1 < end && p[1] == '\n')) {
                p += *p == '\r' ? 2 : 1;
                ++line_;
                state = State::LineStart;
                if (lineHasText_) // a blank line takes no record number
                    return leave(state, Step::Record);
            } else if (*p == '\r') {
                if (p + 1 == end && !atEnd)
                    return leave(state, Step::NeedMore);
                Append(p, 1); // a CR not before a LF is text
                ++p;
            } else if (const Taken taken = TakeCharacter(p, end, atEnd); taken != Taken::Done) {
                return taken == Taken::NeedMore ? leave(state, Step::NeedMore)
                                                : leave(State::Failed, Step::Error);
            }
            break;
        }
        case State::Quoted: {
            const char* start = p;
            p = SkipPlain(p, end, QuotedStop);
            Append(start, static_cast<std::size_t>(p - start));
            if (p == end) {
                if (!atEnd)
                    return leave(state, Step::NeedMore);
                Fail(quoteLine_, QStringLiteral("a quoted item is not closed"));
                return leave(State::Failed, Step::Error);
            }
            if (*p == '\n') {
                Append(p, 1);
                ++p;
                ++line_;
            } else if (*p == '"') {
                if (p + 1 == end && !atEnd)
                    return leave(state, Step::NeedMore);
                if (p + 1 < end && p[1] == '"') {
                    Append(p, 1);
                    p += 2;
                } else if (p + 1 < end && p[1] == ',') { // the usual end of a quoted item
                    p += 2;
                    ++column_;
                    state = State::ItemStart;
                } else {
                    ++p;
                    state = State::Bare; // anything up to the next comma is kept as text
                }
            } else if (const Taken taken = TakeCharacter(p, end, atEnd); taken != Taken::Done) {
                return taken == Taken::NeedMore ? leave(state, Step::NeedMore)
                                                : leave(State::Failed, Step::Error);
            }
            break;
        }
        }
    }
}
