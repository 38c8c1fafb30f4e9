#pragma once

#include "CodePage932Bytes.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// CSV text classified 64 bytes at a time, a bit a byte, for the scans that
// take lines and check whole files without going byte by byte.
namespace CsvBlocks {

// Where the bytes of a 64-byte block are quotes, commas and so on, a bit a byte.
struct Block {
    std::uint64_t quotes;
    std::uint64_t quoted; // bit i: an odd number of the quotes up to byte i
    std::uint64_t commas, breaks;
    std::uint64_t zeros, returns, high; // zero bytes, CRs, bytes from 0x80 on
};
constexpr std::size_t BlockSize = 64;

// Classifies the `count` blocks of 64 bytes from `text` into `blocks`, with
// the widest vector unit the processor has.
void ClassifyBlocks(const char* text, std::size_t count, Block* blocks);
// The last `size` bytes of a text, fewer than 64, as a block.
Block ClassifyTail(const char* text, std::size_t size);

// Each way of classifying this processor can run, by name, so that all can
// be compared.
using Classifier = void (*)(const char* text, std::size_t count, Block* blocks);
std::vector<std::pair<const char*, Classifier>> Classifiers();

// Where the plain lines of a text end and their items end, 64 bytes at a
// time, by the rules of a plain line: a quote opens an
// item only at its start and closes it only before a comma or the line end,
// no line break lies in quotes, every character is code page 932 and none is
// a zero byte or a CR not before a line feed.
class PlainLineMarks {
public:
    // With `charactersChecked` the text is known to be code page 932 text
    // (a whole file checked at opening): its characters are not checked again.
    PlainLineMarks(const char* text, std::size_t size, bool charactersChecked = false)
        : text_(text), size_(size), charactersChecked_(charactersChecked)
    {
    }

    // The block of 64 bytes at `offset` from the text's start (fewer at its end).
    struct Ends {
        std::uint64_t itemEnds; // commas outside quotes
        std::uint64_t lineEnds; // line feeds
        bool faulty;            // a byte after those breaks a rule: its line is no plain one
    };
    // Inline into each scan: it runs once for every 64 bytes of a log.
    [[gnu::always_inline]] Ends Next(std::size_t offset)
    {
        const std::size_t n = std::min(BlockSize, size_ - offset);
        if (offset / BlockSize - first_ >= count_) [[unlikely]]
            Classify(offset);
        const Block& block = blocks_[offset / BlockSize - first_];
        const std::uint64_t quotes = block.quotes, commas = block.commas, breaks = block.breaks;
        const std::uint64_t quoted = block.quoted ^ inside_;
        const std::uint64_t opens = quotes & quoted, closes = quotes & ~quoted;
        const std::uint64_t afterCloses = closes << 1 | afterClose_;
        // After a closing quote a CR is the line end, as the characters' check makes sure.
        std::uint64_t bad = (opens & ~((commas | breaks) << 1 | itemBegins_)) |
                            (afterCloses & ~(commas | breaks | block.returns)) | (breaks & quoted);
        if (charactersChecked_)
            bad |= block.zeros | LoneReturns(offset, block);
        else
            // A CR before a line feed in the block ends its line: only others
            // are looked at one by one.
            bad |= Characters(offset, block.zeros | (block.returns & ~(breaks >> 1)) | block.high);
        inside_ = 0 - (quoted >> 63);
        itemBegins_ = (commas | breaks) >> 63;
        afterClose_ = closes >> 63;
        const std::uint64_t before = bad ? (bad & (0 - bad)) - 1 : ~std::uint64_t{0};
        const std::uint64_t valid = n < BlockSize ? (std::uint64_t{1} << n) - 1 : ~std::uint64_t{0};
        return {commas & ~quoted & before & valid, breaks & before & valid, bad != 0};
    }

private:
    // Classifies blocks from the one at `offset` on: a few for a scan that
    // may soon stop, more as it goes on.
    void Classify(std::size_t offset)
    {
        first_ = offset / BlockSize;
        const std::size_t whole = (size_ - offset) / BlockSize;
        if (whole == 0) {
            blocks_[0] = ClassifyTail(text_ + offset, size_ - offset);
            count_ = 1;
            return;
        }
        count_ = std::min(whole, batch_);
        ClassifyBlocks(text_ + offset, count_, blocks_);
        batch_ = std::min(2 * batch_, MaxBatch);
    }

    // CRs not before a line feed, in the block at `offset`.
    std::uint64_t LoneReturns(std::size_t offset, const Block& block) const
    {
        std::uint64_t lone = block.returns & ~(block.breaks >> 1);
        if (lone >> 63 && offset + BlockSize < size_ && text_[offset + BlockSize] == '\n')
            lone &= ~(std::uint64_t{1} << 63); // its line feed begins the next block
        return lone;
    }

    // The first of `others` (zero bytes, CRs and bytes from 0x80 on, in the
    // block at `offset`) that breaks a rule, as a bit; double-byte characters
    // cut by the end of the text too.
    [[gnu::always_inline]] std::uint64_t Characters(std::size_t offset, std::uint64_t others)
    {
        if (others == 0)
            return 0;
        // Only a character begun at the last block's last byte reaches into
        // this one; a trail byte in the same block is passed over with its lead.
        if (checkedTo_ > offset)
            others &= ~std::uint64_t{1};
        const auto* const bytes = reinterpret_cast<const unsigned char*>(text_ + offset);
        const std::size_t n = std::min(BlockSize, size_ - offset);
        for (; others != 0; others &= others - 1) {
            const auto i = static_cast<std::size_t>(std::countr_zero(others));
            if (i + 1 >= n) [[unlikely]]
                return LastCharacter(offset + i) ? 0 : std::uint64_t{1} << i;
            const unsigned char byte = bytes[i], next = bytes[i + 1];
            // Only a lead byte makes a pair: no other byte need be told apart first.
            if (CodePage932Bytes::IsPair(byte, next)) {
                others &= ~(std::uint64_t{2} << i);
                continue;
            }
            if (byte == '\r' ? next == '\n'
                             : CodePage932Bytes::KindOf(byte) == CodePage932Bytes::Single)
                continue;
            return std::uint64_t{1} << i;
        }
        return 0;
    }

    // Whether the byte at `at`, the last of its block or of the text, is a
    // whole character, or the first of one that goes on in the next block.
    [[gnu::noinline]] bool LastCharacter(std::size_t at)
    {
        if (at >= size_)
            return true; // past the text
        const auto byte = static_cast<unsigned char>(text_[at]);
        const bool hasNext = at + 1 < size_;
        const auto next = hasNext ? static_cast<unsigned char>(text_[at + 1]) : 0;
        if (byte == '\r')
            return next == '\n';
        if (CodePage932Bytes::KindOf(byte) == CodePage932Bytes::Single)
            return true;
        if (hasNext && CodePage932Bytes::IsPair(byte, next)) {
            checkedTo_ = at + 2;
            return true;
        }
        return false;
    }

    const char* const text_;
    const std::size_t size_;
    const bool charactersChecked_;
    static constexpr std::size_t MaxBatch = 32;
    Block blocks_[MaxBatch]; // classified blocks, from block number first_
    std::size_t first_ = 0, count_ = 0, batch_ = 2;
    std::size_t checkedTo_ = 0; // the end of a character begun at a block's last byte
    // What the last block tells of the next one's first byte.
    std::uint64_t inside_ = 0; // all ones while a quoted item is open
    std::uint64_t itemBegins_ = 1, afterClose_ = 0;
};

} // namespace CsvBlocks
