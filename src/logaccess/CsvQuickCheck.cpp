#include "CsvQuickCheck.h"

#include "CodePage932Bytes.h"
#include "CsvBlocks.h"

#include <algorithm>
#include <bit>
#include <cstring>

// Inline into Add's loop, which keeps the state in registers: it runs for
// every 64 bytes of a log.
[[gnu::always_inline]] inline bool CsvQuickCheck::CheckBlock(State& state,
                                                            const CsvBlocks::Block& marks,
                                                            const char* p, std::size_t size)
{
    const std::uint64_t valid =
        size == BlockSize ? ~std::uint64_t{0} : (std::uint64_t{1} << size) - 1;

    const std::uint64_t quotes = marks.quotes & valid;
    const std::uint64_t breaks = (marks.commas | marks.breaks) & valid;
    const std::uint64_t quoted = marks.quoted ^ state.inside;
    const std::uint64_t opens = quotes & quoted, closes = quotes & ~quoted;
    // A quote that opens must begin an item, or double the quote just closed.
    const std::uint64_t mayOpen = breaks << 1 | state.afterBreak | closes << 1 | state.afterClose;
    bool sure = (opens & ~mayOpen) == 0;
    state.inside = 0 - (quoted >> 63);
    state.afterBreak = breaks >> 63;
    state.afterClose = closes >> 63;

    // Characters of more than ASCII, in order; a trail byte is skipped.
    std::uint64_t others = marks.high & valid;
    if (state.lead != 0) [[unlikely]] {
        sure &= CodePage932Bytes::IsPair(static_cast<unsigned char>(state.lead),
                                         static_cast<unsigned char>(p[0]));
        state.lead = 0;
        others &= ~std::uint64_t{1};
    }
    while (others != 0) {
        const auto i = static_cast<std::size_t>(std::countr_zero(others));
        others &= others - 1;
        const auto byte = static_cast<unsigned char>(p[i]);
        switch (CodePage932Bytes::KindOf(byte)) {
        case CodePage932Bytes::Ascii: // none: the byte is from 0x80 on
        case CodePage932Bytes::Single:
            break;
        case CodePage932Bytes::Invalid:
            return false;
        case CodePage932Bytes::Lead:
            if (i + 1 == size) {
                state.lead = byte; // its trail comes with the next block, if any
            } else {
                if (!CodePage932Bytes::IsPair(byte, static_cast<unsigned char>(p[i + 1])))
                    return false;
                others &= ~(std::uint64_t{2} << i); // the trail byte
            }
            break;
        }
    }
    return sure;
}

void CsvQuickCheck::Add(const char* bytes, std::size_t size)
{
    if (unsure_)
        return; // nothing more to learn
    State state = state_;
    if (stagedSize_ > 0) {
        const std::size_t n = std::min(size, BlockSize - stagedSize_);
        std::memcpy(staged_.data() + stagedSize_, bytes, n);
        stagedSize_ += n;
        bytes += n;
        size -= n;
        if (stagedSize_ < BlockSize)
            return;
        CsvBlocks::Block block;
        CsvBlocks::ClassifyBlocks(staged_.data(), 1, &block);
        unsure_ = !CheckBlock(state, block, staged_.data(), BlockSize);
        stagedSize_ = 0;
    }
    constexpr std::size_t Batch = 64;
    std::array<CsvBlocks::Block, Batch> blocks;
    while (size >= BlockSize && !unsure_) {
        const std::size_t count = std::min(size / BlockSize, Batch);
        CsvBlocks::ClassifyBlocks(bytes, count, blocks.data());
        for (std::size_t i = 0; i < count; ++i) {
            if (!CheckBlock(state, blocks[i], bytes + i * BlockSize, BlockSize)) {
                unsure_ = true;
                break;
            }
        }
        bytes += count * BlockSize;
        size -= count * BlockSize;
    }
    state_ = state;
    if (unsure_)
        return;
    std::memcpy(staged_.data(), bytes, size);
    stagedSize_ = size;
}

bool CsvQuickCheck::Clean()
{
    if (stagedSize_ > 0 && !unsure_) {
        unsure_ = !CheckBlock(state_, CsvBlocks::ClassifyTail(staged_.data(), stagedSize_),
                              staged_.data(), stagedSize_);
        stagedSize_ = 0;
    }
    return !unsure_ && state_.inside == 0 && state_.lead == 0;
}
