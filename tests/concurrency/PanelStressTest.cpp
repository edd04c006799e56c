// Note keys arrive on the editor's thread while the audio thread applies
// queued function keys and renders blocks. The sequencer, the calculator,
// the display and the event queue must stay consistent; CI runs this under
// ThreadSanitizer.
#include "TestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(PanelStress, NoteKeysAgainstFunctionKeysAndBlocks)
{
    testhost::Instance instance;
    CQuiboPlugin& plugin = *instance.plugin;
    CQuibo& quibo = instance.quibo;
    plugin.setParameter(kParamMode, 0.5f); // Rec
    instance.process(0);
    std::atomic<bool> started{false}, done{false};

    std::thread editor([&] {
        while (!started.load()) { }
        for (int i = 0; i < 3000; ++i) {
            const int key = 55 + i % 29;
            quibo.panelNoteKey(key, 1.0f);
            quibo.panelNoteKey(key, 0.0f);
            if (i % 500 == 0) {
                void* bank = nullptr;
                EXPECT_EQ(CQuibo::kSavedBankSize, plugin.getChunk(&bank, false));
            }
        }
        done = true;
    });
    started = true;
    const int keys[] = {85, 91, 92, 93, 86, 87, 88, 90, 84, 89};
    int round = 0;
    while (!done.load()) {
        plugin.setParameter(keys[round % 10], 1.0f);
        if (round % 97 == 0)
            plugin.setParameter(kParamMode, (round / 97) % 3 == 2 ? 0.7f : 0.5f);
        instance.process(32);
        ++round;
    }
    editor.join();
    instance.process(32);
    EXPECT_LE(quibo.sequencer().eventCount(), quibo.sequencer().capacity());
    EXPECT_GE(quibo.sequencer().songPointer(), 0);
    if (!quibo.sequencer().demoSelected()) {
        EXPECT_LE(quibo.sequencer().songPointer(), quibo.sequencer().eventCount());
    }
    EXPECT_LE(quibo.eventManager().count(), CEventManager::kCapacity);
}

} // namespace
