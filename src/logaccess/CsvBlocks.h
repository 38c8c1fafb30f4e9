#pragma once

#include "CodePage932Bytes.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// CSV text classified 64 bytes at a time, a bit a byte, for the scans that
// take lines and check whole files without going byte by byte.
namespace CsvBlocks {

// Where the bytes of a 64-byte block are quotes, commas and so on, a bit a byte.
struct Block {
    std::uint64_t quotes, commas, breaks;
    std::uint64_t zeros, returns, high; // zero bytes, CRs, bytes from 0x80 on
};
constexpr std::size_t BlockSize = 64, ChunkSize = 16;

// Adds the 16 bytes at `p` to `block`, from bit `shift` on.
inline void Classify(const char* p, int shift, Block& block)
{
#ifdef __SSE2__
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto bits = [shift](__m128i m) {
        return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(m))} << shift;
    };
    block.quotes |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')));
    block.commas |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8(',')));
    block.breaks |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
    block.zeros |= bits(_mm_cmpeq_epi8(v, _mm_setzero_si128()));
    block.returns |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
    block.high |= bits(v);
#else
    for (std::size_t i = 0; i < ChunkSize; ++i) {
        const auto b = static_cast<unsigned char>(p[i]);
        const std::uint64_t bit = std::uint64_t{1} << (shift + static_cast<int>(i));
        block.quotes |= b == '"' ? bit : 0;
        block.commas |= b == ',' ? bit : 0;
        block.breaks |= b == '\n' ? bit : 0;
        block.zeros |= b == 0 ? bit : 0;
        block.returns |= b == '\r' ? bit : 0;
        block.high |= b >= 0x80 ? bit : 0;
    }
#endif
}

// Quotes, item and line ends (commas and line feeds), and bytes from 0x80 on
// in the 64 bytes at `p`: what checking a whole text needs.
struct Marks {
    std::uint64_t quotes, ends, high;
};

inline Marks MarkBlock(const char* p)
{
    Marks marks{};
#ifdef __SSE2__
    const auto bits = [](__m128i m, int shift) {
        return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(m))} << shift;
    };
#pragma GCC unroll 4
    for (int shift = 0; shift < 64; shift += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + shift));
        marks.quotes |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')), shift);
        marks.ends |= bits(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(',')),
                                        _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))),
                           shift);
        marks.high |= bits(v, shift);
    }
#else
    for (int i = 0; i < 64; ++i) {
        const auto b = static_cast<unsigned char>(p[i]);
        const std::uint64_t bit = std::uint64_t{1} << i;
        marks.quotes |= b == '"' ? bit : 0;
        marks.ends |= b == ',' || b == '\n' ? bit : 0;
        marks.high |= b >= 0x80 ? bit : 0;
    }
#endif
    return marks;
}

// Bit i tells whether an odd number of bits 0 to i are set.
inline std::uint64_t PrefixXor(std::uint64_t x)
{
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return x;
}

// Where the plain lines of a text end and their items end, 64 bytes at a
// time, by the rules of a plain line: a quote opens an
// item only at its start and closes it only before a comma or the line end,
// no line break lies in quotes, every character is code page 932 and none is
// a zero byte or a CR not before a line feed.
class PlainLineMarks {
public:
    // With `charactersChecked` the text is known to be code page 932 text
    // (a whole file checked at opening): its characters are not checked again.
    PlainLineMarks(const char* text, std::size_t size, bool charactersChecked = false)
        : text_(text), size_(size), charactersChecked_(charactersChecked)
    {
    }

    // The block of 64 bytes at `offset` from the text's start (fewer at its end).
    struct Ends {
        std::uint64_t itemEnds; // commas outside quotes
        std::uint64_t lineEnds; // line feeds
        bool faulty;            // a byte after those breaks a rule: its line is no plain one
    };
    // Inline into each scan: it runs once for every 64 bytes of a log.
    [[gnu::always_inline]] Ends Next(std::size_t offset)
    {
        const std::size_t n = std::min(BlockSize, size_ - offset);
        const char* at = text_ + offset;
        char tail[BlockSize];
        if (n < BlockSize) {
            // Never read past the text: the last bytes are classified from a copy.
            std::memset(tail, 'x', sizeof tail);
            std::memcpy(tail, at, n);
            at = tail;
        }
        Block block{};
        for (std::size_t i = 0; i < BlockSize; i += ChunkSize)
            Classify(at + i, static_cast<int>(i), block);
        const std::uint64_t quotes = block.quotes, commas = block.commas, breaks = block.breaks;
        const std::uint64_t quoted = PrefixXor(quotes) ^ inside_;
        const std::uint64_t opens = quotes & quoted, closes = quotes & ~quoted;
        const std::uint64_t afterCloses = closes << 1 | afterClose_;
        // After a closing quote a CR is the line end, as the characters' check makes sure.
        std::uint64_t bad = (opens & ~((commas | breaks) << 1 | itemBegins_)) |
                            (afterCloses & ~(commas | breaks | block.returns)) | (breaks & quoted);
        if (charactersChecked_)
            bad |= block.zeros | LoneReturns(offset, block);
        else
            bad |= Characters(offset, block.zeros | block.returns | block.high);
        inside_ = 0 - (quoted >> 63);
        itemBegins_ = (commas | breaks) >> 63;
        afterClose_ = closes >> 63;
        const std::uint64_t before = bad ? (bad & (0 - bad)) - 1 : ~std::uint64_t{0};
        const std::uint64_t valid = n < BlockSize ? (std::uint64_t{1} << n) - 1 : ~std::uint64_t{0};
        return {commas & ~quoted & before & valid, breaks & before & valid, bad != 0};
    }

private:
    // CRs not before a line feed, in the block at `offset`.
    std::uint64_t LoneReturns(std::size_t offset, const Block& block) const
    {
        std::uint64_t lone = block.returns & ~(block.breaks >> 1);
        if (lone >> 63 && offset + BlockSize < size_ && text_[offset + BlockSize] == '\n')
            lone &= ~(std::uint64_t{1} << 63); // its line feed begins the next block
        return lone;
    }

    // The first of `others` (zero bytes, CRs and bytes from 0x80 on, in the
    // block at `offset`) that breaks a rule, as a bit; double-byte characters
    // cut by the end of the text too.
    std::uint64_t Characters(std::size_t offset, std::uint64_t others)
    {
        for (; others != 0; others &= others - 1) {
            const auto i = static_cast<std::size_t>(std::countr_zero(others));
            const std::size_t at = offset + i;
            if (at < checkedTo_ || at >= size_)
                continue; // a trail byte, or past the text
            const auto byte = static_cast<unsigned char>(text_[at]);
            const bool hasNext = at + 1 < size_;
            const auto next = hasNext ? static_cast<unsigned char>(text_[at + 1]) : 0;
            if (byte == '\r') {
                if (next == '\n')
                    continue;
            } else if (const CodePage932Bytes::Kind kind = CodePage932Bytes::KindOf(byte);
                       kind == CodePage932Bytes::Single) {
                continue;
            } else if (kind == CodePage932Bytes::Lead && hasNext &&
                       CodePage932Bytes::IsPair(byte, next)) {
                checkedTo_ = at + 2;
                continue;
            }
            return std::uint64_t{1} << i;
        }
        return 0;
    }

    const char* const text_;
    const std::size_t size_;
    const bool charactersChecked_;
    std::size_t checkedTo_ = 0; // bytes before this one were checked as characters
    // What the last block tells of the next one's first byte.
    std::uint64_t inside_ = 0; // all ones while a quoted item is open
    std::uint64_t itemBegins_ = 1, afterClose_ = 0;
};

} // namespace CsvBlocks
