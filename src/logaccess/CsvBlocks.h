#pragma once

#include <cstddef>
#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// CSV text classified 64 bytes at a time, a bit a byte, for the scans that
// take lines and check whole files without going byte by byte.
namespace CsvBlocks {

// Where the bytes of a 64-byte block are quotes, commas and so on, a bit a byte.
struct Block {
    std::uint64_t quotes, commas, breaks;
    std::uint64_t others; // bytes from 0x80 on, zero bytes and CRs
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
    block.others |= bits(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_setzero_si128()),
                                                   _mm_cmpeq_epi8(v, _mm_set1_epi8('\r'))),
                                      v));
#else
    for (std::size_t i = 0; i < ChunkSize; ++i) {
        const auto b = static_cast<unsigned char>(p[i]);
        const std::uint64_t bit = std::uint64_t{1} << (shift + static_cast<int>(i));
        block.quotes |= b == '"' ? bit : 0;
        block.commas |= b == ',' ? bit : 0;
        block.breaks |= b == '\n' ? bit : 0;
        block.others |= b >= 0x80 || b == 0 || b == '\r' ? bit : 0;
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

} // namespace CsvBlocks
