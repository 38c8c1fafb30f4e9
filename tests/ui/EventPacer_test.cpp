#include "EventPacer.h"

#include <gtest/gtest.h>

namespace {

// Calls Due() `calls` times and counts the yes answers.
int CountDue(EventPacer& pacer, int calls)
{
    int due = 0;
    for (int i = 0; i < calls; ++i)
        due += pacer.Due() ? 1 : 0;
    return due;
}

} // namespace

TEST(EventPacer, SaysYesOncePerIntervalHoweverOftenItIsAsked)
{
    qint64 now = 1000;
    EventPacer pacer(16, 8, [&] { return now; });

    EXPECT_EQ(CountDue(pacer, 1000), 0); // no time has passed
    now += 15;
    EXPECT_EQ(CountDue(pacer, 1000), 0);
    now += 1;
    EXPECT_EQ(CountDue(pacer, 8), 1); // within one round of the countdown
    EXPECT_EQ(CountDue(pacer, 1000), 0);
    now += 100; // a long pause still gives only one yes
    EXPECT_EQ(CountDue(pacer, 1000), 1);
}

TEST(EventPacer, ReadsTheClockOnlyEveryFewCalls)
{
    int reads = 0;
    EventPacer pacer(16, 16, [&] {
        ++reads;
        return qint64{0};
    });
    reads = 0;
    CountDue(pacer, 1600);
    EXPECT_EQ(reads, 100);
}
