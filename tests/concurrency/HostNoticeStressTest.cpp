// MIDI program changes are applied on the audio thread while the host's
// thread makes requests and sets other values: the host hears of the
// instrument's own changes only on its own thread, and the last value it hears
// of each is the one that stands. CI runs this under ThreadSanitizer.
#include "TestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

namespace {

std::thread::id audioThread;
std::atomic<int> callsFromAudioThread{0};
std::map<VstInt32, float> lastTold; // written by the host's thread only

VstIntPtr VSTCALLBACK recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    if (std::this_thread::get_id() == audioThread)
        ++callsFromAudioThread;
    if (opcode == audioMasterAutomate)
        lastTold[index] = opt;
    return opcode == audioMasterVersion ? 2400 : 0;
}

TEST(HostNoticeStress, ProgramChangesOnTheAudioThreadAreToldOnTheHostsThread)
{
    audioThread = std::this_thread::get_id();
    testhost::PluginOnQuibo made = testhost::makePlugin(recordingHost);
    CQuiboPlugin& plugin = *made.plugin;
    AEffect* effect = plugin.getAeffect();
    float left[64], right[64];
    float* outputs[2] = {left, right};
    plugin.processReplacing(nullptr, outputs, 64);
    const int waitsBefore = CPanelLock::audioThreadWaits();
    std::atomic<bool> done{false};
    std::atomic<int> requests{0};

    std::thread host([&] {
        for (int i = 0; !done.load(); ++i) {
            effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
            if (i % 7 == 0)
                plugin.setParameter(kParamVolume, 0.5f + 0.001f * static_cast<float>(i % 100));
            ++requests;
        }
    });
    // Both sides keep going until each has done its share alongside the other.
    for (int round = 0; round < 3000 || requests.load() < 3000; ++round) {
        testhost::sendMidi(plugin, round % 64, kStatusProgramChange, round % 5, 0);
        plugin.processReplacing(nullptr, outputs, 64);
    }
    done = true;
    host.join();
    plugin.processReplacing(nullptr, outputs, 64);
    audioThread = std::thread::id(); // the host's requests now come from here
    effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);

    EXPECT_EQ(0, callsFromAudioThread.load());
    EXPECT_EQ(waitsBefore, CPanelLock::audioThreadWaits());
    ASSERT_EQ(1u, lastTold.count(kParamProgram));
    EXPECT_EQ(0u, lastTold.count(kParamVolume)) << "a value the host sent was told back";
    for (const auto& [index, value] : lastTold)
        EXPECT_EQ(plugin.getParameter(index), value) << "parameter " << index;
}

} // namespace
