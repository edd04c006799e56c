// The time-ordered event queue: ordering, the marker time base, delivery
// across block boundaries and what the host may send.
#include "CEventListener.h"
#include "CEventManager.h"
#include "DebugTrace.h"
#include "MidiEventRecord.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Delivery {
    int sample;
    int status, data1, data2;
};

// Records what it is handed, stamped with the sample the loop is at.
class RecordingListener : public CEventListener {
public:
    int OnEvent(const MidiMessage& event) override
    {
        deliveries.push_back({currentSample, event.status, event.data1, event.data2});
        return 1;
    }
    int currentSample = 0;
    std::vector<Delivery> deliveries;
};

VstMidiEvent midi(int delta, int status, int data1, int data2, int flags = 0)
{
    return makeMidiEvent(delta, status, data1, data2, flags);
}

// Runs blocks the way the plug-in's block loop does: dispatch at every sample,
// then rebase the queue after the block.
void runBlocks(CEventManager& queue, RecordingListener& listener, int blocks, int frames, int& absolute)
{
    for (int b = 0; b < blocks; ++b) {
        for (int i = 0; i < frames; ++i) {
            listener.currentSample = absolute + i;
            queue.DispatchDue(i);
        }
        queue.EndBlock(frames);
        absolute += frames;
    }
}

class EventManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        queue.setListener(0, &voice);
        queue.setListener(1, &drums);
    }
    CEventManager queue;
    RecordingListener voice, drums;
};

TEST_F(EventManagerTest, EventIsHandedOverAtItsSample)
{
    queue.AddEvent(midi(37, 0x90, 69, 100));
    queue.DispatchDue(36);
    EXPECT_TRUE(voice.deliveries.empty());
    voice.currentSample = 37;
    queue.DispatchDue(37);
    ASSERT_EQ(1u, voice.deliveries.size());
    EXPECT_EQ(37, voice.deliveries[0].sample);
    EXPECT_EQ(0, queue.count());
}

TEST_F(EventManagerTest, EqualTimesKeepArrivalOrder)
{
    queue.AddEvent(midi(10, 0x90, 1, 1));
    queue.AddEvent(midi(5, 0x90, 2, 1));
    queue.AddEvent(midi(5, 0x90, 3, 1));
    queue.DispatchDue(63);
    ASSERT_EQ(3u, voice.deliveries.size());
    EXPECT_EQ(2, voice.deliveries[0].data1);
    EXPECT_EQ(3, voice.deliveries[1].data1);
    EXPECT_EQ(1, voice.deliveries[2].data1);
}

std::vector<std::string> traces;
void captureTrace(const char* line)
{
    traces.emplace_back(line);
}

TEST_F(EventManagerTest, InsertingInFrontIsTraced)
{
    traces.clear();
    setDebugTraceSink(captureTrace);
    queue.AddEvent(midi(100, 0x90, 1, 1));
    queue.AddEvent(midi(40, 0x90, 2, 1));
    setDebugTraceSink(nullptr);
    ASSERT_EQ(3u, traces.size());
    EXPECT_EQ("In: 100 - 0x90 0x01 0x01 0x00000000\n", traces[0]);
    EXPECT_EQ("<CEventManager::AddEventSorted> Inserting event\n", traces[1]);
    EXPECT_EQ("In: 40 - 0x90 0x02 0x01 0x00000000\n", traces[2]);
    queue.DispatchDue(100);
    EXPECT_EQ(2, voice.deliveries[0].data1);
}

TEST_F(EventManagerTest, PendingMarkerShiftsLaterEvents)
{
    queue.AddEvent(midi(44100, 0x80, 99, 127, 1));
    EXPECT_EQ(44100, queue.deltaFramesOffset());
    queue.receiveMidi(5, MidiMessage{0x90, 60, 100}, kModePlay);
    queue.takeInbox();
    queue.DispatchDue(44104);
    ASSERT_EQ(1u, voice.deliveries.size()); // only the marker
    queue.DispatchDue(44105);
    ASSERT_EQ(2u, voice.deliveries.size());
    EXPECT_EQ(0, queue.deltaFramesOffset());
}

TEST_F(EventManagerTest, BeepEndsExactlyItsLengthAfterItStartsAcrossBlocks)
{
    const int length = 44100;
    queue.AddEvent(midi(0, 0xB0, 86, 1));
    queue.AddEvent(midi(0, 0x90, 99, 127));
    queue.AddEvent(midi(length, 0x80, 99, 127, 1));
    queue.AddEvent(midi(0, 0xB0, 86, 0));
    queue.AddEvent(midi(0, 0x90, 64, 100)); // a key played during the beep
    int absolute = 0;
    runBlocks(queue, voice, 3, 64, absolute);
    queue.AddEvent(midi(0, 0x80, 64, 0)); // its release, still behind the beep
    runBlocks(queue, voice, 1000, 64, absolute);
    ASSERT_EQ(6u, voice.deliveries.size());
    EXPECT_EQ(0, voice.deliveries[1].sample);
    EXPECT_EQ(0x80, voice.deliveries[2].status);
    EXPECT_EQ(length, voice.deliveries[2].sample);
    EXPECT_EQ(86, voice.deliveries[3].data1);
    EXPECT_EQ(length, voice.deliveries[3].sample);
    EXPECT_EQ(64, voice.deliveries[4].data1);
    EXPECT_EQ(length, voice.deliveries[4].sample);
    EXPECT_EQ(0x80, voice.deliveries[5].status);
    EXPECT_EQ(length, voice.deliveries[5].sample);
    // After the marker the time base is back to the current block.
    queue.AddEvent(midi(10, 0x90, 65, 1));
    const int before = absolute;
    runBlocks(queue, voice, 1, 64, absolute);
    EXPECT_EQ(before + 10, voice.deliveries.back().sample);
}

TEST_F(EventManagerTest, ChannelsRouteToTheirListenersOnly)
{
    queue.AddEvent(midi(0, 0x91, 60, 100));
    queue.AddEvent(midi(0, 0x92, 60, 100));
    queue.DispatchDue(0);
    EXPECT_EQ(0u, voice.deliveries.size());
    EXPECT_EQ(1u, drums.deliveries.size());
    EXPECT_EQ(0, queue.count());
}

TEST_F(EventManagerTest, FlushHandsOverEverythingAndResetsTheTimeBase)
{
    queue.AddEvent(midi(500000, 0x80, 99, 127, 1));
    queue.AddEvent(midi(0, 0x90, 60, 1));
    queue.FlushAll();
    EXPECT_EQ(2u, voice.deliveries.size());
    EXPECT_EQ(0, queue.deltaFramesOffset());
}

// The VST 2 plug-in walks the host's list: MIDI records whatever their
// byteSize says, nothing else; the instrument drops host MIDI in Off.
TEST(HostEventList, HostListIsFilteredSafely)
{
    testhost::Instance instance;
    instance.process(0); // leaves Off, the mode a new instrument starts in
    CEventManager& queue = instance.quibo.eventManager();
    VstMidiEvent note = midi(3, 0x90, 60, 100);
    note.byteSize = 32;
    note.flags = kVstMidiEventIsRealtime; // host flags never make a marker
    VstMidiEvent odd = midi(1, 0x90, 61, 100);
    odd.byteSize = 8; // a MIDI record is taken whole whatever its byteSize
    VstMidiEvent sysex = midi(1, 0xF0, 1, 2);
    sysex.type = kVstSysExType;
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[4];
    } list{4,
           0,
           {reinterpret_cast<VstEvent*>(&odd), nullptr, reinterpret_cast<VstEvent*>(&sysex),
            reinterpret_cast<VstEvent*>(&note)}};
    CQuiboPlugin& plugin = *instance.plugin;
    plugin.processEvents(reinterpret_cast<VstEvents*>(&list));
    queue.takeInbox();
    EXPECT_EQ(2, queue.count());
    EXPECT_EQ(0, queue.deltaFramesOffset());
    instance.quibo.setMode(kModeOff); // Off drops host MIDI
    plugin.processEvents(reinterpret_cast<VstEvents*>(&list));
    queue.takeInbox();
    EXPECT_EQ(2, queue.count());
    instance.quibo.setMode(kModePlay);
    list.numEvents = -5;
    plugin.processEvents(reinterpret_cast<VstEvents*>(&list));
    plugin.processEvents(nullptr);
    queue.takeInbox();
    EXPECT_EQ(2, queue.count());
}

TEST_F(EventManagerTest, FullQueueDropsNewEvents)
{
    for (int i = 0; i < CEventManager::kCapacity + 20; ++i)
        queue.AddEvent(midi(i % 7, 0x90, i % 128, 1));
    EXPECT_EQ(CEventManager::kCapacity, queue.count());
    queue.DispatchDue(100);
    EXPECT_EQ(static_cast<size_t>(CEventManager::kCapacity), voice.deliveries.size());
    for (size_t i = 1; i < voice.deliveries.size(); ++i)
        ASSERT_LE(voice.deliveries[i - 1].sample, voice.deliveries[i].sample);
}

} // namespace
