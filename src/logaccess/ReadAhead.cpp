#include "ReadAhead.h"

#include "ReadFullyAt.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

ReadAhead::ReadAhead(std::size_t blockSize, int blockCount, bool ownThread)
    : blockSize_((std::max<std::size_t>(blockSize, 64) + 63) / 64 * 64), ownThread_(ownThread),
      blocks_(static_cast<std::size_t>(std::max(blockCount, 2)))
{
}

int ReadAhead::Error() const
{
    const std::lock_guard lock(mutex_);
    return error_;
}

ReadAhead::~ReadAhead()
{
    Stop();
}

void ReadAhead::Start(int fd, off_t offset, off_t limit)
{
    Stop();
    for (Block& block : blocks_) {
        block.size = 0;
        block.filled = block.last = false;
    }
    stop_ = false;
    error_ = 0;
    next_ = 0;
    handedOut_ = nullptr;
    ended_ = false;
    try {
        // What fits in one block is read in turn: no thread is worth starting for it.
        if (ownThread_ && (limit < 0 || limit - offset > static_cast<off_t>(blockSize_))) {
            thread_ = std::thread(&ReadAhead::Read, this, fd, offset, limit);
            return;
        }
    } catch (const std::system_error&) {
        // No thread to be had: the reading is done in turn instead.
    }
    fd_ = fd;
    offset_ = offset;
    limit_ = limit;
}

void ReadAhead::Stop()
{
    fd_ = -1;
    if (!thread_.joinable())
        return;
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
        threadWatch_.Tell();
    }
    changed_.notify_all();
    thread_.join();
}

// Fills `block` from `offset`; returns the bytes it took. The caller holds no lock.
ssize_t ReadAhead::FillBlock(Block& block, int fd, off_t offset, off_t limit)
{
    // Allocated when first read into: a source that is opened and found to be
    // no log of its kind costs nothing.
    if (!memory_.Data())
        memory_ = HugePageBuffer(blockSize_ * blocks_.size());
    if (!block.bytes && memory_.Data())
        block.bytes = memory_.Data() + blockSize_ * static_cast<std::size_t>(&block - blocks_.data());
    std::size_t wanted = block.bytes ? blockSize_ : 0;
    if (limit >= 0)
        wanted = static_cast<std::size_t>(
            std::clamp<off_t>(limit - offset, 0, static_cast<off_t>(wanted)));
    const ssize_t got = wanted > 0 ? ReadFullyAt(fd, block.bytes, wanted, offset) : 0;
    const int readErrno = !block.bytes ? ENOMEM : got < 0 ? errno : 0;
    const std::lock_guard lock(mutex_);
    block.size = got > 0 ? static_cast<std::size_t>(got) : 0;
    // A short read is the end, as is a failed one.
    block.last = readErrno != 0 || static_cast<std::size_t>(got) < blockSize_ ||
                 (limit >= 0 && offset + got >= limit);
    block.filled = true;
    readerWatch_.Tell();
    if (readErrno != 0)
        error_ = readErrno;
    return std::max<ssize_t>(got, 0);
}

void ReadAhead::Read(int fd, off_t offset, off_t limit)
{
    for (std::size_t i = 0;; i = (i + 1) % blocks_.size()) {
        Block& block = blocks_[i];
        {
            std::unique_lock lock(mutex_);
            threadWatch_.Before(lock, [&] { return stop_ || !block.filled; });
            changed_.wait(lock, [&] { return stop_ || !block.filled; });
            if (stop_)
                return;
        }
        offset += FillBlock(block, fd, offset, limit);
        changed_.notify_all();
        if (block.last)
            return;
    }
}

std::span<const char> ReadAhead::Next()
{
    std::unique_lock lock(mutex_);
    if (handedOut_) {
        handedOut_->filled = false;
        handedOut_ = nullptr;
        threadWatch_.Tell();
        changed_.notify_all();
    }
    if (ended_)
        return {};
    Block& block = blocks_[next_];
    if (fd_ >= 0) { // reading in turn
        lock.unlock();
        offset_ += FillBlock(block, fd_, offset_, limit_);
        lock.lock();
    } else if (!thread_.joinable()) {
        return {}; // stopped
    }
    readerWatch_.Before(lock, [&] { return block.filled; });
    changed_.wait(lock, [&] { return block.filled; });
    next_ = (next_ + 1) % blocks_.size();
    handedOut_ = &block;
    ended_ = block.last;
    return {block.bytes, block.size};
}
