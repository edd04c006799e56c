// The instrument through its own interfaces alone, as the coming LV2 and
// player fronts will drive it: no plug-in frame, no host callback. A front
// hears what the instrument tells only from deliverNotices, never from
// render; the editor's gestures go to the front's listener, not through
// the instrument.
#include "CEditorPort.h"
#include "CInstrument.h"
#include "CInstrumentFront.h"
#include "CQuibo.h"
#include "PanelCodes.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

class RecordingFront : public CInstrumentFront {
public:
    void parameterChanged(std::int32_t index, float value) override { changed[index] = value; }
    void programsChanged() override { ++programChanges; }
    bool transportRuns() override { return playing; }

    std::map<std::int32_t, float> changed;
    int programChanges = 0;
    bool playing = false;
};

struct Driven {
    CQuibo quibo;
    CInstrument& instrument = quibo;
    CEditorPort& port = quibo;
    RecordingFront front;
    float left[64] = {}, right[64] = {};

    Driven()
    {
        instrument.attachFront(&front);
        render();
    }
    void render(int frames = 64) { instrument.render(left, right, frames); }
};

TEST(InstrumentFront, WhatTheAudioThreadChangedWaitsForDeliverNoticesAndAStoppedTransport)
{
    Driven d;
    d.instrument.deliverNotices();
    d.front.changed.clear();
    d.front.programChanges = 0;

    d.instrument.midiIn(3, 0xC0, 2, 0); // a program change by MIDI, to program 2
    d.render();
    d.render();
    EXPECT_TRUE(d.front.changed.empty()) << "nothing is told from render";
    EXPECT_EQ(0, d.front.programChanges);

    d.front.playing = true;
    d.instrument.deliverNotices();
    EXPECT_TRUE(d.front.changed.empty()) << "values wait while the transport runs";
    EXPECT_EQ(1, d.front.programChanges);

    d.front.playing = false;
    d.instrument.deliverNotices();
    ASSERT_EQ(1u, d.front.changed.count(kParamProgram));
    EXPECT_FLOAT_EQ(0.4f, d.front.changed[kParamProgram]);
    EXPECT_EQ(2, d.instrument.getProgram());
    d.front.changed.clear();
    d.instrument.deliverNotices();
    EXPECT_TRUE(d.front.changed.empty()) << "each change is told once";
}

TEST(InstrumentFront, PanelEditsReachTheInstrumentAsValuesAndAreNotEchoedToTheFront)
{
    Driven d;
    d.instrument.deliverNotices();
    d.front.changed.clear();
    d.port.editParameter(kParamVolume, 0.25f);
    d.render();
    EXPECT_FLOAT_EQ(0.25f, d.instrument.getParameter(kParamVolume));
    EXPECT_FLOAT_EQ(0.25f, d.port.parameterValue(kParamVolume));
    d.instrument.deliverNotices();
    EXPECT_EQ(0u, d.front.changed.count(kParamVolume)) << "the host knows the value it was sent";
}

TEST(InstrumentFront, StateMovesBetweenInstrumentsAsBytes)
{
    Driven a, b;
    a.instrument.setParameter(kParamSound, 0.35f);
    a.instrument.setProgramName("Mine");
    a.render();
    const void* bytes = nullptr;
    const std::int32_t size = a.instrument.getChunk(&bytes, false);
    ASSERT_EQ(CQuibo::kSavedBankSize, size);
    const std::vector<unsigned char> saved(static_cast<const unsigned char*>(bytes),
                                           static_cast<const unsigned char*>(bytes) + size);
    EXPECT_EQ(1, b.instrument.setChunk(saved.data(), size, false));
    b.render();
    char name[CInstrument::kTextSize] = {};
    b.instrument.getProgramName(name);
    EXPECT_STREQ("Mine", name);
    EXPECT_FLOAT_EQ(0.35f, b.instrument.getParameter(kParamSound));
    EXPECT_EQ(0, b.instrument.setChunk(saved.data(), 12, false)) << "a damaged bank is refused";
    EXPECT_STREQ("Piano", b.instrument.factoryProgramName(0)) << "the name it had when new";
    EXPECT_STREQ("", b.instrument.factoryProgramName(kNumPrograms));
}

} // namespace
