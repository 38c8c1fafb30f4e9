#include "CsvTokenizer.h"

#include "CodePage932Bytes.h"

#include <algorithm>
#include <cstring>

namespace {

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
