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
    std::uint64_t leads;                // code page 932 bytes that may lead a double-byte character
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
        bad |= block.zeros | LoneReturns(offset, block);
        if (!charactersChecked_)
            bad |= Characters(offset, n, block);
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

    // The bytes from 0x80 on of the block at `offset`, `n` bytes of text,
    // that make no character. A pair that is no character, or one cut by the
    // end of the text, is marked at its lead byte. Only the first mark
    // matters: the line it lies in is the tokenizer's.
    [[gnu::always_inline]] std::uint64_t Characters(std::size_t offset, std::size_t n,
                                                    const Block& block)
    {
        std::uint64_t bad = 0;
        const std::uint64_t trailIn = trailIn_; // the trail of the last block's last character
        trailIn_ = 0;
        if (block.high == 0)
            return bad; // a trail byte from the last block, if any, is ASCII
        // In a run of bytes that may lead, every other one does, from the
        // run's first: one subtraction over the run's bits tells them apart.
        constexpr std::uint64_t Odd = 0xAAAAAAAAAAAAAAAA;
        const auto* const bytes = reinterpret_cast<const unsigned char*>(text_ + offset);
        const std::uint64_t mayLead = block.leads & ~trailIn;
        const std::uint64_t leads = ((((mayLead << 1) | Odd) - mayLead) ^ Odd) & mayLead;
        const std::uint64_t trails = leads << 1 | trailIn;
        // Any other byte from 0x80 on must be half-width katakana: looked at
        // one by one.
        if (const std::uint64_t lone = block.high & ~leads & ~trails) [[unlikely]]
            bad |= NotSingle(bytes, lone);
        // Each lead byte makes a character with the byte after it, or not:
        // looked up without a branch for each, which would seldom be taken.
        const std::uint64_t last = std::uint64_t{1} << (n - 1);
        bool pairs = true;
        for (std::uint64_t m = leads & ~last; m != 0; m &= m - 1) {
            const auto i = static_cast<std::size_t>(std::countr_zero(m));
            pairs &= CodePage932Bytes::IsPair(bytes[i], bytes[i + 1]);
        }
        if (!pairs) [[unlikely]]
            bad |= NoPairs(bytes, leads & ~last);
        // The last byte's trail, if any, is the next block's first.
        if (leads & last) {
            const std::size_t next = offset + n;
            if (next < size_ &&
                CodePage932Bytes::IsPair(bytes[n - 1], static_cast<unsigned char>(text_[next])))
                trailIn_ = 1;
            else
                bad |= last;
        }
        return bad;
    }

    // The bytes among `lone` that are no character alone.
    static std::uint64_t NotSingle(const unsigned char* bytes, std::uint64_t lone)
    {
        std::uint64_t none = 0;
        for (; lone != 0; lone &= lone - 1) {
            const auto i = static_cast<std::size_t>(std::countr_zero(lone));
            if (CodePage932Bytes::KindOf(bytes[i]) != CodePage932Bytes::Single)
                none |= std::uint64_t{1} << i;
        }
        return none;
    }

    // The lead bytes among `leads` that make no character with the byte after them.
    static std::uint64_t NoPairs(const unsigned char* bytes, std::uint64_t leads)
    {
        std::uint64_t none = 0;
        for (; leads != 0; leads &= leads - 1) {
            const auto i = static_cast<std::size_t>(std::countr_zero(leads));
            if (!CodePage932Bytes::IsPair(bytes[i], bytes[i + 1]))
                none |= std::uint64_t{1} << i;
        }
        return none;
    }

    const char* const text_;
    const std::size_t size_;
    const bool charactersChecked_;
    static constexpr std::size_t MaxBatch = 32;
    Block blocks_[MaxBatch]; // classified blocks, from block number first_
    std::size_t first_ = 0, count_ = 0, batch_ = 2;
    std::uint64_t trailIn_ = 0; // 1 when the next block begins with a character's trail byte
    // What the last block tells of the next one's first byte.
    std::uint64_t inside_ = 0; // all ones while a quoted item is open
    std::uint64_t itemBegins_ = 1, afterClose_ = 0;
};

} // namespace CsvBlocks
