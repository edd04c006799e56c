// Rendering in runs: a run of samples gives the same output as the samples
// one by one, and the closed-form vibrato follows the oscillator it stands in
// for.
#include "CLfo.h"
#include "CLfoRotation.h"
#include "CRhythmBox.h"
#include "CVoice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

enum Param { kOctave = 4, kTune, kSound, kAttack, kDecay, kSustainLevel, kSustainTime, kRelease, kVibrato, kTremolo };

// A note stream with ticks, rendered in 512-sample blocks, either sample by
// sample or in runs of pseudo-random length that end where something happens.
std::vector<float> renderStream(float sound, float vibrato, bool inRuns)
{
    CVoice v;
    const float settings[][2] = {{kSound, sound},     {kOctave, 0.5f},       {kTune, 0.5f},        {kAttack, 0.2f},
                                 {kDecay, 0.3f},      {kSustainLevel, 0.7f}, {kSustainTime, 0.9f}, {kRelease, 0.2f},
                                 {kVibrato, vibrato}, {kTremolo, 0.4f}};
    for (const auto& s : settings)
        v.SetParameter(static_cast<int>(s[0]), s[1]);
    const int total = 2 * 44100;
    const int block = 512;
    std::vector<float> out(static_cast<size_t>(total));
    unsigned seed = 12345;
    for (int start = 0; start < total; start += block) {
        const int n = std::min(block, total - start);
        for (int i = 0; i < n;) {
            const int at = start + i;
            if (at == 300)
                v.NoteOn(69, 100);
            if (at == 30000)
                v.NoteOn(31, 90); // a long step: quiet stretches
            if (at == 50000)
                v.NoteOn(105, 110); // a short one
            if (at == 70000)
                v.NoteOff();
            if (at % 459 == 0)
                v.Tick();
            int run = 1;
            if (inRuns) {
                seed = seed * 1103515245u + 12345u;
                run = 1 + static_cast<int>((seed >> 16) % 700);
                for (int next = at + 1; next < at + run; ++next) {
                    if (next == 300 || next == 30000 || next == 50000 || next == 70000 || next % 459 == 0) {
                        run = next - at;
                        break;
                    }
                }
                run = std::min(run, n - i);
            }
            if (run == 1)
                v.RenderSample(0.4f);
            else
                v.RenderSamples(0.4f, run);
            i += run;
        }
        v.EndBlock(out.data() + start, n);
    }
    return out;
}

} // namespace

// Every sound, without vibrato, with its closed form and with a setting too
// fast for it (stepped clock by clock), tremolo on: bit for bit the same.
TEST(VoiceRuns, RunsRenderLikeSingleSamples)
{
    for (int sound = 0; sound < 10; ++sound) {
        for (const float vibrato : {0.0f, 0.3f, 0.01f}) {
            const float value = static_cast<float>(sound) / 10.0f + 0.05f;
            const std::vector<float> single = renderStream(value, vibrato, false);
            const std::vector<float> runs = renderStream(value, vibrato, true);
            ASSERT_EQ(single.size(), runs.size());
            EXPECT_EQ(0, std::memcmp(single.data(), runs.data(), single.size() * sizeof(float)))
                << "sound " << sound << ", vibrato " << vibrato;
        }
    }
}

// The sums of the first m of a sample's 16 values, from the rotation and from
// the recurrence stepped call by call, for 2 s after a reset, at the rates of
// Vibrato 1.0, 0.3, 0.1 and 0.03 (1.5, 5, 15 and 50 Hz).
TEST(VoiceRuns, VibratoSumsFollowTheOscillator)
{
    for (const double hz : {1.5, 5.0, 15.0, 50.0}) {
        CLfo lfo(16.0f, 0.0f);
        lfo.SetFrequency(static_cast<float>(hz));
        lfo.running = true;
        CLfoRotation rotation;
        rotation.setCoefficient(lfo.coefficient());
        ASSERT_TRUE(rotation.usable()) << hz;
        double worst = 0.0;
        for (int sample = 0; sample < 88200; ++sample) {
            double sum = 0.0;
            for (int m = 1; m <= 16; ++m) {
                sum += lfo.Next();
                worst = std::max(worst, std::fabs(sum - rotation.sumTo(m)));
            }
            rotation.advance(1);
        }
        // A vibrato increment is 0.00075 of the step length: these stay
        // below two millionths of a step.
        EXPECT_LT(worst, 2e-3) << hz << " Hz";
    }
    // Faster settings bend the recurrence away from a rotation.
    CLfo fast(16.0f, 0.0f);
    fast.SetFrequency(150.0f);
    CLfoRotation rotation;
    rotation.setCoefficient(fast.coefficient());
    EXPECT_FALSE(rotation.usable());
}

// The phase after any number of samples does not depend on how they were
// passed over.
TEST(VoiceRuns, VibratoPhaseDoesNotDependOnGrouping)
{
    CLfo lfo(16.0f, 0.0f);
    lfo.SetFrequency(5.0f);
    CLfoRotation once, stepwise;
    once.setCoefficient(lfo.coefficient());
    stepwise.setCoefficient(lfo.coefficient());
    for (const int count : {1, 255, 256, 257, 1000, 5000}) {
        once.advance(count);
        for (int i = 0; i < count; ++i)
            stepwise.advance(1);
        for (int m = 1; m <= 16; ++m)
            ASSERT_EQ(once.sumTo(m), stepwise.sumTo(m)) << count << " samples, m " << m;
    }
}

TEST(RhythmBoxRuns, RunsGiveTheSamplesOneByOne)
{
    CRhythmBox single, runs;
    for (CRhythmBox* box : {&single, &runs}) {
        box->OnEvent(MidiMessage{0xB1, 80, 7});
        box->OnEvent(MidiMessage{0xB1, 81, 0});
    }
    std::vector<float> a, b;
    for (int tick = 0; tick < 400; ++tick) {
        const int length = 300 + tick % 7 * 40;
        single.setTickFlag();
        runs.setTickFlag();
        for (int i = 0; i < length; ++i)
            a.push_back(single.NextSample());
        b.resize(a.size());
        runs.NextSamples(b.data() + b.size() - static_cast<size_t>(length), length);
        if (tick == 300) {
            single.RequestStop();
            runs.RequestStop();
        }
    }
    EXPECT_FALSE(runs.running());
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(float)));
}
