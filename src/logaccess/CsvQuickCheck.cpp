#include "CsvQuickCheck.h"

#include "CodePage932Bytes.h"
#include "CsvBlocks.h"

#include <algorithm>
#include <bit>
#include <cstring>

void CsvQuickCheck::Add(const char* bytes, std::size_t size)
{
    if (unsure_)
        return; // nothing more to learn
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
        CheckBlock(block, staged_.data(), BlockSize);
        stagedSize_ = 0;
    }
    constexpr std::size_t Batch = 64;
    std::array<CsvBlocks::Block, Batch> blocks;
    while (size >= BlockSize && !unsure_) {
        const std::size_t count = std::min(size / BlockSize, Batch);
        CsvBlocks::ClassifyBlocks(bytes, count, blocks.data());
        for (std::size_t i = 0; i < count && !unsure_; ++i)
            CheckBlock(blocks[i], bytes + i * BlockSize, BlockSize);
        bytes += count * BlockSize;
        size -= count * BlockSize;
    }
    if (unsure_)
        return;
    std::memcpy(staged_.data(), bytes, size);
    stagedSize_ = size;
}

bool CsvQuickCheck::Clean()
{
    if (stagedSize_ > 0) {
        CheckBlock(CsvBlocks::ClassifyTail(staged_.data(), stagedSize_), staged_.data(),
                   stagedSize_);
        stagedSize_ = 0;
    }
    return !unsure_ && !inside_ && lead_ == 0;
}

void CsvQuickCheck::CheckBlock(const CsvBlocks::Block& marks, const char* p, std::size_t size)
{
    const std::uint64_t valid =
        size == BlockSize ? ~std::uint64_t{0} : (std::uint64_t{1} << size) - 1;

    const std::uint64_t quotes = marks.quotes & valid;
    const std::uint64_t breaks = (marks.commas | marks.breaks) & valid;
    const std::uint64_t quoted = marks.quoted ^ (0 - std::uint64_t{inside_});
    const std::uint64_t opens = quotes & quoted, closes = quotes & ~quoted;
    // A quote that opens must begin an item, or double the quote just closed.
    const std::uint64_t mayOpen =
        breaks << 1 | std::uint64_t{afterBreak_} | closes << 1 | std::uint64_t{afterClose_};
    if (opens & ~mayOpen)
        unsure_ = true;
    inside_ = quoted >> 63;
    afterBreak_ = breaks >> 63;
    afterClose_ = closes >> 63;

    // Characters of more than ASCII, in order; a trail byte is skipped.
    std::uint64_t others = marks.high & valid;
    std::size_t next = 0;
    if (lead_ != 0) {
        if (!CodePage932Bytes::IsPair(lead_, static_cast<unsigned char>(p[0])))
            unsure_ = true;
        lead_ = 0;
        next = 1;
    }
    for (; others != 0; others &= others - 1) {
        const auto i = static_cast<std::size_t>(std::countr_zero(others));
        if (i < next)
            continue;
        const auto byte = static_cast<unsigned char>(p[i]);
        switch (CodePage932Bytes::KindOf(byte)) {
        case CodePage932Bytes::Ascii: // none: the byte is from 0x80 on
        case CodePage932Bytes::Single:
            break;
        case CodePage932Bytes::Invalid:
            unsure_ = true;
            return;
        case CodePage932Bytes::Lead:
            if (i + 1 == size) {
                lead_ = byte; // its trail comes with the next block, if any
            } else if (!CodePage932Bytes::IsPair(byte, static_cast<unsigned char>(p[i + 1]))) {
                unsure_ = true;
                return;
            }
            next = i + 2;
            break;
        }
    }
}
