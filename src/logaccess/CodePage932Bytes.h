#pragma once

#include <array>
#include <cstdint>

namespace CodePage932Detail {

enum class ByteKind : std::uint8_t { Ascii, Single, Lead, Invalid };

struct Block {
    unsigned char leadFirst, leadLast, trailFirst, trailLast;
};

// The assigned double-byte characters, row (lead byte) by row. Unassigned
// holes inside a row are refused by the converter, so they are left out.
constexpr Block Assigned[] = {
    // JIS X 0208 symbols, digits, letters, kana, Greek, Cyrillic, box drawing
    {0x81, 0x81, 0x40, 0x7E}, {0x81, 0x81, 0x80, 0xAC}, {0x81, 0x81, 0xB8, 0xBF},
    {0x81, 0x81, 0xC8, 0xCE}, {0x81, 0x81, 0xDA, 0xE8}, {0x81, 0x81, 0xF0, 0xF7},
    {0x81, 0x81, 0xFC, 0xFC}, {0x82, 0x82, 0x4F, 0x58}, {0x82, 0x82, 0x60, 0x79},
    {0x82, 0x82, 0x81, 0x9A}, {0x82, 0x82, 0x9F, 0xF1}, {0x83, 0x83, 0x40, 0x7E},
    {0x83, 0x83, 0x80, 0x96}, {0x83, 0x83, 0x9F, 0xB6}, {0x83, 0x83, 0xBF, 0xD6},
    {0x84, 0x84, 0x40, 0x60}, {0x84, 0x84, 0x70, 0x7E}, {0x84, 0x84, 0x80, 0x91},
    {0x84, 0x84, 0x9F, 0xBE},
    // NEC special characters (circled numbers, units)
    {0x87, 0x87, 0x40, 0x5D}, {0x87, 0x87, 0x5F, 0x75}, {0x87, 0x87, 0x7E, 0x7E},
    {0x87, 0x87, 0x80, 0x9C},
    // JIS X 0208 kanji, levels 1 and 2
    {0x88, 0x88, 0x9F, 0xFC}, {0x89, 0x97, 0x40, 0x7E}, {0x89, 0x97, 0x80, 0xFC},
    {0x98, 0x98, 0x40, 0x72}, {0x98, 0x98, 0x9F, 0xFC}, {0x99, 0x9F, 0x40, 0x7E},
    {0x99, 0x9F, 0x80, 0xFC}, {0xE0, 0xE9, 0x40, 0x7E}, {0xE0, 0xE9, 0x80, 0xFC},
    {0xEA, 0xEA, 0x40, 0x7E}, {0xEA, 0xEA, 0x80, 0xA4},
    // NEC-selected IBM extensions
    {0xED, 0xED, 0x40, 0x7E}, {0xED, 0xED, 0x80, 0xFC}, {0xEE, 0xEE, 0x40, 0x7E},
    {0xEE, 0xEE, 0x80, 0xEC}, {0xEE, 0xEE, 0xEF, 0xFC},
    // user-defined area, then the IBM extensions
    {0xF0, 0xFB, 0x40, 0x7E}, {0xF0, 0xFB, 0x80, 0xFC}, {0xFC, 0xFC, 0x40, 0x4B},
};

constexpr std::array<ByteKind, 256> MakeKinds()
{
    std::array<ByteKind, 256> kinds{};
    for (unsigned b = 0; b < 256; ++b) {
        if (b < 0x80)
            kinds[b] = ByteKind::Ascii;
        else if (b >= 0xA1 && b <= 0xDF) // half-width katakana
            kinds[b] = ByteKind::Single;
        else if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC))
            kinds[b] = ByteKind::Lead;
        else
            kinds[b] = ByteKind::Invalid;
    }
    return kinds;
}

constexpr std::array<std::uint64_t, 1024> MakePairs()
{
    std::array<std::uint64_t, 1024> bits{};
    for (const Block& block : Assigned) {
        for (unsigned lead = block.leadFirst; lead <= block.leadLast; ++lead) {
            for (unsigned trail = block.trailFirst; trail <= block.trailLast; ++trail) {
                const unsigned code = lead << 8 | trail;
                bits[code >> 6] |= std::uint64_t{1} << (code & 63);
            }
        }
    }
    return bits;
}

inline constexpr std::array<ByteKind, 256> Kinds = MakeKinds();
inline constexpr std::array<std::uint64_t, 1024> Pairs = MakePairs();

} // namespace CodePage932Detail

// Which bytes make code page 932 text, exactly as glibc's CP932 converter (the
// one CodePage932 decodes with) accepts them: text that passes here decodes
// without a replacement character.
class CodePage932Bytes {
public:
    using Kind = CodePage932Detail::ByteKind;
    static constexpr Kind Ascii = Kind::Ascii, Single = Kind::Single, Lead = Kind::Lead,
                          Invalid = Kind::Invalid;

    static Kind KindOf(unsigned char byte) { return CodePage932Detail::Kinds[byte]; }
    // True when `lead` followed by `trail` is a character the converter knows.
    static bool IsPair(unsigned char lead, unsigned char trail)
    {
        const unsigned code = unsigned{lead} << 8 | trail;
        return (CodePage932Detail::Pairs[code >> 6] >> (code & 63)) & 1;
    }
};
