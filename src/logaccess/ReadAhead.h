#pragma once

#include "BriefWatch.h"
#include "HugePageBuffer.h"

#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <span>
#include <sys/types.h>
#include <thread>
#include <vector>

// Reads a file's bytes ahead of their reader on a thread of its own, into a
// few blocks in turn, so that the kernel's copy of the file overlaps the work
// done on the bytes. Blocks are aligned to 64 bytes: reads into a buffer off
// a cache line run several times slower.
class ReadAhead {
public:
    // Without `ownThread`, where no thread can be started, or for bytes that
    // fit in one block, Next reads each block in turn instead.
    explicit ReadAhead(std::size_t blockSize = 256 * 1024, int blockCount = 4,
                       bool ownThread = true);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Starts reading `fd` (which stays the caller's) from `offset`, up to
    // `limit` when it is not negative, otherwise up to the file's end. Any
    // earlier reading stops first, and the blocks handed out become invalid.
    void Start(int fd, off_t offset, off_t limit = -1);
    // The next bytes in file order, valid until the next call of Next, Start
    // or Stop; empty at the end, which a read error also is (see Error).
    std::span<const char> Next();
    // The errno of a read that failed, 0 when none did.
    int Error() const;
    // Stops reading; the block last handed out stays valid.
    void Stop();

    std::size_t BlockSize() const { return blockSize_; }

private:
    struct Block {
        char* bytes = nullptr; // in memory_
        std::size_t size = 0;
        bool filled = false;
        bool last = false; // no block follows this one
    };

    ssize_t FillBlock(Block& block, int fd, off_t offset, off_t limit);
    void Read(int fd, off_t offset, off_t limit);

    const std::size_t blockSize_;
    const bool ownThread_;
    std::vector<Block> blocks_;
    HugePageBuffer memory_; // all blocks' bytes
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    BriefWatch readerWatch_; // told of each block filled
    BriefWatch threadWatch_; // told of each block given back, and of the stop
    bool stop_ = false;
    int error_ = 0;
    std::size_t next_ = 0;       // the block Next hands out next
    Block* handedOut_ = nullptr; // given back to the thread at the next call
    bool ended_ = true;
    // Where a thread could not be started: what Next reads in turn.
    int fd_ = -1;
    off_t offset_ = 0, limit_ = -1;
};
