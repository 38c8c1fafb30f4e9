#pragma once

#include <QElapsedTimer>

#include <functional>

// Decides when a long run on the window's thread lets the window handle its
// events. The run asks several times per record, up to millions of times a
// second, so most answers come from a countdown; only every few calls is the
// clock read, and the answer is yes once an interval has passed since the last yes.
class EventPacer {
public:
    // Milliseconds from an arbitrary start; the default reads a steady clock.
    using Clock = std::function<qint64()>;

    explicit EventPacer(qint64 intervalMs = 16, int callsPerClockRead = 16, Clock clock = {});

    bool Due()
    {
        if (--countdown_ > 0)
            return false;
        return ReadClock();
    }

private:
    bool ReadClock();
    qint64 Now() const;

    qint64 intervalMs_;
    int callsPerClockRead_;
    int countdown_;
    Clock clock_;
    QElapsedTimer timer_;
    qint64 last_;
};
