#include "EventPacer.h"

#include <algorithm>

EventPacer::EventPacer(qint64 intervalMs, int callsPerClockRead, Clock clock)
    : intervalMs_(intervalMs), callsPerClockRead_(std::max(1, callsPerClockRead)),
      countdown_(callsPerClockRead_), clock_(std::move(clock))
{
    timer_.start();
    last_ = Now();
}

qint64 EventPacer::Now() const
{
    return clock_ ? clock_() : timer_.elapsed();
}

bool EventPacer::ReadClock()
{
    countdown_ = callsPerClockRead_;
    const qint64 now = Now();
    if (now - last_ < intervalMs_)
        return false;
    last_ = now;
    return true;
}
