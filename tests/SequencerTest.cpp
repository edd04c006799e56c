#include "CEventListener.h"
#include "CSequencer.h"
#include "DemoMelody.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

using Block = std::array<unsigned char, CSequencer::kBlockBytes>;
constexpr int kSlotsOffset = 12;
constexpr int kCapacityOffset = kSlotsOffset + 201 * 12;
constexpr int kPositionOffset = kCapacityOffset + 4;
constexpr int kCountOffset = kPositionOffset + 4;
constexpr std::uint8_t kOn = sequencer::kNoteOn;
constexpr std::uint8_t kOff = sequencer::kNoteOff;

SequencerEvent note(std::uint8_t status, int key)
{
    return SequencerEvent{0.0f, status, static_cast<std::uint8_t>(key), 127, 0, 0};
}

void advanceRecordClock(CSequencer& sequencer, int ticks)
{
    for (int i = 0; i < ticks; ++i)
        sequencer.CountStep();
}

// Records a note-on and a note-off per key, `spacing` ticks apart.
void recordNotes(CSequencer& sequencer, const std::vector<int>& keys, int spacing)
{
    for (size_t i = 0; i < 2 * keys.size(); ++i) {
        if (i > 0)
            advanceRecordClock(sequencer, spacing);
        ASSERT_EQ(1, sequencer.Record(note(i % 2 ? kOff : kOn, keys[i / 2])));
    }
}

void stepTo(CSequencer& sequencer, int songPointer)
{
    sequencer.Rewind();
    while (sequencer.songPointer() < songPointer)
        ASSERT_EQ(1, sequencer.Step(0));
}

std::vector<float> times(const CSequencer& sequencer)
{
    std::vector<float> result;
    for (int i = 0; i < sequencer.eventCount(); ++i)
        result.push_back(sequencer.memory().at(i).time);
    return result;
}

bool endsAt(const CSequencer& sequencer, int slot)
{
    return sequencer.memory().slots()[slot].time < 0.0f;
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

TEST(SequencerRecord, TheTwoHundredAndFirstEventIsNotStored)
{
    CSequencer sequencer;
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(1, sequencer.Record(note(i % 2 ? kOff : kOn, 60)));
    EXPECT_EQ(0, sequencer.Record(note(kOn, 62)));
    EXPECT_EQ(200, sequencer.eventCount());
    EXPECT_EQ(200, sequencer.songPointer());
    EXPECT_EQ(60, sequencer.memory().at(199).data1);
    EXPECT_TRUE(endsAt(sequencer, 200));
}

TEST(SequencerRecord, EventsTakeTheRecordClockAndRewindLengthensShortNotes)
{
    CSequencer sequencer;
    advanceRecordClock(sequencer, 30); // the first event restarts the clock
    recordNotes(sequencer, {64}, 0);
    EXPECT_EQ(1, sequencer.recordClockRunning());
    EXPECT_EQ(1, sequencer.recordTaken());
    EXPECT_EQ(1, sequencer.memory().at(1).flags);
    advanceRecordClock(sequencer, 12);
    recordNotes(sequencer, {65}, 0);
    advanceRecordClock(sequencer, 200);
    recordNotes(sequencer, {67}, 0);
    EXPECT_EQ((std::vector<float>{0, 0, 12, 12, 212, 212}), times(sequencer));

    // A note-off in its note-on's tick moves 75 ticks on, or up to the next
    // event when that is nearer.
    sequencer.Rewind();
    EXPECT_EQ((std::vector<float>{0, 12, 12, 87, 212, 287}), times(sequencer));
}

TEST(SequencerRecord, NoteInsideTheMelodyTakesTheDisplacedTimeAndDelaysTheRest)
{
    CSequencer sequencer;
    recordNotes(sequencer, {60, 62}, 100); // 0, 100, 200, 300
    stepTo(sequencer, 2);
    ASSERT_EQ(1, sequencer.Record(note(kOn, 67)));
    EXPECT_EQ(3, sequencer.songPointer());
    EXPECT_EQ(67, sequencer.memory().at(2).data1);
    EXPECT_EQ(62, sequencer.memory().at(3).data1);
    EXPECT_EQ((std::vector<float>{0, 100, 200, 250, 350}), times(sequencer));
    EXPECT_EQ(250, sequencer.playClock());
    EXPECT_TRUE(endsAt(sequencer, 5));
}

TEST(SequencerRecord, StepBack)
{
    // At the end of a 4-event memory, two steps back leave two events.
    CSequencer atEnd;
    recordNotes(atEnd, {60, 62}, 100);
    ASSERT_EQ(1, atEnd.StepBack(2));
    EXPECT_EQ(2, atEnd.eventCount());
    EXPECT_EQ(2, atEnd.songPointer());
    EXPECT_EQ(0, atEnd.recordClockRunning());
    EXPECT_TRUE(endsAt(atEnd, 2));

    // Inside the melody the rest moves to where the removed note began.
    CSequencer inside;
    recordNotes(inside, {60, 62, 64}, 100); // 0 .. 500
    stepTo(inside, 4);
    ASSERT_EQ(1, inside.StepBack(2));
    EXPECT_EQ(2, inside.songPointer());
    EXPECT_EQ(64, inside.memory().at(2).data1);
    EXPECT_EQ((std::vector<float>{0, 100, 200, 300}), times(inside));
    EXPECT_EQ(300, inside.recordClock());

    // A single stored event is never deleted; an empty memory refuses.
    CSequencer single;
    ASSERT_EQ(1, single.Record(note(kOn, 60)));
    EXPECT_EQ(1, single.StepBack(2));
    EXPECT_EQ(1, single.eventCount());
    EXPECT_EQ(0, single.songPointer());
    EXPECT_EQ(0, CSequencer().StepBack(2));
}

// --- Searching --------------------------------------------------------------

TEST(SequencerGotoEvent, WrapFindsTheFirstNoteOnAndKeepsPlaying)
{
    CSequencer sequencer;
    recordNotes(sequencer, {60, 62}, 100);
    stepTo(sequencer, 3);
    sequencer.Play();
    sequencer.Pause(1); // skips the sounding note's note-off
    ASSERT_EQ(4, sequencer.songPointer());

    EXPECT_EQ(1, sequencer.GotoEvent(kOn, 1));
    EXPECT_EQ(0, sequencer.songPointer());
    EXPECT_EQ(1, sequencer.playing());
    EXPECT_EQ(1, sequencer.paused());

    stepTo(sequencer, 1);
    EXPECT_EQ(1, sequencer.GotoEvent(kOn, 1));
    EXPECT_EQ(2, sequencer.songPointer());
    EXPECT_EQ(200, sequencer.playClock());
    stepTo(sequencer, 3);
    EXPECT_EQ(0, sequencer.GotoEvent(kOn, 0));
    EXPECT_EQ(4, sequencer.songPointer());
}

TEST(SequencerGotoEvent, WithoutTheStatusTheSearchEndsAfterOnePass)
{
    CSequencer offs;
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(1, offs.Record(note(kOff, 60)));
    stepTo(offs, 1);
    EXPECT_EQ(0, offs.GotoEvent(kOn, 1));
    EXPECT_EQ(3, offs.songPointer());
    EXPECT_EQ(0, CSequencer().GotoEvent(kOn, 1));
}

// --- The chunk block -----------------------------------------------------

TEST(SequencerBlock, SaveWritesTheLittleEndianLayoutAndLoadRestoresIt)
{
    CSequencer source;
    recordNotes(source, {60, 72}, 40);
    stepTo(source, 1);
    source.Play();
    const Block block = saved(source);
    EXPECT_EQ((std::vector<int>{1, 0, 1}), (std::vector<int>{getInt(block, 0), getInt(block, 4), getInt(block, 8)}));
    EXPECT_EQ(200, getInt(block, kCapacityOffset));
    EXPECT_EQ(1, getInt(block, kPositionOffset));
    EXPECT_EQ(4, getInt(block, kCountOffset));
    const unsigned char secondEvent[12] = {0, 0, 0x96, 0x42, 0x80, 60, 127, 0, 1, 0, 0, 0}; // 75.0f
    EXPECT_EQ(0, std::memcmp(secondEvent, &block[kSlotsOffset + 12], 12));

    CSequencer copy;
    ASSERT_TRUE(copy.LoadBlock(block.data()));
    EXPECT_EQ(block, saved(copy));
    EXPECT_EQ(0, copy.recordArmed());
    EXPECT_EQ(0, copy.recordTaken());
}

TEST(SequencerBlock, AFreshOrLoadedEmptyMemoryIsArmed)
{
    CSequencer fresh;
    EXPECT_EQ(1, fresh.recordArmed());
    EXPECT_EQ(0, fresh.recordTaken());

    CSequencer sequencer;
    recordNotes(sequencer, {60}, 10);
    sequencer.setRecordArmed(0);
    ASSERT_TRUE(sequencer.LoadBlock(saved(fresh).data()));
    EXPECT_EQ(0, sequencer.eventCount());
    EXPECT_EQ(1, sequencer.recordArmed());
    EXPECT_EQ(0, sequencer.recordTaken());
    EXPECT_TRUE(endsAt(sequencer, 0));
}

TEST(SequencerBlock, BlockSavedDuringTheDemonstrationLoads)
{
    CSequencer source;
    recordNotes(source, {60}, 10);
    source.SelectMelody(CSequencer::Melody::Demo);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(1, source.Step(0));
    CSequencer copy;
    ASSERT_TRUE(copy.LoadBlock(saved(source).data()));
    EXPECT_EQ(2, copy.songPointer());
    EXPECT_EQ(0, copy.Step(0));
}

TEST(SequencerBlock, HostileBlocksAreRefusedOrBroughtIntoRange)
{
    CSequencer reference;
    recordNotes(reference, {60, 62}, 100);
    const Block good = saved(reference);
    for (std::int32_t count : {201, -1, std::numeric_limits<std::int32_t>::max()}) {
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
    putInt(wild, 8, -5);
    putInt(wild, kPositionOffset, 1000000);
    putInt(wild, kCapacityOffset, 3);
    putInt(wild, kCountOffset, 3);
    CSequencer target;
    ASSERT_TRUE(target.LoadBlock(wild.data()));
    EXPECT_EQ(1, target.playing());
    EXPECT_EQ(0, target.songPointer());
    EXPECT_EQ(3, target.memory().position());
    EXPECT_EQ(200, target.capacity());
    EXPECT_TRUE(endsAt(target, 3));
    putInt(wild, 8, std::numeric_limits<std::int32_t>::max());
    ASSERT_TRUE(target.LoadBlock(wild.data()));
    EXPECT_EQ(3, target.songPointer());
    EXPECT_EQ(1, target.Record(note(kOn, 70)));
    EXPECT_EQ(70, target.memory().at(3).data1);
}

// --- The demonstration melody ---------------------------------------------

TEST(DemoMelody, FollowsTheOutline)
{
    ASSERT_EQ(466, kDemoMelodyLength);
    EXPECT_LT(kDemoMelody[466].time, 0.0f);
    int lengths[97] = {};
    std::vector<int> programs;
    std::vector<float> rhythmChanges;
    int sounding = -1;
    float noteStart = 0.0f;
    for (int i = 0; i < kDemoMelodyLength; ++i) {
        const SequencerEvent& event = kDemoMelody[i];
        ASSERT_GE(event.time, i > 0 ? kDemoMelody[i - 1].time : 0.0f) << i;
        ASSERT_TRUE(event.flags == 0 && event.zero == 0) << i;
        if (event.status == kOn) {
            ASSERT_EQ(-1, sounding) << "overlapping notes at " << i;
            ASSERT_TRUE(event.data1 >= 60 && event.data1 <= 72 && event.data2 == 127) << i;
            sounding = event.data1;
            noteStart = event.time;
        } else if (event.status == kOff) {
            ASSERT_TRUE(event.data1 == sounding && event.data2 == 127) << i;
            const int length = static_cast<int>(event.time - noteStart);
            ASSERT_TRUE(length == 16 || length == 32 || length == 48 || length == 96) << i;
            ++lengths[length];
            sounding = -1;
        } else if (event.status == sequencer::kProgramChange) {
            ASSERT_LE(event.data1, 4) << i;
            programs.push_back(event.data1);
        } else {
            ASSERT_EQ(sequencer::kController, event.status) << i;
            if (event.data1 == 80)
                rhythmChanges.push_back(event.time);
        }
    }
    EXPECT_EQ(216, lengths[16] + lengths[32] + lengths[48] + lengths[96]);
    EXPECT_GT(lengths[32], 108);
    EXPECT_EQ((std::vector<float>{0, 1792, 3584, 5376}), rhythmChanges);
    for (int program = 0; program <= 4; ++program)
        EXPECT_NE(std::count(programs.begin(), programs.end(), program), 0) << program;

    struct Expected {
        int index;
        float time;
        int status, data1, data2;
    };
    for (const Expected& e : {Expected{0, 0, 0xB0, 80, 3}, Expected{1, 0, 0xB0, 81, 1}, Expected{2, 0, 0xC0, 0, 0},
                              Expected{464, 7152, 0xB0, 82, 0}, Expected{465, 7168, 0xB0, 123, 0}}) {
        const SequencerEvent& event = kDemoMelody[e.index];
        EXPECT_TRUE(event.time == e.time && event.status == e.status && event.data1 == e.data1 &&
                    event.data2 == e.data2)
            << e.index;
    }
    for (float tick : {1792.0f, 3584.0f, 5376.0f}) {
        const auto at = std::find_if(kDemoMelody, kDemoMelody + kDemoMelodyLength, [tick](const SequencerEvent& event) {
            return event.time == tick && event.data1 == 80;
        });
        EXPECT_TRUE(at[1].status == 0xB0 && at[1].data1 == 81 && at[1].time == tick) << tick;
    }
}

// --- Playback through the plug-in's event queue ---------------------------

VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == 1 ? 1 : 0;
}

class EventRecorder : public CEventListener {
public:
    int OnEvent(const MidiMessage& event) override
    {
        events.push_back(event);
        return 1;
    }
    std::vector<MidiMessage> events;
};

// A real plug-in whose queued events reach a recorder instead of the engine.
class SequencerPlayback : public ::testing::Test {
protected:
    SequencerPlayback()
        : made(testhost::makePlugin(hostCallback)),
          quibo(made.quibo),
          plugin(made.plugin)
    {
        quibo->eventManager().setListener(0, &recorder);
        quibo->eventManager().setListener(1, &recorder);
    }
    ~SequencerPlayback() override
    {
        quibo->eventManager().setListener(0, &quibo->voice());
        quibo->eventManager().setListener(1, &quibo->rhythmBox());
    }
    CSequencer& sequencer() { return quibo->sequencer(); }
    size_t delivered()
    {
        quibo->eventManager().FlushAll();
        return recorder.events.size();
    }
    bool sent(size_t index, int status, int data1) const
    {
        const MidiMessage& event = recorder.events.at(index);
        return event.status == status && event.data1 == data1;
    }

    testhost::PluginOnQuibo made;
    CQuibo* quibo;
    std::unique_ptr<CQuiboPlugin>& plugin;
    EventRecorder recorder;
};

TEST_F(SequencerPlayback, TicksPlayTheMelodyAndReportItsEnd)
{
    recordNotes(sequencer(), {60, 64}, 100); // 0, 100, 200, 300
    EXPECT_EQ(1, quibo->tempoClock().countSteps);
    sequencer().Rewind();
    sequencer().Play();
    EXPECT_EQ(1, quibo->tempoClock().sequencerRunning);
    int ticks = 1;
    while (sequencer().Tick() == 1 && ticks < 1000)
        ++ticks;
    EXPECT_EQ(300, ticks); // the end is found on the tick that plays the last event
    ASSERT_EQ(4u, delivered());
    EXPECT_TRUE(sent(0, 0x90, 60));
    EXPECT_TRUE(sent(3, 0x80, 64));
    EXPECT_EQ(0, sequencer().playing());
    sequencer().Stop();
    EXPECT_EQ(0, quibo->tempoClock().sequencerRunning);
    EXPECT_EQ(0, sequencer().songPointer());
}

TEST_F(SequencerPlayback, PauseHoldsTheClockAndEndsTheSoundingNote)
{
    recordNotes(sequencer(), {60, 64}, 100);
    sequencer().Rewind();
    sequencer().Play();
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(1, sequencer().Tick());
    ASSERT_EQ(1u, delivered());
    sequencer().Pause(1);
    ASSERT_EQ(3u, delivered());
    EXPECT_TRUE(sent(1, 0x80, 60));
    EXPECT_TRUE(sent(2, 0xB0, 0x7B));
    EXPECT_EQ(2, sequencer().songPointer());
    for (int i = 0; i < 150; ++i)
        ASSERT_EQ(1, sequencer().Tick());
    EXPECT_EQ(100, sequencer().playClock());
    sequencer().Pause(0);
    for (int i = 0; i < 99; ++i)
        ASSERT_EQ(1, sequencer().Tick());
    EXPECT_EQ(3u, delivered());
    ASSERT_EQ(1, sequencer().Tick());
    ASSERT_EQ(4u, delivered());
    EXPECT_TRUE(sent(3, 0x90, 64));
}

TEST_F(SequencerPlayback, OneKeyPlayWithRetimingMovesTheRest)
{
    recordNotes(sequencer(), {60, 64}, 100);
    sequencer().Reset();
    sequencer().Play();
    ASSERT_EQ(1, sequencer().Step(1));
    EXPECT_EQ(1, quibo->tempoClock().countSteps);
    advanceRecordClock(sequencer(), 40);
    ASSERT_EQ(1, sequencer().Step(1));
    EXPECT_EQ((std::vector<float>{0, 40, 140, 240}), times(sequencer()));
    ASSERT_EQ(1, sequencer().Step(1));
    ASSERT_EQ(1, sequencer().Step(1));
    EXPECT_EQ(0, sequencer().Step(1));
    EXPECT_EQ(0, sequencer().playing());
    EXPECT_EQ(4u, delivered());
    ASSERT_EQ(1, sequencer().StepBack(2));
    EXPECT_EQ(0, quibo->tempoClock().countSteps);
}

TEST_F(SequencerPlayback, DemonstrationMelodyPlaysEveryEventOnItsTick)
{
    sequencer().SelectMelody(CSequencer::Melody::Demo);
    sequencer().Play();
    std::vector<int> sentAt;
    int tick = 1;
    for (; tick < 10000; ++tick) {
        const int result = sequencer().Tick();
        sentAt.resize(delivered(), tick);
        if (result == 0)
            break;
    }
    EXPECT_EQ(7168, tick);
    ASSERT_EQ(static_cast<size_t>(kDemoMelodyLength), sentAt.size());
    for (int i = 0; i < kDemoMelodyLength; ++i) {
        const size_t at = static_cast<size_t>(i);
        ASSERT_TRUE(sent(at, kDemoMelody[i].status, kDemoMelody[i].data1)) << i;
        ASSERT_EQ(kDemoMelody[i].data2, recorder.events[at].data2) << i;
        ASSERT_EQ(std::max(1, static_cast<int>(kDemoMelody[i].time)), sentAt[at]) << i;
    }
}

} // namespace
