// The tempo clock stepped through many quiet samples at once ticks exactly
// where sample-by-sample stepping ticks, at every tempo and rate.
#include "CQuibo.h"

#include <gtest/gtest.h>

TEST(TempoClock, QuietStepsTickWhereSingleStepsTick)
{
    for (const float rate : {44100.0f, 48000.0f, 22050.0f, 96000.0f}) {
        for (int tempo = -9; tempo <= 9; ++tempo) {
            CQuibo quick, single;
            CTempoClock& a = quick.tempoClock();
            CTempoClock& b = single.tempoClock();
            for (CTempoClock* clock : {&a, &b}) {
                clock->setClockRate(rate);
                clock->setTempo(static_cast<float>(tempo));
            }
            unsigned seed = static_cast<unsigned>(tempo + 100);
            int ticks = 0;
            for (int run = 0; run < 300; ++run) {
                seed = seed * 1103515245u + 12345u;
                const int length = 1 + static_cast<int>((seed >> 16) % 1500);
                const int quiet = a.stepQuietly(length);
                int expected = 0;
                bool tick = false;
                for (; expected < length; ++expected) {
                    CTempoClock next = b;
                    if (next.step()) {
                        tick = true;
                        break;
                    }
                    b = next;
                }
                ASSERT_EQ(expected, quiet) << rate << " Hz, tempo " << tempo << ", run " << run;
                if (tick) {
                    EXPECT_TRUE(a.step());
                    EXPECT_TRUE(b.step());
                    ++ticks;
                }
            }
            EXPECT_GT(ticks, 50) << rate << " Hz, tempo " << tempo;
            for (int i = 0; i < 5000; ++i)
                ASSERT_EQ(b.step(), a.step()) << rate << " Hz, tempo " << tempo << ", sample " << i;
        }
    }
}
