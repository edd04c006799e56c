// A sample-rate change carried from the JACK server's thread to the main
// thread: applied only between blocks the audio thread leaves silent, never
// while it renders, and kept for later when no block comes.
#include "CRateChange.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using std::chrono::milliseconds;

// An audio thread: each block is silent or rendered (a short busy spell).
class AudioThread {
public:
    explicit AudioThread(CRateChange& change)
        : m_change(change),
          m_thread([this] { run(); })
    {
    }
    ~AudioThread()
    {
        m_stop.store(true);
        m_thread.join();
    }
    bool rendering() const { return m_rendering.load(); }
    int silentBlocks() const { return m_silent.load(); }

private:
    void run()
    {
        while (!m_stop.load()) {
            if (m_change.silenceBlock()) {
                m_silent.fetch_add(1);
            } else {
                m_rendering.store(true);
                const auto end = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
                while (std::chrono::steady_clock::now() < end) { }
                m_rendering.store(false);
            }
            std::this_thread::yield();
        }
    }

    CRateChange& m_change;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_rendering{false};
    std::atomic<int> m_silent{0};
    std::thread m_thread;
};

TEST(RateChangeTest, ARateIsAppliedOnlyBetweenSilentBlocksNeverWhileTheAudioThreadRenders)
{
    CRateChange change;
    change.start(48000.0f);
    AudioThread audio(change);
    int applied = 0, overlaps = 0;
    for (int i = 0; i < 200; ++i) {
        const float rate = i % 2 == 0 ? 44100.0f : 48000.0f;
        std::thread server([&] { change.announce(rate); });
        server.join();
        const bool pending = change.applyPending(
            [&](float value) {
                overlaps += audio.rendering() ? 1 : 0;
                ++applied;
                return value == rate;
            },
            milliseconds(500));
        EXPECT_FALSE(pending);
        EXPECT_EQ(rate, change.rate());
    }
    EXPECT_EQ(200, applied);
    EXPECT_EQ(0, overlaps);
    EXPECT_GE(audio.silentBlocks(), 200);
}

TEST(RateChangeTest, TheSameRateChangesNothingARefusedOneKeepsTheOldAndOneWithoutAudioWaits)
{
    CRateChange change;
    change.start(48000.0f);
    int applied = 0;
    const auto apply = [&](float value) {
        ++applied;
        return value != 12.0f;
    };
    change.announce(48000.0f);
    EXPECT_FALSE(change.applyPending(apply, milliseconds(0)));
    EXPECT_EQ(0, applied) << "the rate in use";
    EXPECT_FALSE(change.silenceBlock()) << "and no block silenced for it";

    change.announce(96000.0f);
    EXPECT_TRUE(change.applyPending(apply, milliseconds(20))) << "no audio block came: still pending";
    EXPECT_EQ(0, applied);
    EXPECT_FALSE(change.silenceBlock()) << "the audio goes on meanwhile";
    {
        AudioThread audio(change);
        EXPECT_FALSE(change.applyPending(apply, milliseconds(500)));
    }
    EXPECT_EQ(1, applied);
    EXPECT_EQ(96000.0f, change.rate());

    change.announce(12.0f);
    {
        AudioThread audio(change);
        EXPECT_FALSE(change.applyPending(apply, milliseconds(500)));
    }
    EXPECT_EQ(96000.0f, change.rate()) << "refused";
    EXPECT_FALSE(change.applyPending(apply, milliseconds(0))) << "and not tried again";
    EXPECT_EQ(2, applied);
}

} // namespace
