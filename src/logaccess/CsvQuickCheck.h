#pragma once

#include "CsvBlocks.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Tells at speed whether CSV text certainly tokenizes to its end without an
// error: every character valid code page 932 and no quoted item left open.
//
// Quotes are followed 64 bytes at a time by their parity, which is exact while
// every quote opens an item (at the start of the text or a line, or after a
// comma), closes one, or is doubled inside one. Any other quote, like any
// fault, only makes the answer "not certain": the tokenizer then goes through
// the text and tells what is wrong and where.
class CsvQuickCheck {
public:
    // The next bytes of the text, in any pieces.
    void Add(const char* bytes, std::size_t size);
    // Nothing added from now on can make the text certain.
    bool Unsure() const { return unsure_; }
    // After the last Add: the text is certainly well-formed.
    bool Clean();

private:
    static constexpr std::size_t BlockSize = CsvBlocks::BlockSize;

    // What the blocks so far leave for the next one.
    struct State {
        std::uint64_t inside = 0;     // all ones while a quoted item is open
        std::uint64_t afterBreak = 1; // the last byte was a comma or line feed, or there was none
        std::uint64_t afterClose = 0; // the last byte closed a quoted item
        unsigned lead = 0;            // a lead byte whose trail byte is the next block's first
    };
    // The first `size` bytes of the block at `p`, classified as `marks`; false
    // when they make the text not certain.
    static bool CheckBlock(State& state, const CsvBlocks::Block& marks, const char* p,
                           std::size_t size);

    std::array<char, BlockSize> staged_{}; // a block's first bytes, until the rest comes
    std::size_t stagedSize_ = 0;
    bool unsure_ = false;
    State state_;
};
