#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>

// Lets a thread that is about to wait for another watch for it a moment
// before it sleeps on a condition variable: being woken takes far longer on a
// virtual machine than the other thread usually needs, and a thread that is
// not asleep needs no waking. The other thread calls Tell, under the lock,
// whenever the watcher may find something new. One thread watches each.
class BriefWatch {
public:
    void Tell() { count_.fetch_add(1, std::memory_order_relaxed); }

    // Unless `ready()`, lets go of `lock` and watches until the next Tell or
    // for at most some 0.4 ms, then takes `lock` again; the caller then
    // checks, and waits, as it would have without.
    template <typename Ready> void Before(std::unique_lock<std::mutex>& lock, Ready ready)
    {
        if (!worthIt_ || ready())
            return;
        // Where the other thread keeps it waiting far longer, as a slow run
        // does its reader, watching is mostly given up.
        if (skip_ > 0) {
            --skip_;
            return;
        }
        const std::uint64_t seen = count_.load(std::memory_order_relaxed);
        lock.unlock();
        const bool told = Watch(seen);
        lock.lock();
        giveUp_ = told ? 0 : std::min(2 * giveUp_ + 1, MaxGiveUp);
        skip_ = giveUp_;
    }

private:
    // Whether Tell came in time.
    bool Watch(std::uint64_t seen) const;

    std::atomic<std::uint64_t> count_{0};
    // Only where the two threads can run at once: on one core the watching
    // would only hold up the thread watched for.
    const bool worthIt_ = TwoCores();
    static bool TwoCores();
    static constexpr int MaxGiveUp = 31;
    int giveUp_ = 0; // waits not watched after the next one that times out
    int skip_ = 0;   // waits still not to watch
};
