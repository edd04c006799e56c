// Panel note keys queue events on the user-interface thread while the audio
// thread dispatches; nothing may be lost or handed over twice.
#include "CEventListener.h"
#include "CEventManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

class CountingListener : public CEventListener {
public:
    int OnEvent(const VstMidiEvent& event) override
    {
        seen[static_cast<unsigned char>(event.midiData[1])]++;
        ++total;
        return 1;
    }
    int seen[128] = {};
    int total = 0;
};

TEST(EventManagerStress, KeysFromAnotherThreadAreAllDeliveredOnce)
{
    CEventManager queue;
    CountingListener voice;
    queue.setListener(0, &voice);
    constexpr int kKeys = 20000;
    std::atomic<bool> started{false}, done{false};
    std::thread panel([&] {
        while (!started.load()) {
        }
        for (int i = 0; i < kKeys; ++i) {
            VstMidiEvent event{};
            event.type = kVstMidiType;
            event.byteSize = 24;
            event.midiData[0] = static_cast<char>(0x90);
            event.midiData[1] = static_cast<char>(i % 128);
            // The queue holds 500; wait for room like a person cannot type faster.
            while (queue.count() >= CEventManager::kCapacity - 1) {
            }
            queue.AddEvent(event);
        }
        done = true;
    });
    started = true;
    while (!done.load() || queue.count() > 0) {
        for (int i = 0; i < 64; ++i)
            queue.DispatchDue(i);
        queue.EndBlock(64);
    }
    panel.join();
    EXPECT_EQ(kKeys, voice.total);
    for (int key = 0; key < 128; ++key)
        EXPECT_EQ(kKeys / 128 + (key < kKeys % 128 ? 1 : 0), voice.seen[key]) << key;
}

} // namespace
