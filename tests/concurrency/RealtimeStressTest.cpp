// The audio thread never waits for another thread, and no host call waits for
// the audio thread. CPanelLock counts every wait by a thread registered as an
// audio thread; these tests hammer the plug-in from three threads and require
// that count to stay zero. CI runs them under ThreadSanitizer too.
#include "NotePair.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

class NullCells : public CDisplayCells {
public:
    bool isReady() const override { return true; }
    void render(const LcdContent& content) override { last = content; }
    LcdContent last{};
};

using MidiList = testhost::NotePair;

// A host thread: automation, programs, chunks and texts, as fast as it can.
void hammerAsHost(CQuiboPlugin& plugin, const std::atomic<bool>& stop, std::atomic<int>& rounds)
{
    std::vector<unsigned char> bank;
    char text[64];
    for (int round = 0; !stop.load(); ++round, ++rounds) {
        for (int index = 0; index < kNumParams; ++index) {
            if (index != kParamMode)
                plugin.setParameter(index, static_cast<float>((round + index) % 10) / 10.0f);
        }
        (void)plugin.getParameter(round % kNumParams);
        plugin.getParameterDisplay(round % kNumParams, text);
        if (round % 5 == 0)
            plugin.setProgram(round % kNumPrograms);
        if (round % 7 == 0) {
            void* data = nullptr;
            const VstInt32 size = plugin.getChunk(&data, false);
            bank.assign(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
            plugin.setChunk(bank.data(), static_cast<VstInt32>(bank.size()), false);
        }
        if (round % 11 == 0) {
            void* data = nullptr;
            const VstInt32 size = plugin.getChunk(&data, true);
            std::vector<unsigned char> program(static_cast<unsigned char*>(data),
                                               static_cast<unsigned char*>(data) + size);
            plugin.setChunk(program.data(), size, true);
        }
        plugin.getProgramName(text);
        plugin.getProgramNameIndexed(0, round % kNumPrograms, text);
    }
}

// The editor's thread: panel keys, function keys, and its idle reading what
// the audio thread published.
void hammerAsEditor(CQuibo& quibo, const std::atomic<bool>& stop, std::atomic<int>& rounds)
{
    NullCells cells;
    quibo.displayModel().attachView(&cells);
    static const int kFunctionKeys[] = {86, 87, 88, 92, 93};
    for (int round = 0; !stop.load(); ++round, ++rounds) {
        const int key = 55 + round % 29;
        quibo.panelNoteKey(key, 1.0f);
        quibo.panelNoteKey(key, 0.0f);
        const int functionKey = kFunctionKeys[round % 5];
        quibo.setParameter(functionKey, 1.0f);
        quibo.setParameter(functionKey, 0.0f);
        if (round % 50 == 0)
            quibo.setParameter(kParamMode, round % 150 == 0 ? 0.5f : 0.0f);
        quibo.displayModel().refreshView();
        (void)quibo.editorNotices().take();
        (void)quibo.displayModel().publishedContent();
        std::this_thread::yield();
    }
    quibo.displayModel().detachView();
}

TEST(RealtimeStress, ThreeThreadsNeverMakeTheAudioThreadWait)
{
    testhost::Instance instance;
    CQuiboPlugin& plugin = *instance.plugin;
    instance.process(0);
    const int waitsBefore = CPanelLock::audioThreadWaits();
    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0}, hostRounds{0}, editorRounds{0};
    std::thread host([&] { hammerAsHost(plugin, stop, hostRounds); });
    std::thread editor([&] { hammerAsEditor(instance.quibo, stop, editorRounds); });
    std::thread audio([&] {
        std::vector<float> left(64), right(64);
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 0; block < 3000 || hostRounds.load() < 300 || editorRounds.load() < 300; ++block) {
            MidiList midi(48 + block % 36, 64);
            plugin.processEvents(midi.get());
            plugin.processReplacing(nullptr, outputs, 64);
            blocks.fetch_add(1);
        }
        stop = true;
    });
    audio.join();
    host.join();
    editor.join();
    EXPECT_GE(blocks.load(), 3000);
    EXPECT_EQ(waitsBefore, CPanelLock::audioThreadWaits());
}

// The count is real: an audio thread that calls a host request which must wait
// for the panel is seen.
TEST(RealtimeStress, AWaitOnTheAudioThreadIsCounted)
{
    testhost::Instance instance;
    CQuiboPlugin& plugin = *instance.plugin;
    CQuibo& quibo = instance.quibo;
    const int waitsBefore = CPanelLock::audioThreadWaits();
    std::promise<void> held;
    std::promise<void> release;
    std::thread holder([&] {
        std::lock_guard<CPanelLock> guard(quibo.panelLock());
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    std::thread audio([&] {
        quibo.panelLock().markAudioThread();
        plugin.setProgram(2); // waits for the holder
    });
    while (CPanelLock::audioThreadWaits() == waitsBefore)
        std::this_thread::sleep_for(1ms);
    release.set_value();
    holder.join();
    audio.join();
    EXPECT_EQ(waitsBefore + 1, CPanelLock::audioThreadWaits());
}

// Hosts restore state while their audio thread is blocked (some hold their own
// audio lock meanwhile): every request returns without a block running, and
// the next block plays the restored state.
TEST(RealtimeStress, HostCallsReturnWhileTheAudioThreadIsBlocked)
{
    testhost::Instance instance;
    CQuiboPlugin& plugin = *instance.plugin;
    instance.process(64);
    void* data = nullptr;
    const VstInt32 size = plugin.getChunk(&data, false);
    std::vector<unsigned char> bank(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);

    std::mutex hostAudioLock;
    std::unique_lock<std::mutex> audioBlocked(hostAudioLock);
    std::thread audio([&] {
        std::lock_guard<std::mutex> guard(hostAudioLock); // the host's audio thread waits here
        instance.process(64);
    });
    auto calls = std::async(std::launch::async, [&] {
        plugin.setProgram(3);
        plugin.setParameter(kParamVolume, 0.3f);
        EXPECT_EQ(1, plugin.setChunk(bank.data(), size, false));
        plugin.setParameter(kParamAttack, 0.7f);
        void* again = nullptr;
        return plugin.getChunk(&again, false);
    });
    ASSERT_EQ(std::future_status::ready, calls.wait_for(10s));
    EXPECT_EQ(size, calls.get());
    audioBlocked.unlock();
    audio.join();
    EXPECT_EQ(0, plugin.getProgram());
    EXPECT_FLOAT_EQ(0.8f, plugin.getParameter(kParamVolume));
    EXPECT_FLOAT_EQ(0.7f, plugin.getParameter(kParamAttack));
}

// While another thread holds the panel (a long chunk load), the audio thread
// keeps rendering the note it has; the panel's work waits and is done at the
// first sample after the load, in order.
TEST(RealtimeStress, ALoadInProgressDefersPanelWorkButTheVoiceSoundsOn)
{
    testhost::Instance instance;
    CQuiboPlugin& plugin = *instance.plugin;
    CQuibo& quibo = instance.quibo;
    instance.process(64);
    MidiList midi(60, 4096);
    midi.list.numEvents = 1; // a held note
    plugin.processEvents(midi.get());
    instance.process(2048);
    {
        std::lock_guard<CPanelLock> load(quibo.panelLock());
        quibo.panelNoteKey(64, 1.0f);
        plugin.setParameter(kParamVolume, 0.5f);
        instance.process(2048);
        float peak = 0.0f;
        for (int i = 0; i < 2048; ++i)
            peak = std::max(peak, std::abs(instance.left[i]));
        EXPECT_GT(peak, 0.01f);
        EXPECT_FLOAT_EQ(0.8f, plugin.getParameter(kParamVolume));
    }
    instance.process(64);
    EXPECT_FLOAT_EQ(0.5f, plugin.getParameter(kParamVolume));
    const uint32_t bit64 = 1u << (64 - CEditorNotices::kFirstKey);
    EXPECT_NE(0u, quibo.editorNotices().take().keysShownDown & bit64);
}

} // namespace
