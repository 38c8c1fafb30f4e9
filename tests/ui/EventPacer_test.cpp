#include "EventPacer.h"

#include <gtest/gtest.h>

TEST(EventPacer, SaysYesOncePerIntervalHoweverOftenItIsAsked)
{
    qint64 now = 1000;
    int reads = -1; // the first read is the pacer's start
    EventPacer pacer(16, 8, [&] {
        ++reads;
        return now;
    });
    const auto due = [&](int calls) {
        int yes = 0;
        for (int i = 0; i < calls; ++i)
            yes += pacer.Due();
        return yes;
    };

    EXPECT_EQ(due(800), 0); // no time has passed
    EXPECT_EQ(reads, 100);  // the clock is read every eighth call only
    now += 15;
    EXPECT_EQ(due(1000), 0);
    now += 1;
    EXPECT_EQ(due(8), 1); // within one round of the countdown
    EXPECT_EQ(due(1000), 0);
    now += 100; // a long pause still gives only one yes
    EXPECT_EQ(due(1000), 1);
}
