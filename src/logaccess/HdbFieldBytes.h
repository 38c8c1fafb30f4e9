#pragma once

#include "ByteWords.h"
#include "DigitPairs.h"
#include "RecordSource.h"

#include <QByteArrayView>

#include <algorithm>
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Byte work on the fields of a HAMLOG.HDB record: finding where texts end and
// writing the fields that are formed from several parts or from binary values.
// Fields are a few bytes long, so most of it is done a word at a time.
namespace HdbFieldBytes {

inline QByteArrayView TrimEnd(QByteArrayView bytes)
{
    // Most fields are mostly padding: skip it eight bytes at a time.
    constexpr quint64 Spaces = ByteWords::Ones * ' ';
    const char* data = bytes.data();
    qsizetype size = bytes.size();
    quint64 word;
    while (size >= 8 && (std::memcpy(&word, data + size - 8, 8), word == Spaces))
        size -= 8;
    while (size > 0 && data[size - 1] == ' ')
        --size;
    return QByteArrayView(data, size);
}

inline QByteArrayView TrimStart(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && bytes.front() == ' ')
        bytes = bytes.sliced(1);
    return bytes;
}

// Of a field of four to eight bytes: the length of its text, up to the first
// zero byte and without trailing spaces, found in one word.
inline int ShortTextLength(const char* p, int n)
{
    constexpr quint64 Low7 = 0x7F7F7F7F7F7F7F7FULL;
    quint32 a, b;
    std::memcpy(&a, p, 4);
    std::memcpy(&b, p + n - 4, 4);
    const quint64 w = a | quint64{b} << (8 * (n - 4)); // bytes from n on are zero
    // The high bit of each byte that is not zero, of each that is no space.
    const quint64 nonZero = ((w & Low7) + Low7) | w;
    const quint64 spaces = w ^ ByteWords::Ones * ' ';
    const quint64 nonSpace = (((spaces & Low7) + Low7) | spaces) & ByteWords::Highs;
    // The first zero byte ends the text; past a field shorter than eight
    // bytes the word is zero anyway.
    const quint64 zeros = ~nonZero & ByteWords::Highs;
    const quint64 inText = nonSpace & ((zeros & (~zeros + 1)) - 1);
    return inText ? (63 - std::countl_zero(inText)) / 8 + 1 : 0;
}

// The length of the text at `p` up to its first zero byte, if any before `n`.
inline qsizetype UpToZero(const char* p, qsizetype n)
{
    if (!ByteWords::Has<'\0'>(p, n))
        return n;
    qsizetype i = 0;
    while (p[i] != '\0')
        ++i;
    return i;
}

inline QByteArrayView UpToNul(QByteArrayView bytes)
{
    return bytes.first(UpToZero(bytes.data(), bytes.size()));
}

inline int SkipSpaces(const char* p, int from, int to)
{
    // The first byte that is no space shows as the lowest set byte of the
    // word xor spaces.
    constexpr quint64 Spaces = ByteWords::Ones * ' ';
    quint64 w;
    for (; from + 8 <= to; from += 8) {
        std::memcpy(&w, p + from, 8);
        if (w != Spaces)
            return from + std::countr_zero(w ^ Spaces) / 8;
    }
    if (from < to && to >= 8) {
        // The last few bytes in the word that ends with them, without those before `from`.
        std::memcpy(&w, p + to - 8, 8);
        const quint64 rest = (w ^ Spaces) >> (8 * (from - (to - 8)));
        return rest ? from + std::countr_zero(rest) / 8 : to;
    }
    while (from < to && p[from] == ' ')
        ++from;
    return from;
}

// Where the parts of IGN lie, before its first zero byte (`end`): the
// overflow of the base call, up to its first space (`split`), and the rest,
// from `restBegin` to `restEnd`, without the spaces around it.
struct IgnParts {
    int end, split, restBegin, restEnd;
};

// Of the `length` bytes at `ign`, byte by byte.
inline IgnParts SplitIgn(const char* ign, int length)
{
    const auto end = static_cast<int>(UpToZero(ign, length));
    int split = 0;
    while (split < end && ign[split] != ' ')
        ++split;
    const int restBegin = SkipSpaces(ign, split, end);
    int restEnd = end;
    while (restEnd > restBegin && ign[restEnd - 1] == ' ')
        --restEnd;
    return {end, split, restBegin, restEnd};
}

#if defined(__SSE2__)
// As SplitIgn, from a bit for each byte, for `length` of at most 16 with 16
// bytes readable at `ign`: this runs for every contact kept.
inline IgnParts SplitIgnWide(const char* ign, int length)
{
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ign));
    const auto bits = [&](char c) {
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
    };
    const int end = std::countr_zero(bits('\0') | 1u << length);
    const unsigned text = (1u << end) - 1;
    const unsigned spaces = bits(' ');
    const int split = std::countr_zero(spaces | ~text);
    const unsigned rest = text & ~spaces & ~((1u << split) - 1);
    if (rest == 0)
        return {end, split, end, end};
    return {end, split, std::countr_zero(rest), 32 - std::countl_zero(rest)};
}
#endif

// Of the `length` bytes at `ign`, with `readable` bytes there to read: from
// the bytes' bits where they may be read 16 at once, otherwise byte by byte.
inline IgnParts SplitIgn(const char* ign, int length, int readable)
{
#if defined(__SSE2__)
    if (length <= 16 && readable >= 16)
        return SplitIgnWide(ign, length);
#endif
    (void)readable;
    return SplitIgn(ign, length);
}

// Appends to a field buffer, never past its text space.
class FieldWriter {
public:
    explicit FieldWriter(char* buffer) : buffer_(buffer) {}
    // Byte loops: the pieces are a few bytes long, shorter than a library call.
    void Append(QByteArrayView bytes)
    {
        const std::size_t n =
            std::min(static_cast<std::size_t>(bytes.size()), RecordSource::FieldBufferSize - size_);
        for (std::size_t i = 0; i < n; ++i)
            buffer_[size_ + i] = bytes[static_cast<qsizetype>(i)];
        size_ += n;
    }
    void Append(char c)
    {
        if (size_ < RecordSource::FieldBufferSize)
            buffer_[size_++] = c;
    }
    void TwoDigits(unsigned value) // at least two digits
    {
        if (value >= 100)
            Number(value / 100);
        if (size_ + 2 <= RecordSource::FieldBufferSize) {
            std::memcpy(buffer_ + size_, &DigitPairs[2 * (value % 100)], 2);
            size_ += 2;
        }
    }
    void Number(unsigned value)
    {
        char digits[10];
        int n = 0;
        do {
            digits[sizeof digits - ++n] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        Append(QByteArrayView(digits + sizeof digits - n, n));
    }
    void Finish() { buffer_[size_] = '\0'; }
    char* End() const { return buffer_ + size_; }

private:
    char* buffer_;
    std::size_t size_ = 0;
};

} // namespace HdbFieldBytes
