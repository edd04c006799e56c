#include "CEventListener.h"
#include "CQuiboPlugin.h"
#include "CSequencer.h"
#include "DemoMelody.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

using Block = std::array<unsigned char, CSequencer::kBlockBytes>;

constexpr int kSongPointerOffset = 8;
constexpr int kSlotsOffset = 12;
constexpr int kCapacityOffset = kSlotsOffset + 201 * 12;
constexpr int kPositionOffset = kCapacityOffset + 4;
constexpr int kCountOffset = kPositionOffset + 4;

SequencerEvent note(std::uint8_t status, int key)
{
    return SequencerEvent{0.0f, status, static_cast<std::uint8_t>(key), 127, 0, 0};
}

void advanceRecordClock(CSequencer& sequencer, int ticks)
{
    for (int i = 0; i < ticks; ++i)
        sequencer.CountStep();
}

// Records note-on, note-off pairs for the keys, each event `spacing` ticks
// after the one before.
void recordNotes(CSequencer& sequencer, const std::vector<int>& keys, int spacing)
{
    bool first = true;
    for (int key : keys) {
        for (std::uint8_t status : {sequencer::kNoteOn, sequencer::kNoteOff}) {
            if (!first)
                advanceRecordClock(sequencer, spacing);
            first = false;
            ASSERT_EQ(1, sequencer.Record(note(status, key)));
        }
    }
}

std::vector<float> times(const CSequencer& sequencer)
{
    std::vector<float> result;
    for (int i = 0; i < sequencer.eventCount(); ++i)
        result.push_back(sequencer.memory().at(i).time);
    return result;
}

Block saved(const CSequencer& sequencer)
{
    Block block{};
    sequencer.SaveBlock(block.data());
    return block;
}

void putInt(Block& block, int offset, std::int32_t value)
{
    for (int i = 0; i < 4; ++i)
        block[offset + i] = static_cast<unsigned char>(static_cast<std::uint32_t>(value) >> (8 * i));
}

std::int32_t getInt(const Block& block, int offset)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(block[offset + i]) << (8 * i);
    return static_cast<std::int32_t>(value);
}

// --- Recording and editing the memory ------------------------------------

TEST(SequencerRecord, FreshInstanceIsArmedAndEmpty)
{
    CSequencer sequencer;
    EXPECT_EQ(1, sequencer.recordArmed());
    EXPECT_EQ(0, sequencer.recordTaken());
    EXPECT_EQ(0, sequencer.eventCount());
    EXPECT_EQ(200, sequencer.capacity());
    EXPECT_EQ(0, sequencer.playing());
    EXPECT_EQ(1, sequencer.paused());
}

TEST(SequencerRecord, TheTwoHundredAndFirstEventIsNotStored)
{
    CSequencer sequencer;
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(1, sequencer.Record(note(i % 2 ? sequencer::kNoteOff : sequencer::kNoteOn, 60)));
    EXPECT_EQ(0, sequencer.Record(note(sequencer::kNoteOn, 62)));
    EXPECT_EQ(200, sequencer.eventCount());
    EXPECT_EQ(200, sequencer.songPointer());
    EXPECT_EQ(60, sequencer.memory().at(199).data1);
    EXPECT_LT(sequencer.memory().slots()[200].time, 0.0f);
}

TEST(SequencerRecord, EventsAreStampedWithTheRecordClock)
{
    CSequencer sequencer;
    advanceRecordClock(sequencer, 30); // ignored: the first event restarts the clock
    ASSERT_EQ(1, sequencer.Record(note(sequencer::kNoteOn, 64)));
    EXPECT_EQ(1, sequencer.recordClockRunning());
    EXPECT_EQ(1, sequencer.recordTaken());
    advanceRecordClock(sequencer, 12);
    ASSERT_EQ(1, sequencer.Record(note(sequencer::kNoteOff, 64)));
    EXPECT_EQ((std::vector<float>{0.0f, 12.0f}), times(sequencer));
    EXPECT_EQ(sequencer::kRecordedFlag, sequencer.memory().at(1).flags & 1);
    EXPECT_EQ(-1, sequencer.playClock()); // the end marker follows the new event
}

TEST(SequencerRecord, RewindGivesNotesTheMinimumLength)
{
    // A note-on and its note-off in the same tick: the off moves 75 ticks on.
    CSequencer lone;
    recordNotes(lone, {60}, 0);
    lone.Rewind();
    EXPECT_EQ((std::vector<float>{0.0f, 75.0f}), times(lone));

    // ...or only up to the next event when that is nearer.
    CSequencer close;
    ASSERT_EQ(1, close.Record(note(sequencer::kNoteOn, 60)));
    ASSERT_EQ(1, close.Record(note(sequencer::kNoteOff, 60)));
    advanceRecordClock(close, 20);
    ASSERT_EQ(1, close.Record(note(sequencer::kNoteOn, 62)));
    advanceRecordClock(close, 200);
    ASSERT_EQ(1, close.Record(note(sequencer::kNoteOff, 62)));
    close.Rewind();
    EXPECT_EQ((std::vector<float>{0.0f, 20.0f, 20.0f, 220.0f}), times(close));
}

TEST(SequencerRecord, NoteInsideTheMelodyTakesTheDisplacedTimeAndDelaysTheRest)
{
    CSequencer sequencer;
    recordNotes(sequencer, {60, 62}, 100); // 0, 100, 200, 300
    sequencer.Rewind();
    ASSERT_EQ(1, sequencer.Step(0));
    ASSERT_EQ(1, sequencer.Step(0));
    ASSERT_EQ(2, sequencer.songPointer());

    ASSERT_EQ(1, sequencer.Record(note(sequencer::kNoteOn, 67)));
    EXPECT_EQ(5, sequencer.eventCount());
    EXPECT_EQ(3, sequencer.songPointer());
    EXPECT_EQ(67, sequencer.memory().at(2).data1);
    EXPECT_EQ((std::vector<float>{0.0f, 100.0f, 200.0f, 250.0f, 350.0f}), times(sequencer));
    EXPECT_EQ(62, sequencer.memory().at(3).data1);
    EXPECT_EQ(250, sequencer.playClock());
    EXPECT_LT(sequencer.memory().slots()[5].time, 0.0f);
}

TEST(SequencerRecord, StepBackTwoAtTheEndLeavesTwoEvents)
{
    CSequencer sequencer;
    recordNotes(sequencer, {60, 62}, 100);
    ASSERT_EQ(4, sequencer.songPointer());
    ASSERT_EQ(1, sequencer.StepBack(2));
    EXPECT_EQ(2, sequencer.eventCount());
    EXPECT_EQ(2, sequencer.songPointer());
    EXPECT_EQ(0, sequencer.recordClockRunning());
    EXPECT_EQ((std::vector<float>{0.0f, 100.0f}), times(sequencer));
    EXPECT_LT(sequencer.memory().slots()[2].time, 0.0f);
}

TEST(SequencerRecord, StepBackInsideTheMelodyPullsTheRestForward)
{
    CSequencer sequencer;
    recordNotes(sequencer, {60, 62, 64}, 100); // 0 .. 500
    sequencer.Rewind();
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(1, sequencer.Step(0));
    ASSERT_EQ(1, sequencer.StepBack(2)); // removes the second note (200, 300)
    EXPECT_EQ(2, sequencer.songPointer());
    EXPECT_EQ((std::vector<float>{0.0f, 100.0f, 200.0f, 300.0f}), times(sequencer));
    EXPECT_EQ(64, sequencer.memory().at(2).data1);
    EXPECT_EQ(300, sequencer.recordClock()); // the event after the next one
}

TEST(SequencerRecord, DeletingFromOneEventMemoryKeepsTheEvent)
{
    CSequencer sequencer;
    ASSERT_EQ(1, sequencer.Record(note(sequencer::kNoteOn, 60)));
    EXPECT_EQ(1, sequencer.StepBack(2));
    EXPECT_EQ(1, sequencer.eventCount());
    EXPECT_EQ(0, sequencer.songPointer());
    EXPECT_EQ(60, sequencer.memory().at(0).data1);

    CSequencer empty;
    EXPECT_EQ(0, empty.StepBack(2));
    EXPECT_EQ(0, empty.eventCount());
}

// --- Searching --------------------------------------------------------------

TEST(SequencerGotoEvent, WrapFindsTheFirstNoteOnAndKeepsPlaying)
{
    CSequencer sequencer;
    recordNotes(sequencer, {60, 62}, 100);
    sequencer.Rewind();
    sequencer.Play();
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(1, sequencer.Step(0));
    sequencer.Pause(1); // skips the sounding note's note-off: the pointer is at the end
    ASSERT_EQ(4, sequencer.songPointer());

    EXPECT_EQ(1, sequencer.GotoEvent(sequencer::kNoteOn, 1));
    EXPECT_EQ(0, sequencer.songPointer());
    EXPECT_EQ(0, sequencer.playClock());
    EXPECT_EQ(1, sequencer.playing());
    EXPECT_EQ(1, sequencer.paused());

    ASSERT_EQ(1, sequencer.Step(0));
    EXPECT_EQ(1, sequencer.GotoEvent(sequencer::kNoteOn, 1));
    EXPECT_EQ(2, sequencer.songPointer());
    EXPECT_EQ(200, sequencer.playClock());
}

TEST(SequencerGotoEvent, WithoutTheStatusTheSearchEnds)
{
    CSequencer offs;
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(1, offs.Record(note(sequencer::kNoteOff, 60)));
    offs.Rewind();
    ASSERT_EQ(1, offs.Step(0));
    EXPECT_EQ(0, offs.GotoEvent(sequencer::kNoteOn, 1));
    EXPECT_EQ(3, offs.songPointer());

    CSequencer empty;
    EXPECT_EQ(0, empty.GotoEvent(sequencer::kNoteOn, 1));
    EXPECT_EQ(0, empty.GotoEvent(sequencer::kNoteOff, 0));

    // Without wrap the search stops at the end marker.
    CSequencer notes;
    recordNotes(notes, {60}, 100);
    notes.Rewind();
    ASSERT_EQ(1, notes.Step(0));
    EXPECT_EQ(0, notes.GotoEvent(sequencer::kNoteOn, 0));
    EXPECT_EQ(2, notes.songPointer());
}

// --- The chunk block -----------------------------------------------------

TEST(SequencerBlock, SaveWritesTheLittleEndianLayoutAndLoadRestoresIt)
{
    CSequencer source;
    recordNotes(source, {60, 72}, 40);
    source.Rewind();
    ASSERT_EQ(1, source.Step(0));
    source.Play();
    const Block block = saved(source);

    EXPECT_EQ(1, getInt(block, 0));
    EXPECT_EQ(0, getInt(block, 4));
    EXPECT_EQ(1, getInt(block, kSongPointerOffset));
    EXPECT_EQ(200, getInt(block, kCapacityOffset));
    EXPECT_EQ(1, getInt(block, kPositionOffset));
    EXPECT_EQ(4, getInt(block, kCountOffset));
    const int secondEvent = kSlotsOffset + 12;
    float time;
    const std::int32_t timeBits = getInt(block, secondEvent);
    std::memcpy(&time, &timeBits, sizeof time);
    EXPECT_EQ(75.0f, time); // the rewind stretched the 40-tick note
    EXPECT_EQ(0x80, block[secondEvent + 4]);
    EXPECT_EQ(60, block[secondEvent + 5]);
    EXPECT_EQ(127, block[secondEvent + 6]);
    EXPECT_EQ(1, getInt(block, secondEvent + 8));

    CSequencer copy;
    ASSERT_TRUE(copy.LoadBlock(block.data()));
    EXPECT_EQ(block, saved(copy));
    EXPECT_EQ(0, copy.recordArmed());
    EXPECT_EQ(0, copy.recordTaken());
    EXPECT_EQ(times(source), times(copy));
}

TEST(SequencerBlock, LoadingAnEmptyMemoryArmsTheRecording)
{
    CSequencer sequencer;
    recordNotes(sequencer, {60}, 10);
    sequencer.setRecordArmed(0);
    ASSERT_TRUE(sequencer.LoadBlock(saved(CSequencer()).data()));
    EXPECT_EQ(0, sequencer.eventCount());
    EXPECT_EQ(1, sequencer.recordArmed());
    EXPECT_EQ(0, sequencer.recordTaken());
    EXPECT_LT(sequencer.memory().slots()[0].time, 0.0f);
}

TEST(SequencerBlock, BlockSavedDuringTheDemonstrationLoads)
{
    CSequencer source;
    recordNotes(source, {60}, 10);
    source.SelectMelody(CSequencer::Melody::Demo);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(1, source.Step(0));
    const Block block = saved(source);
    ASSERT_EQ(300, getInt(block, kSongPointerOffset));

    CSequencer copy;
    ASSERT_TRUE(copy.LoadBlock(block.data()));
    EXPECT_EQ(2, copy.songPointer());
    EXPECT_EQ(2, copy.eventCount());
    EXPECT_EQ(0, copy.Step(0)); // at the end of the recorded memory
}

TEST(SequencerBlock, HostileBlocksAreRefusedOrBroughtIntoRange)
{
    CSequencer reference;
    recordNotes(reference, {60, 62}, 100);
    const Block good = saved(reference);

    for (std::int32_t count : {201, -1, std::numeric_limits<std::int32_t>::max(),
                               std::numeric_limits<std::int32_t>::min()}) {
        Block bad = good;
        putInt(bad, kCountOffset, count);
        CSequencer target;
        recordNotes(target, {64}, 10);
        EXPECT_FALSE(target.LoadBlock(bad.data())) << count;
        EXPECT_EQ(2, target.eventCount());
        EXPECT_EQ(64, target.memory().at(0).data1);
    }

    Block notANumber = good;
    putInt(notANumber, kSlotsOffset + 2 * 12, 0x7fc00000);
    EXPECT_FALSE(CSequencer().LoadBlock(notANumber.data()));

    Block wild = good;
    putInt(wild, 0, -7);
    putInt(wild, kSongPointerOffset, -5);
    putInt(wild, kPositionOffset, 1000000);
    putInt(wild, kCapacityOffset, 3);
    putInt(wild, kCountOffset, 3);
    CSequencer target;
    ASSERT_TRUE(target.LoadBlock(wild.data()));
    EXPECT_EQ(1, target.playing());
    EXPECT_EQ(0, target.songPointer());
    EXPECT_EQ(3, target.eventCount());
    EXPECT_EQ(200, target.capacity());
    EXPECT_LT(target.memory().slots()[3].time, 0.0f); // the fourth event became the end
    EXPECT_EQ(3, target.memory().position());

    putInt(wild, kSongPointerOffset, std::numeric_limits<std::int32_t>::max());
    ASSERT_TRUE(target.LoadBlock(wild.data()));
    EXPECT_EQ(3, target.songPointer());
    EXPECT_EQ(1, target.Record(note(sequencer::kNoteOn, 70)));
    EXPECT_EQ(4, target.eventCount());
    EXPECT_EQ(1, target.StepBack(2));
    EXPECT_EQ(2, target.eventCount());
}

// --- The demonstration melody ---------------------------------------------

TEST(DemoMelody, FollowsTheOutline)
{
    ASSERT_EQ(466, kDemoMelodyLength);
    EXPECT_LT(kDemoMelody[466].time, 0.0f);

    int notes = 0;
    int lengthCounts[97] = {};
    std::vector<int> programs;
    std::vector<float> rhythmChanges;
    int sounding = -1;
    float noteStart = 0.0f;
    for (int i = 0; i < kDemoMelodyLength; ++i) {
        const SequencerEvent& event = kDemoMelody[i];
        ASSERT_GE(event.time, 0.0f) << i;
        if (i > 0) {
            ASSERT_GE(event.time, kDemoMelody[i - 1].time) << i;
        }
        ASSERT_EQ(0, event.flags) << i;
        ASSERT_EQ(0, event.zero) << i;
        switch (event.status) {
        case sequencer::kNoteOn:
            ASSERT_EQ(-1, sounding) << "overlapping notes at " << i;
            ASSERT_GE(event.data1, 60) << i;
            ASSERT_LE(event.data1, 72) << i;
            ASSERT_EQ(127, event.data2) << i;
            sounding = event.data1;
            noteStart = event.time;
            ++notes;
            break;
        case sequencer::kNoteOff: {
            ASSERT_EQ(sounding, event.data1) << i;
            ASSERT_EQ(127, event.data2) << i;
            const int length = static_cast<int>(event.time - noteStart);
            ASSERT_TRUE(length == 16 || length == 32 || length == 48 || length == 96) << i;
            ++lengthCounts[length];
            sounding = -1;
            break;
        }
        case sequencer::kProgramChange:
            ASSERT_LE(event.data1, 4) << i;
            programs.push_back(event.data1);
            break;
        case sequencer::kController:
            if (event.data1 == 80) {
                rhythmChanges.push_back(event.time);
                ASSERT_EQ(81, kDemoMelody[i + 1].data1);
                ASSERT_EQ(event.time, kDemoMelody[i + 1].time);
            } else {
                ASSERT_TRUE(event.data1 == 81 || event.data1 == 82 || event.data1 == 123) << i;
            }
            break;
        default:
            FAIL() << "unexpected status at " << i;
        }
    }
    EXPECT_EQ(216, notes);
    EXPECT_EQ(-1, sounding);
    EXPECT_GT(lengthCounts[32], notes / 2);
    EXPECT_EQ((std::vector<float>{0.0f, 1792.0f, 3584.0f, 5376.0f}), rhythmChanges);
    for (int program = 0; program <= 4; ++program)
        EXPECT_NE(std::find(programs.begin(), programs.end(), program), programs.end()) << program;

    const SequencerEvent* e = kDemoMelody;
    EXPECT_TRUE(e[0].status == 0xB0 && e[0].data1 == 80 && e[0].data2 == 3 && e[0].time == 0.0f);
    EXPECT_TRUE(e[1].status == 0xB0 && e[1].data1 == 81 && e[1].data2 == 1 && e[1].time == 0.0f);
    EXPECT_TRUE(e[2].status == 0xC0 && e[2].data1 == 0 && e[2].time == 0.0f);
    EXPECT_TRUE(e[464].status == 0xB0 && e[464].data1 == 82 && e[464].time == 7152.0f);
    EXPECT_TRUE(e[465].status == 0xB0 && e[465].data1 == 123 && e[465].time == 7168.0f);
}

// --- Playback through the plug-in's event queue ---------------------------

VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == 1 ? 1 : 0;
}

class EventRecorder : public CEventListener {
public:
    int OnEvent(const VstMidiEvent& event) override
    {
        events.push_back(event);
        return 1;
    }
    std::vector<VstMidiEvent> events;
};

class SequencerPlayback : public ::testing::Test {
protected:
    SequencerPlayback()
        : plugin(new CQuiboPlugin(hostCallback))
    {
        plugin->eventManager().setListener(0, &recorder);
        plugin->eventManager().setListener(1, &recorder);
    }
    ~SequencerPlayback() override
    {
        plugin->eventManager().setListener(0, &plugin->voice());
        plugin->eventManager().setListener(1, &plugin->rhythmBox());
    }

    CSequencer& sequencer() { return plugin->sequencer(); }
    int runningSwitch() { return plugin->tempoClock().sequencerRunning; }
    std::vector<VstMidiEvent>& delivered()
    {
        plugin->eventManager().FlushAll();
        return recorder.events;
    }
    static bool is(const VstMidiEvent& event, int status, int data1)
    {
        return static_cast<unsigned char>(event.midiData[0]) == status &&
               static_cast<unsigned char>(event.midiData[1]) == data1;
    }

    std::unique_ptr<CQuiboPlugin> plugin;
    EventRecorder recorder;
};

TEST_F(SequencerPlayback, TicksPlayTheMelodyAndReportItsEnd)
{
    recordNotes(sequencer(), {60, 64}, 100); // 0, 100, 200, 300
    EXPECT_EQ(1, plugin->tempoClock().countSteps);
    sequencer().Rewind();
    sequencer().Play();
    EXPECT_EQ(1, runningSwitch());

    int ticks = 0;
    while (sequencer().Tick() == 1 && ticks < 1000)
        ++ticks;
    EXPECT_EQ(299, ticks); // the end is found on the tick that plays the last event
    ASSERT_EQ(4u, delivered().size());
    EXPECT_TRUE(is(recorder.events[0], 0x90, 60));
    EXPECT_TRUE(is(recorder.events[3], 0x80, 64));
    EXPECT_EQ(24, recorder.events[0].byteSize);
    EXPECT_EQ(kVstMidiType, recorder.events[0].type);
    EXPECT_EQ(0, sequencer().playing());

    sequencer().Stop();
    EXPECT_EQ(0, runningSwitch());
    EXPECT_EQ(0, sequencer().songPointer());
}

TEST_F(SequencerPlayback, PauseHoldsTheClockAndEndsTheSoundingNote)
{
    recordNotes(sequencer(), {60, 64}, 100);
    sequencer().Rewind();
    sequencer().Play();
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(1, sequencer().Tick());
    ASSERT_EQ(1u, delivered().size());

    sequencer().Pause(1);
    ASSERT_EQ(3u, delivered().size());
    EXPECT_TRUE(is(recorder.events[1], 0x80, 60));
    EXPECT_TRUE(is(recorder.events[2], 0xB0, 0x7B));
    EXPECT_EQ(2, sequencer().songPointer());
    EXPECT_EQ(100, sequencer().playClock());

    for (int i = 0; i < 150; ++i)
        ASSERT_EQ(1, sequencer().Tick());
    EXPECT_EQ(100, sequencer().playClock());
    EXPECT_EQ(3u, delivered().size());

    sequencer().Pause(0);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(1, sequencer().Tick());
    ASSERT_EQ(4u, delivered().size());
    EXPECT_TRUE(is(recorder.events[3], 0x90, 64));
}

TEST_F(SequencerPlayback, OneKeyPlayInRecRetimesTheRest)
{
    recordNotes(sequencer(), {60, 64}, 100);
    sequencer().Reset();
    sequencer().Play();
    ASSERT_EQ(1, sequencer().paused());

    ASSERT_EQ(1, sequencer().Step(1));
    EXPECT_EQ(1, plugin->tempoClock().countSteps);
    advanceRecordClock(sequencer(), 40);
    ASSERT_EQ(1, sequencer().Step(1));
    EXPECT_EQ((std::vector<float>{0.0f, 40.0f, 140.0f, 240.0f}), times(sequencer()));
    ASSERT_EQ(1, sequencer().Step(1));
    ASSERT_EQ(1, sequencer().Step(1));
    EXPECT_EQ(0, sequencer().Step(1));
    EXPECT_EQ(0, sequencer().playing());
    EXPECT_EQ(4u, delivered().size());

    ASSERT_EQ(1, sequencer().StepBack(2));
    EXPECT_EQ(0, plugin->tempoClock().countSteps);
}

TEST_F(SequencerPlayback, DemonstrationMelodyPlaysEveryEventInTime)
{
    sequencer().SelectMelody(CSequencer::Melody::Demo);
    sequencer().Play();
    int ticks = 1;
    std::vector<int> sentAt;
    while (sequencer().Tick() == 1 && ticks < 10000) {
        const size_t before = recorder.events.size();
        for (size_t i = before; i < delivered().size(); ++i)
            sentAt.push_back(ticks);
        ++ticks;
    }
    EXPECT_EQ(7168, ticks);
    EXPECT_EQ(static_cast<size_t>(kDemoMelodyLength - 1), sentAt.size()); // the last comes with the end
    ASSERT_EQ(static_cast<size_t>(kDemoMelodyLength), delivered().size());
    for (int i = 0; i < kDemoMelodyLength; ++i) {
        const VstMidiEvent& event = recorder.events[static_cast<size_t>(i)];
        ASSERT_TRUE(is(event, kDemoMelody[i].status, kDemoMelody[i].data1)) << i;
        ASSERT_EQ(kDemoMelody[i].data2, static_cast<unsigned char>(event.midiData[2])) << i;
        const int dueTick = std::max(1, static_cast<int>(kDemoMelody[i].time));
        if (i < static_cast<int>(sentAt.size())) {
            ASSERT_EQ(dueTick, sentAt[static_cast<size_t>(i)]) << i;
        }
    }
}

} // namespace
