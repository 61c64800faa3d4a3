#include "dsp/delay_line.h"

#include <memory>

#include <gtest/gtest.h>

namespace kestrelon {

namespace {

TEST(DelayLine, DelaysByLengthMinusOne)
{
    struct Case {
        int32_t length;
        int expectedDelay;
    };
    const Case cases[] = {{1, 0}, {2, 1}, {89, 88}, {1001, 1000}, {0, 0}, {-7, 0}, {5000, 1000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << c.length);
        auto line = std::make_unique<DelayLine>();
        line->Restart(c.length);
        for (int i = 0; i < 3000; ++i) {
            const double out = line->Push(i + 1.0);
            const double expected = i >= c.expectedDelay ? i + 1.0 - c.expectedDelay : 0.0;
            ASSERT_EQ(out, expected) << "at push " << i;
        }
    }
}

TEST(DelayLine, UnsetLengthPassesInputThrough)
{
    DelayLine line;
    EXPECT_EQ(line.GetLength(), 0);
    EXPECT_EQ(line.Push(0.25), 0.25);
    EXPECT_EQ(line.Push(-1.5), -1.5);
}

TEST(DelayLine, RestartKeepsStoredSamples)
{
    DelayLine line;
    line.Restart(4);
    for (int i = 1; i <= 10; ++i)
        line.Push(i);
    // Slots now hold 9, 10, 7, 8; restarting at slot 0 replays them in slot
    // order after the newly written one instead of clearing them.
    line.Restart(4);
    const double expected[] = {10.0, 7.0, 8.0, 100.0, 101.0};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(line.Push(100.0 + i), expected[i]) << "push " << i;
}

TEST(DelayLine, PairedPushMatchesSeparatePushes)
{
    const int32_t lengths[] = {1, 2, 89, 1001};
    for (int32_t length : lengths) {
        SCOPED_TRACE(testing::Message() << "length " << length);
        auto lines = std::make_unique<DelayLine[]>(4);
        DelayLine& pairLeft = lines[0];
        DelayLine& pairRight = lines[1];
        DelayLine& left = lines[2];
        DelayLine& right = lines[3];
        for (DelayLine* line : {&pairLeft, &pairRight, &left, &right})
            line->Restart(length);
        for (int i = 0; i < 2500; ++i) {
            // A restart midway, as a sample-rate change does.
            if (i == 1200) {
                for (DelayLine* line : {&pairLeft, &pairRight, &left, &right})
                    line->Restart(length > 3 ? length - 3 : length);
            }
            double l = i + 1.0;
            double r = -(i + 1.0);
            DelayLine::PushPair(pairLeft, pairRight, l, r);
            ASSERT_EQ(l, left.Push(i + 1.0)) << "push " << i;
            ASSERT_EQ(r, right.Push(-(i + 1.0))) << "push " << i;
        }
    }
}

}  // namespace

}  // namespace kestrelon
