// The JACK front's audio-thread step on buffers of the test's own: MIDI at
// its frames, a rhythm started by controllers and a rate change applied by
// another thread between silent blocks, all without one allocation.
#include "AllocationCounter.h"
#include "CJackProcess.h"
#include "CQuibo.h"
#include "CRateChange.h"
#include "PanelCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

// A block's MIDI events, as a MIDI port's buffer would hold them.
class TestMidi final : public CJackProcess::MidiInput {
public:
    void add(std::uint32_t frame, std::vector<std::uint8_t> bytes) { m_events.push_back({frame, std::move(bytes)}); }
    void clear() { m_events.clear(); }
    std::uint32_t count() const override { return static_cast<std::uint32_t>(m_events.size()); }
    bool event(std::uint32_t index, CJackProcess::MidiEvent& event) const override
    {
        if (index >= m_events.size())
            return false;
        event.frame = m_events[index].frame;
        event.bytes = m_events[index].bytes.data();
        event.size = m_events[index].bytes.size();
        return true;
    }

private:
    struct Stored {
        std::uint32_t frame;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Stored> m_events;
};

float peakOf(const std::vector<float>& samples, std::uint32_t frames)
{
    float peak = 0.0f;
    for (std::uint32_t i = 0; i < frames; ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

TEST(JackProcessTest, MidiARhythmAndARateChangeGoThroughTheProcessStepWithoutAllocating)
{
    CQuibo instrument;
    ASSERT_TRUE(instrument.setSampleRate(48000.0f));
    CRateChange rateChange;
    rateChange.start(48000.0f);
    CJackProcess process(instrument, rateChange);
    constexpr std::uint32_t kMaxFrames = 4096;
    std::vector<float> left(kMaxFrames), right(kMaxFrames);
    TestMidi none;
    process.run(left.data(), right.data(), 64, none);

    // The blocks' events, made before counting: the rhythm started and a
    // note held every tenth block, a program change (which stops the rhythm)
    // and a note played five blocks later, and messages that are not the instrument's
    // (a system exclusive, a clock, one too long) among them.
    TestMidi start, later;
    start.add(0, {kStatusController, kControllerRhythmSelect, 0});
    start.add(0, {kStatusController, kControllerRhythmStart, 127});
    start.add(3, {0xF0, 0x7D, 0x01, 0xF7});
    start.add(7, {kStatusNoteOn, 60, 100});
    start.add(9, {0xF8});
    start.add(10, {kStatusNoteOn, 64, 100, 0});
    later.add(1, {kStatusProgramChange, 2});
    later.add(20, {kStatusNoteOn, 67, 100});
    later.add(30, {kStatusNoteOff, 67, 0});

    // The main thread's part: a rate the server announced, applied once the
    // audio thread leaves a block silent.
    std::atomic<bool> applied{false};
    std::thread mainThread([&] {
        rateChange.announce(44100.0f);
        while (rateChange.applyPending([&](float rate) { return instrument.setSampleRate(rate); },
                                       std::chrono::milliseconds(200)))
            ;
        applied.store(true);
    });

    const std::uint32_t sizes[] = {512, 1, 33, kMaxFrames, 256, 700};
    int silentBlocks = 0, blocks = 0;
    float voicePeak = 0.0f, rhythmPeak = 0.0f;
    allocationcounter::startOnThisThread();
    while (blocks < 400 && !(applied.load() && blocks >= 40)) {
        const std::uint32_t frames = sizes[blocks % 6];
        const TestMidi& midi = blocks % 10 == 0 ? start : (blocks % 10 == 5 ? later : none);
        std::fill(left.begin(), left.end(), 1.0f);
        std::fill(right.begin(), right.end(), 1.0f);
        process.run(left.data(), right.data(), frames, midi);
        const float voice = peakOf(left, frames), rhythm = peakOf(right, frames);
        if (voice == 0.0f && rhythm == 0.0f)
            ++silentBlocks;
        voicePeak = std::max(voicePeak, voice);
        rhythmPeak = std::max(rhythmPeak, rhythm);
        ++blocks;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    const int allocations = allocationcounter::stop();
    mainThread.join();
    EXPECT_EQ(0, allocations);
    EXPECT_TRUE(applied.load());
    EXPECT_EQ(44100.0f, rateChange.rate());
    EXPECT_GE(silentBlocks, 1) << "the rate changed between silent blocks";
    EXPECT_GT(voicePeak, 0.01f) << "the held notes sound";
    EXPECT_GT(rhythmPeak, 0.01f) << "the rhythm sounds";
}

// The MIDI input loses its last connection while it holds notes: the next
// block releases them (and only then: a note the input still holds sounds on),
// without allocating.
TEST(JackProcessTest, NotesTheInputHoldsAreReleasedWhenItLosesItsConnections)
{
    for (const bool released : {false, true}) {
        SCOPED_TRACE(released ? "released" : "still held");
        CQuibo instrument;
        ASSERT_TRUE(instrument.setSampleRate(48000.0f));
        CRateChange rateChange;
        rateChange.start(48000.0f);
        CJackProcess process(instrument, rateChange);
        // A sound that holds its level while the note is held.
        instrument.setParameter(kParamSustainLevel, 1.0f);
        instrument.setParameter(kParamSustainTime, 1.0f);
        constexpr std::uint32_t kFrames = 480;
        std::vector<float> left(kFrames), right(kFrames);
        TestMidi held, none;
        held.add(0, {kStatusNoteOn, 64, 100});
        held.add(5, {kStatusNoteOff, 64, 0}); // let go again
        held.add(9, {kStatusNoteOn, 60, 100});
        process.run(left.data(), right.data(), kFrames, held);
        for (int block = 0; block < 20; ++block)
            process.run(left.data(), right.data(), kFrames, none);
        ASSERT_GT(peakOf(left, kFrames), 0.01f) << "the note sounds";
        if (released)
            process.releaseInputNotes();
        allocationcounter::startOnThisThread();
        // Two seconds: longer than any release of the voice's envelope.
        for (int block = 0; block < 200; ++block)
            process.run(left.data(), right.data(), kFrames, none);
        EXPECT_EQ(0, allocationcounter::stop());
        if (released)
            EXPECT_EQ(0.0f, peakOf(left, kFrames)) << "the voice stopped";
        else
            EXPECT_GT(peakOf(left, kFrames), 0.01f) << "a held note sounds on";
    }
}

} // namespace
