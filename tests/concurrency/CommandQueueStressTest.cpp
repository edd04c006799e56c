// setParameter may arrive on any thread while the audio thread drains the
// command queue. These tests hammer both sides at once; CI runs them under
// ThreadSanitizer.
#include "../TestHost.h"
#include "CCommandQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(CommandQueueStress, EveryIndexEndsWithItsLastPushedValue)
{
    constexpr int kIndexes = CCommandQueue::kParameterSlots;
    constexpr int kRounds = 20000;
    CCommandQueue queue;
    float applied[kIndexes] = {};
    std::atomic<bool> producerDone{false};
    std::atomic<bool> started{false};

    std::thread producer([&] {
        while (!started.load()) { }
        for (int round = 1; round <= kRounds; ++round)
            queue.push({round % kIndexes, static_cast<float>(round)});
        producerDone = true;
    });
    // The audio side: drain as the block loop does, never waiting for the producer.
    int pops = 0;
    started = true;
    while (!producerDone.load() || !queue.isEmpty()) {
        CCommandQueue::Command command{};
        while (queue.pop(command)) {
            ASSERT_GE(command.index, 0);
            ASSERT_LT(command.index, kIndexes);
            // Values for one index only ever grow: a merge replaces an older value.
            ASSERT_GT(command.value, applied[command.index]);
            applied[command.index] = command.value;
            ++pops;
        }
    }
    producer.join();
    for (int index = 0; index < kIndexes; ++index) {
        const int lastRound = kRounds - ((kRounds - index) % kIndexes);
        EXPECT_EQ(static_cast<float>(lastRound), applied[index]) << index;
    }
    EXPECT_GE(pops, kIndexes);
}

TEST(CommandQueueStress, AutomationWhileTheAudioThreadRenders)
{
    testhost::Instance instance;
    CQuiboPlugin& plugin = *instance.plugin;
    instance.process(0);
    std::atomic<bool> stop{false};
    std::thread automation([&] {
        for (int i = 0; i < 5000; ++i) {
            plugin.setParameter(kParamVolume, static_cast<float>(i % 100) / 100.0f);
            plugin.setParameter(kParamTempo, static_cast<float>(i % 19) / 18.0f);
            (void)plugin.getParameter(kParamVolume);
        }
        plugin.setParameter(kParamVolume, 0.33f);
        stop = true;
    });
    while (!stop.load())
        instance.process(64);
    automation.join();
    instance.process(64);
    EXPECT_FLOAT_EQ(0.33f, plugin.getParameter(kParamVolume));
}

} // namespace
