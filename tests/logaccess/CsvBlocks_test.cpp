#include "CsvBlocks.h"

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
    // Past the text the parity holds.
    for (std::size_t i = 0, odd = 0; i < BlockSize; ++i) {
        odd ^= (block.quotes >> i) & 1;
        block.quoted |= std::uint64_t{odd} << i;
    }
    return block;
}

std::string Describe(const Block& b)
{
    char text[200];
    std::snprintf(text, sizeof text,
                  "quotes %016lx quoted %016lx commas %016lx breaks %016lx "
                  "zeros %016lx returns %016lx high %016lx",
                  b.quotes, b.quoted, b.commas, b.breaks, b.zeros, b.returns, b.high);
    return text;
}

// Bytes that are mostly those the marks are about, the lane borders moved by
// an odd start.
std::string Text(std::mt19937& engine, std::size_t size)
{
    static constexpr char Kinds[] = {'"', ',',    '\n',   '\r',   '\0',   'a',
                                     ' ', '\x7f', '\x80', '\x81', '\xff', '\x22' ^ '\x80'};
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

} // namespace
