// The panel keys in the four modes: recording, deleting with the memory beep,
// erase, demo, play and one-key play, and the calculator keys.
#include "LcdText.h"
#include "PanelTestHost.h"
#include "SequencerEvent.h"

#include <gtest/gtest.h>

namespace {

constexpr float kPlay = 0.0f, kRec = 0.5f, kCal = 0.7f;

TEST(KeyDispatcher, DeleteInRecBeepsForTheMemoryLeftAndRemovesTheLastNote)
{
    testhost::Panel panel;
    panel.setMode(kRec);
    for (int note = 60; note < 65; ++note)
        panel.tapNote(note);
    CSequencer& sequencer = panel.quibo.sequencer();
    ASSERT_EQ(10, sequencer.eventCount());
    panel.process(64); // the notes reach the voice; the queue is empty again
    ASSERT_EQ(0, panel.quibo.eventManager().count());

    panel.functionKey(KeyDelete);
    EXPECT_EQ(8, sequencer.eventCount());
    // 190 events left: 190 x 44100 x 0.005 (single precision) + 100, truncated.
    EXPECT_EQ(41994, panel.quibo.eventManager().deltaFramesOffset());
    EXPECT_EQ(4, panel.quibo.eventManager().count());
    EXPECT_EQ(1, panel.quibo.beepPending());
}

// The view scrolls right by one note: the two newest remaining notes move to
// the right and the note recorded before them comes into the left place.
TEST(KeyDispatcher, DeleteInRecShowsTheThreeNotesBeforeTheRemovedOne)
{
    testhost::Instance instance;
    CQuiboPlugin& plugin = *instance.plugin;
    CQuibo& quibo = instance.quibo;
    instance.process(0);
    plugin.setParameter(kParamMode, kRec);
    instance.process(0);
    for (int note : {60, 62, 64, 65}) {
        quibo.keyDispatcher().noteKey(note, 1.0f);
        quibo.keyDispatcher().noteKey(note, 0.0f);
        instance.process(64); // the voice shows each note as it starts
    }
    // Cell 0 carries the blinking tick mark; cells 1 to 8 hold three notes.
    const auto notesShown = [&] { return testhost::cellsOf(quibo.displayModel().content()).substr(1); };
    ASSERT_EQ(".2..3..4", notesShown());
    const auto deleteKey = [&] {
        plugin.setParameter(KeyDelete, 1.0f);
        instance.process(0);
        return notesShown();
    };
    EXPECT_EQ(".1..2..3", deleteKey());
    EXPECT_EQ("....1..2", deleteKey());
    EXPECT_EQ(".......1", deleteKey());
    EXPECT_EQ("..[.4]..", deleteKey()); // nothing left: the tempo view
}

TEST(KeyDispatcher, FirstNoteOfAClosedEmptyMemoryBeepsForOneSecond)
{
    testhost::Panel panel;
    panel.setMode(kRec);
    panel.quibo.sequencer().setRecordArmed(0);
    panel.quibo.keyDispatcher().noteKey(67, 1.0f);
    EXPECT_EQ(44100, panel.quibo.eventManager().deltaFramesOffset());
    EXPECT_EQ(5, panel.quibo.eventManager().count()); // four beep events and the note behind them
    EXPECT_EQ(1, panel.quibo.sequencer().eventCount());
}

TEST(KeyDispatcher, FullArmedMemoryDropsNotesAndShowsTheMark)
{
    testhost::Panel panel;
    panel.setMode(kRec);
    for (int i = 0; i < 100; ++i)
        panel.tapNote(60 + i % 12);
    ASSERT_EQ(200, panel.quibo.sequencer().eventCount());
    const int queued = panel.quibo.eventManager().count();
    panel.tapNote(62);
    EXPECT_EQ(200, panel.quibo.sequencer().eventCount());
    EXPECT_EQ(queued, panel.quibo.eventManager().count());
}

TEST(KeyDispatcher, EraseIsRefusedWhileTheDemonstrationPlays)
{
    testhost::Panel panel;
    panel.setMode(kRec);
    panel.tapNote(60);
    panel.tapNote(62);
    CSequencer& sequencer = panel.quibo.sequencer();
    ASSERT_EQ(4, sequencer.eventCount());
    panel.functionKey(KeyDemo);
    EXPECT_TRUE(panel.quibo.keyDispatcher().demoPlaying());
    EXPECT_TRUE(sequencer.playing());
    panel.functionKey(KeyErase);
    EXPECT_EQ(4, sequencer.eventCount());
    panel.functionKey(KeyDemo); // stops the demonstration
    EXPECT_FALSE(panel.quibo.keyDispatcher().demoPlaying());
    panel.functionKey(KeyErase);
    EXPECT_EQ(0, sequencer.eventCount());
    EXPECT_EQ(1, sequencer.recordArmed());
    EXPECT_FLOAT_EQ(0.5f, panel.plugin->getParameter(kParamTempo));
}

TEST(KeyDispatcher, NoteKeysAreIgnoredDuringPlaybackAndSoundWhilePaused)
{
    testhost::Panel panel;
    panel.setMode(kRec);
    panel.tapNote(60);
    panel.tapNote(64);
    panel.setMode(kPlay);
    panel.functionKey(KeyPlay);
    CSequencer& sequencer = panel.quibo.sequencer();
    ASSERT_TRUE(sequencer.playing());
    ASSERT_FALSE(sequencer.paused());
    const int queued = panel.quibo.eventManager().count();
    panel.quibo.keyDispatcher().noteKey(72, 1.0f);
    EXPECT_EQ(queued, panel.quibo.eventManager().count());

    panel.functionKey(KeyPlay); // pause
    ASSERT_TRUE(sequencer.paused());
    panel.process(1);
    panel.voice.sent.clear();
    panel.quibo.keyDispatcher().noteKey(72, 1.0f);
    panel.process(1);
    ASSERT_FALSE(panel.voice.sent.empty());
    EXPECT_EQ(0x90, panel.voice.sent.back().status);
    EXPECT_EQ(72, panel.voice.sent.back().data1);
    EXPECT_EQ(127, panel.voice.sent.back().data2);
}

TEST(KeyDispatcher, OneKeyPlayPressPlaysTheNoteOnAndReleaseTheNoteOff)
{
    testhost::Panel panel;
    panel.setMode(kRec);
    panel.tapNote(65);
    panel.setMode(kPlay);
    // The first press and release after a recording close it.
    panel.functionKey(KeyOneKey1, 1.0f);
    panel.functionKey(KeyOneKey1, 0.0f);
    EXPECT_EQ(0, panel.quibo.sequencer().recordArmed());
    panel.process(1);
    panel.voice.sent.clear();

    panel.functionKey(KeyOneKey1, 1.0f);
    panel.process(1);
    ASSERT_EQ(1u, panel.voice.sent.size());
    EXPECT_EQ(0x90, panel.voice.sent[0].status);
    EXPECT_EQ(65, panel.voice.sent[0].data1);
    panel.functionKey(KeyOneKey1, 0.0f);
    panel.process(1);
    ASSERT_EQ(2u, panel.voice.sent.size());
    EXPECT_EQ(0x80, panel.voice.sent[1].status);
    EXPECT_EQ(65, panel.voice.sent[1].data1);
    // The melody is over: the next press ends the step, its release only clears the latch.
    panel.functionKey(KeyOneKey2, 1.0f);
    EXPECT_TRUE(panel.quibo.keyDispatcher().stepEndLatch());
    panel.functionKey(KeyOneKey2, 0.0f);
    EXPECT_FALSE(panel.quibo.keyDispatcher().stepEndLatch());
}

TEST(KeyDispatcher, RhythmKeyValueSelectsThePattern)
{
    testhost::Panel panel;
    for (int digit = 0; digit <= 9; ++digit) {
        panel.functionKey(KeyRhythm, static_cast<float>(digit) / 10.0f);
        EXPECT_EQ(digit, panel.quibo.rhythmBox().patternNumber());
        EXPECT_TRUE(panel.quibo.rhythmBox().running());
    }
}

TEST(KeyDispatcher, TempoKeysStepTheTempo)
{
    testhost::Panel panel;
    ASSERT_EQ(4.0f, panel.quibo.tempoClock().tempo());
    panel.functionKey(KeyTempoUp);
    panel.process(0);
    EXPECT_EQ(5.0f, panel.quibo.tempoClock().tempo());
    panel.functionKey(KeyTempoDown);
    panel.process(0);
    panel.functionKey(KeyTempoDown);
    panel.process(0);
    EXPECT_EQ(3.0f, panel.quibo.tempoClock().tempo());
}

TEST(KeyDispatcher, CalculatorWorksThroughTheKeysAndOnlyOnPresses)
{
    testhost::Panel panel;
    panel.setMode(kCal);
    panel.typeDigits("12");
    panel.quibo.keyDispatcher().noteKey(60, 0.0f); // a release does nothing
    panel.quibo.keyDispatcher().noteKey(81, 1.0f); // +
    panel.typeDigits("30");
    panel.quibo.keyDispatcher().noteKey(83, 1.0f); // =
    EXPECT_STREQ(" 42", panel.quibo.calculator().displayText());
    panel.functionKey(KeyOneKey1, 1.0f); // memory plus
    panel.functionKey(KeyOneKey1, 0.0f); // its release adds nothing
    EXPECT_STREQ(" 42", panel.quibo.calculator().memoryText());
    EXPECT_TRUE(panel.voice.sent.empty()); // Cal sends nothing to the voice
    // A mode change clears the calculator but keeps the memory.
    panel.setMode(kCal);
    EXPECT_STREQ(" 42", panel.quibo.calculator().memoryText());
}

TEST(KeyDispatcher, OffIgnoresEveryKey)
{
    testhost::Panel panel;
    panel.setMode(1.0f);
    panel.tapNote(60);
    panel.functionKey(KeyDemo);
    EXPECT_EQ(0, panel.quibo.eventManager().count());
    EXPECT_FALSE(panel.quibo.sequencer().playing());
}

} // namespace
