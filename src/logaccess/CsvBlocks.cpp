#include "CsvBlocks.h"

#include <cstring>

#include <algorithm>

#ifdef __x86_64__
#include <immintrin.h>
#define KORVEX_X86 1
#endif

namespace CsvBlocks {
namespace {

// Lead bytes (0x81 to 0x9F, 0xE0 to 0xFC) are one range once bit 5 is
// flipped, 0xA1 to 0xDC: told by one unsigned comparison of the byte's
// distance from 0xA1.
constexpr unsigned LeadSpan = 0xDC - 0xA1;

std::uint64_t PrefixXor(std::uint64_t x)
{
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return x;
}

#ifdef __SSE2__
__m128i LeadOffsets(__m128i v)
{
    return _mm_sub_epi8(_mm_xor_si128(v, _mm_set1_epi8(0x20)), _mm_set1_epi8(char(0xA1)));
}
// All ones in the bytes of `v` that are at most `limit`, unsigned.
__m128i AtMost(__m128i v, unsigned limit)
{
    return _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(static_cast<char>(limit))), v);
}
#endif

void ClassifyPortable(const char* p, std::size_t count, Block* out)
{
    for (std::size_t b = 0; b < count; ++b, p += BlockSize) {
        Block block{};
#ifdef __SSE2__
        const auto bits = [](__m128i m, int shift) {
            return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(m))} << shift;
        };
        for (int shift = 0; shift < 64; shift += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + shift));
            block.quotes |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')), shift);
            block.commas |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8(',')), shift);
            block.breaks |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')), shift);
            block.zeros |= bits(_mm_cmpeq_epi8(v, _mm_setzero_si128()), shift);
            block.returns |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), shift);
            block.high |= bits(v, shift);
            block.leads |= bits(AtMost(LeadOffsets(v), LeadSpan), shift);
        }
#else
        for (int i = 0; i < 64; ++i) {
            const auto c = static_cast<unsigned char>(p[i]);
            const std::uint64_t bit = std::uint64_t{1} << i;
            block.quotes |= c == '"' ? bit : 0;
            block.commas |= c == ',' ? bit : 0;
            block.breaks |= c == '\n' ? bit : 0;
            block.zeros |= c == 0 ? bit : 0;
            block.returns |= c == '\r' ? bit : 0;
            block.high |= c >= 0x80 ? bit : 0;
            block.leads |= static_cast<unsigned char>((c ^ 0x20) - 0xA1) <= LeadSpan ? bit : 0;
        }
#endif
        block.quoted = PrefixXor(block.quotes);
        out[b] = block;
    }
}

#ifdef KORVEX_X86
// The wider units, where the processor has them: the scans spend much of
// their time here.

[[gnu::target("pclmul")]] std::uint64_t PrefixXorByProduct(std::uint64_t x)
{
    // A carry-less product with all ones: bit i is the parity of bits 0 to i.
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(
        _mm_clmulepi64_si128(_mm_cvtsi64_si128(static_cast<long long>(x)), _mm_set1_epi8(-1), 0)));
}

// Bit i tells whether byte i of `lo` and then `hi` is `byte`.
[[gnu::target("avx2")]] std::uint64_t Matches(__m256i lo, __m256i hi, __m256i byte)
{
    const auto low = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(lo, byte)));
    const auto high = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(hi, byte)));
    return std::uint64_t{high} << 32 | low;
}

[[gnu::target("avx2")]] __m256i LeadOffsets(__m256i v)
{
    return _mm256_sub_epi8(_mm256_xor_si256(v, _mm256_set1_epi8(0x20)),
                           _mm256_set1_epi8(char(0xA1)));
}
// Bit i tells whether byte i of `lo` and then `hi` is at most `limit`, unsigned.
[[gnu::target("avx2")]] std::uint64_t AtMost(__m256i lo, __m256i hi, unsigned limit)
{
    const __m256i top = _mm256_set1_epi8(static_cast<char>(limit));
    const auto low = static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_min_epu8(lo, top), lo)));
    const auto high = static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_min_epu8(hi, top), hi)));
    return std::uint64_t{high} << 32 | low;
}

[[gnu::target("avx2,pclmul")]] void ClassifyAvx2(const char* p, std::size_t count, Block* out)
{
    for (std::size_t b = 0; b < count; ++b, p += BlockSize) {
        const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        Block block;
        block.quotes = Matches(lo, hi, _mm256_set1_epi8('"'));
        block.commas = Matches(lo, hi, _mm256_set1_epi8(','));
        block.breaks = Matches(lo, hi, _mm256_set1_epi8('\n'));
        block.zeros = Matches(lo, hi, _mm256_setzero_si256());
        block.returns = Matches(lo, hi, _mm256_set1_epi8('\r'));
        block.high = std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(hi))} << 32 |
                     static_cast<std::uint32_t>(_mm256_movemask_epi8(lo));
        block.leads = AtMost(LeadOffsets(lo), LeadOffsets(hi), LeadSpan);
        block.quoted = PrefixXorByProduct(block.quotes);
        out[b] = block;
    }
}

[[gnu::target("avx512bw,pclmul")]] void ClassifyAvx512(const char* p, std::size_t count, Block* out)
{
    for (std::size_t b = 0; b < count; ++b, p += BlockSize) {
        const __m512i v = _mm512_loadu_si512(p);
        Block block;
        block.quotes = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('"'));
        block.commas = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(','));
        block.breaks = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\n'));
        block.zeros = _mm512_cmpeq_epi8_mask(v, _mm512_setzero_si512());
        block.returns = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\r'));
        block.high = _mm512_movepi8_mask(v);
        block.leads =
            _mm512_cmple_epu8_mask(_mm512_sub_epi8(_mm512_xor_si512(v, _mm512_set1_epi8(0x20)),
                                                   _mm512_set1_epi8(char(0xA1))),
                                   _mm512_set1_epi8(static_cast<char>(LeadSpan)));
        block.quoted = PrefixXorByProduct(block.quotes);
        out[b] = block;
    }
}
#endif

Classifier Widest()
{
#ifdef KORVEX_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("pclmul")) {
        if (__builtin_cpu_supports("avx512bw"))
            return ClassifyAvx512;
        if (__builtin_cpu_supports("avx2"))
            return ClassifyAvx2;
    }
#endif
    return ClassifyPortable;
}

const Classifier Chosen = Widest();

} // namespace

void ClassifyBlocks(const char* text, std::size_t count, Block* blocks)
{
    Chosen(text, count, blocks);
}

Block ClassifyTail(const char* text, std::size_t size)
{
    // Never read past the text: the bytes after it are classified as none.
    char copy[BlockSize];
    std::memset(copy, 'x', sizeof copy);
    std::memcpy(copy, text, std::min(size, BlockSize));
    Block block;
    ClassifyBlocks(copy, 1, &block);
    return block;
}

std::vector<std::pair<const char*, Classifier>> Classifiers()
{
    std::vector<std::pair<const char*, Classifier>> all{{"portable", ClassifyPortable}};
#ifdef KORVEX_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("pclmul")) {
        if (__builtin_cpu_supports("avx2"))
            all.emplace_back("avx2", ClassifyAvx2);
        if (__builtin_cpu_supports("avx512bw"))
            all.emplace_back("avx512bw", ClassifyAvx512);
    }
#endif
    return all;
}

} // namespace CsvBlocks
