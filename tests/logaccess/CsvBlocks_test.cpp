#include "CsvBlocks.h"

#include "CodePage932Bytes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

// Every way of classifying that this processor can run must mark exactly the
// bytes the marks are defined by, whatever the bytes and wherever they lie.

namespace {

using CsvBlocks::Block;
using CsvBlocks::BlockSize;

// The block's marks taken byte by byte; bytes past `size` are none.
Block Expected(const char* p, std::size_t size)
{
    const auto marks = [&](auto is) {
        std::uint64_t bits = 0;
        for (std::size_t i = 0; i < size; ++i)
            bits |= std::uint64_t{is(static_cast<unsigned char>(p[i]))} << i;
        return bits;
    };
    Block block{};
    block.quotes = marks([](unsigned c) { return c == '"'; });
    block.commas = marks([](unsigned c) { return c == ','; });
    block.breaks = marks([](unsigned c) { return c == '\n'; });
    block.zeros = marks([](unsigned c) { return c == 0; });
    block.returns = marks([](unsigned c) { return c == '\r'; });
    block.high = marks([](unsigned c) { return c >= 0x80; });
    block.leads = marks([](unsigned c) {
        return CodePage932Bytes::KindOf(static_cast<unsigned char>(c)) == CodePage932Bytes::Lead;
    });
    // Past the text the parity holds.
    for (std::size_t i = 0, odd = 0; i < BlockSize; ++i) {
        odd ^= (block.quotes >> i) & 1;
        block.quoted |= std::uint64_t{odd} << i;
    }
    return block;
}

std::string Describe(const Block& b)
{
    char text[300];
    std::snprintf(text, sizeof text,
                  "quotes %016lx quoted %016lx commas %016lx breaks %016lx "
                  "zeros %016lx returns %016lx high %016lx leads %016lx",
                  b.quotes, b.quoted, b.commas, b.breaks, b.zeros, b.returns, b.high, b.leads);
    return text;
}

// Bytes that are mostly those the marks are about, the lane borders moved by
// an odd start.
std::string Text(std::mt19937& engine, std::size_t size)
{
    // The borders of the lead and single-byte ranges, on both sides.
    static constexpr char Kinds[] = {'"',    ',',    '\n',   '\r',   '\0',   'a',    ' ',
                                     '\x7f', '\x80', '\x81', '\xff', '\xa2', '\x9f', '\xa0',
                                     '\xa1', '\xdf', '\xe0', '\xfc', '\xfd', '\xc1', '\xbf'};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof Kinds - 1);
    std::string text(size, ' ');
    for (char& c : text)
        c = Kinds[pick(engine)];
    return text;
}

TEST(CsvBlocks, EveryClassifierMarksTheBytesOfEachBlock)
{
    const auto classifiers = CsvBlocks::Classifiers();
    ASSERT_FALSE(classifiers.empty());
    std::mt19937 engine(7);
    for (const auto& [name, classify] : classifiers) {
        SCOPED_TRACE(name);
        for (int round = 0; round < 200; ++round) {
            const std::size_t count = 1 + static_cast<std::size_t>(round % 9);
            const std::string text = Text(engine, 1 + count * BlockSize);
            std::vector<Block> blocks(count);
            classify(text.data() + 1, count, blocks.data());
            for (std::size_t b = 0; b < count; ++b)
                ASSERT_EQ(Describe(blocks[b]),
                          Describe(Expected(text.data() + 1 + b * BlockSize, BlockSize)))
                    << "block " << b;
        }
    }
}

TEST(CsvBlocks, TheEndOfATextIsClassifiedWithoutWhatFollows)
{
    std::mt19937 engine(11);
    for (std::size_t size = 0; size < BlockSize; ++size) {
        // What lies past the text must not count.
        const std::string text = Text(engine, size) + std::string(BlockSize, '"');
        EXPECT_EQ(Describe(CsvBlocks::ClassifyTail(text.data(), size)),
                  Describe(Expected(text.data(), size)))
            << size << " bytes";
    }
}

// The first byte of `text` that is no code page 932 character, taken one
// character after another: a zero byte, a CR not before a line feed, a byte
// that is no character alone, or the lead byte of a pair that is none or is
// cut by the end of the text.
std::size_t FirstFault(const std::string& text)
{
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = at(i);
        const bool hasNext = i + 1 < text.size();
        if (c == 0 || (c == '\r' && !(hasNext && at(i + 1) == '\n')))
            return i;
        const CodePage932Bytes::Kind kind = CodePage932Bytes::KindOf(c);
        if (kind == CodePage932Bytes::Lead) {
            if (!hasNext || !CodePage932Bytes::IsPair(c, at(i + 1)))
                return i;
            i += 2;
        } else if (c < 0x80 || kind == CodePage932Bytes::Single) {
            ++i;
        } else {
            return i;
        }
    }
    return std::string::npos;
}

// Lines of characters whose trail bytes may lead too, so that runs of bytes
// that may lead cross the blocks' borders at both parities; now and then a
// byte or pair that is no character.
std::string Characters(std::mt19937& engine, std::size_t size, bool faults)
{
    static const std::string Good[] = {"\x81\x81", "\x9f\x9f", "\xe0\xe0", "\x88\x9f", "\x82\xa0",
                                       "\x89\x80", "\x93\xfa", "\xb1",     "\xdf",     "a",
                                       ",",        "\r\n",     "\n",       " "};
    static const std::string Bad[] = {"\x88\x40", "\x80",   "\xa0", "\xfd",
                                      "\x81\n",   "\x81\r", "\r",   std::string(1, '\0')};
    std::uniform_int_distribution<std::size_t> good(0, std::size(Good) - 1),
        bad(0, std::size(Bad) - 1), chance(0, 400);
    std::string text;
    while (text.size() < size)
        text += faults && chance(engine) == 0 ? Bad[bad(engine)] : Good[good(engine)];
    return text;
}

} // namespace

TEST(CsvBlocks, PlainLinesEndBeforeTheFirstByteThatIsNoCharacter)
{
    std::mt19937 engine(5);
    for (int round = 0; round < 2000; ++round) {
        std::string text = Characters(engine, 1 + round % 300, round % 4 != 0);
        if (round % 7 == 0)
            text += "\x81"; // a lead byte at the end
        const std::size_t fault = FirstFault(text);
        CsvBlocks::PlainLineMarks marks(text.data(), text.size());
        for (std::size_t o = 0; o < text.size(); o += BlockSize) {
            SCOPED_TRACE(testing::Message()
                         << "round " << round << ", block at " << o << ", fault at " << fault);
            const auto ends = marks.Next(o);
            std::uint64_t breaks = 0;
            for (std::size_t i = o; i < std::min(text.size(), o + BlockSize) && i < fault; ++i)
                breaks |= std::uint64_t{text[i] == '\n'} << (i - o);
            ASSERT_EQ(ends.lineEnds, breaks);
            ASSERT_EQ(ends.faulty, fault >= o && fault < o + BlockSize);
            if (ends.faulty)
                break;
        }
    }
}
