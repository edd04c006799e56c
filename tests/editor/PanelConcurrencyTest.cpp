// The panel open, idling, clicked and closed on the editor's thread while the
// audio thread renders and MIDI notes arrive: nothing is shared but what the
// instrument publishes, the audio thread never waits (CI runs this under
// ThreadSanitizer too), and the keys end up showing what the voice plays.
#include "CKeyButton.h"
#include "CPanelLock.h"
#include "PanelTestSupport.h"

#include "NotePair.h"
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using testhost::NotePair;

} // namespace

TEST(PanelConcurrency, ThePanelWorksWhileTheAudioThreadRendersAndNeverMakesItWait)
{
    paneltest::OpenPanel panel;
    CQuiboPlugin& plugin = *panel.plugin;
    const int waitsBefore = CPanelLock::audioThreadWaits();
    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        std::vector<float> left(64), right(64);
        float* outputs[2] = {left.data(), right.data()};
        while (!stop.load()) {
            NotePair notes(kFirstNoteKey + blocks.load() % 29, 64);
            plugin.processEvents(notes.get());
            plugin.processReplacing(nullptr, outputs, 64);
            blocks.fetch_add(1);
        }
    });

    // The editor's thread: every few rounds the panel closes and opens again.
    const CPoint places[] = {panel.centreOf(60),        panel.centreOf(kParamVolume), panel.centreOf(KeyTempoUp),
                             panel.centreOf(KeyRhythm), panel.centreOf(67),           {805 + 8, 36}};
    int rounds = 0;
    for (; rounds < 400 || blocks.load() < 2000; ++rounds) {
        if (rounds % 50 == 49)
            panel.reopen();
        panel.idle();
        panel.click(places[rounds % 6], 20);
        panel.hover(places[(rounds + 1) % 6]);
    }
    stop = true;
    audio.join();
    EXPECT_EQ(waitsBefore, CPanelLock::audioThreadWaits());

    // Every note has ended: after the last notices no key shows pressed.
    panel.process(64);
    panel.idle(2);
    for (int tag = kFirstNoteKey; tag <= kLastNoteKey; ++tag)
        ASSERT_FLOAT_EQ(0.0f, panel.editor->key(tag)->value()) << tag;
    EXPECT_GE(blocks.load(), 2000);
    std::printf("%d editor rounds, %d audio blocks\n", rounds, blocks.load());
}
