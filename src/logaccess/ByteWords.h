#pragma once

#include <QtGlobal>

#include <cstddef>
#include <cstring>

// Scans of the few bytes of a field a word at a time: fields are short, so
// most take two overlapping loads and no loop over their bytes.
namespace ByteWords {

constexpr quint64 Ones = 0x0101010101010101ULL, Highs = 0x8080808080808080ULL;

// Whether `test` holds for any of the words that together cover the `n`
// bytes at `p`; bytes past a text shorter than four are `pad`.
template <typename Test> bool AnyWord(const char* p, qsizetype n, unsigned char pad, Test test)
{
    quint64 w;
    if (n >= 8) {
        for (qsizetype i = 0; i + 8 < n; i += 8) {
            std::memcpy(&w, p + i, 8);
            if (test(w))
                return true;
        }
        std::memcpy(&w, p + n - 8, 8);
        return test(w);
    }
    if (n >= 4) {
        quint32 a, b;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, p + n - 4, 4);
        return test(a | quint64{b} << 32);
    }
    w = Ones * pad;
    for (qsizetype i = 0; i < n; ++i)
        w = (w & ~(quint64{0xFF} << (8 * i))) | quint64{static_cast<unsigned char>(p[i])}
                                                    << (8 * i);
    return test(w);
}

// Whether any of the bytes is `Byte`.
template <char Byte> bool Has(const char* p, qsizetype n)
{
    constexpr quint64 Pattern = Ones * static_cast<unsigned char>(Byte);
    // The pad differs from Byte, so it is never found.
    return AnyWord(p, n, static_cast<unsigned char>(Byte) ^ 1, [](quint64 w) {
        w ^= Pattern;
        return ((w - Ones) & ~w & Highs) != 0;
    });
}

// Whether every byte is a space.
inline bool AllSpaces(const char* p, qsizetype n)
{
    return !AnyWord(p, n, ' ', [](quint64 w) { return w != Ones * ' '; });
}

// Whether every byte is ASCII.
inline bool AllAscii(const char* p, qsizetype n)
{
    return !AnyWord(p, n, 0, [](quint64 w) { return (w & Highs) != 0; });
}

// The size of the `size` bytes at `p` without their trailing spaces: items
// seldom have any, so byte by byte.
inline std::size_t WithoutTrailingSpaces(const char* p, std::size_t size)
{
    while (size > 0 && p[size - 1] == ' ')
        --size;
    return size;
}

} // namespace ByteWords
