#include "BriefWatch.h"

#include <chrono>
#include <sched.h>

bool BriefWatch::Watch(std::uint64_t seen) const
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(400);
    while (count_.load(std::memory_order_relaxed) == seen) {
        // The clock is read now and then only: it costs more than a pause.
        for (int i = 0; i < 16; ++i) {
#if defined(__x86_64__)
            __builtin_ia32_pause();
#endif
        }
        if (std::chrono::steady_clock::now() >= until)
            return false;
    }
    return true;
}

bool BriefWatch::TwoCores()
{
    static const bool two = [] {
        cpu_set_t cores;
        return sched_getaffinity(0, sizeof cores, &cores) == 0 && CPU_COUNT(&cores) > 1;
    }();
    return two;
}
