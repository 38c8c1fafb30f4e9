#include "HdbFieldBytes.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

#if defined(__SSE2__)
// IGN is split for every contact kept, from the bytes' bits: it must find the
// parts the byte loops find, whatever lies in IGN (zero bytes, runs of spaces
// anywhere, none at all) and in the bytes read past it.
TEST(HdbFieldBytes, IgnSplitFromBitsFindsWhatTheByteLoopsFind)
{
    using HdbFieldBytes::IgnParts;
    constexpr char Alphabet[] = {' ', ' ', ' ', '\0', 'A', '9', '/', '\x82'};
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(Alphabet) - 1);
    std::array<char, 16> ign;
    for (int length = 0; length <= 16; ++length) {
        for (int round = 0; round < 20000; ++round) {
            for (char& byte : ign)
                byte = Alphabet[pick(random)];
            // Mostly spaces after the overflow, as HAMLOG pads, now and then.
            if (round % 3 == 0)
                std::fill(ign.begin() + round % 7, ign.end() - round % 4, ' ');
            const IgnParts bytewise = HdbFieldBytes::SplitIgn(ign.data(), length);
            const IgnParts wide = HdbFieldBytes::SplitIgnWide(ign.data(), length);
            ASSERT_EQ(wide.end, bytewise.end) << length << ' ' << round;
            ASSERT_EQ(wide.split, bytewise.split) << length << ' ' << round;
            ASSERT_EQ(wide.restBegin, bytewise.restBegin) << length << ' ' << round;
            ASSERT_EQ(wide.restEnd, bytewise.restEnd) << length << ' ' << round;
        }
    }
}
#endif
