// Panel note keys queue events on the user-interface thread while the audio
// thread dispatches; nothing may be lost or handed over twice.
#include "CEventListener.h"
#include "CEventManager.h"
#include "PanelCodes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

class CountingListener : public CEventListener {
public:
    int OnEvent(const MidiMessage& event) override
    {
        seen[event.data1]++;
        ++total;
        return 1;
    }
    int seen[128] = {};
    int total = 0;
};

// MIDI from a thread other than the audio thread goes through the inbox;
// the audio thread takes it in at each block start.
TEST(EventManagerStress, EventsFromAnotherThreadAreAllDeliveredOnce)
{
    CEventManager queue;
    CountingListener voice;
    queue.setListener(0, &voice);
    constexpr int kKeys = 20000;
    std::atomic<int> delivered{0};
    std::atomic<bool> started{false}, done{false};
    std::thread sender([&] {
        while (!started.load()) { }
        for (int i = 0; i < kKeys; ++i) {
            // The inbox holds a few hundred; wait for room as a host waits for its next block.
            while (i - delivered.load() >= 400) { }
            queue.receiveMidi(0, MidiMessage{0x90, static_cast<std::uint8_t>(i % 128), 0}, kModePlay);
        }
        done = true;
    });
    started = true;
    while (!done.load() || voice.total < kKeys) {
        queue.takeInbox();
        for (int i = 0; i < 64; ++i)
            queue.DispatchDue(i);
        queue.EndBlock(64);
        delivered.store(voice.total);
    }
    sender.join();
    EXPECT_EQ(kKeys, voice.total);
    for (int key = 0; key < 128; ++key)
        EXPECT_EQ(kKeys / 128 + (key < kKeys % 128 ? 1 : 0), voice.seen[key]) << key;
}

} // namespace
