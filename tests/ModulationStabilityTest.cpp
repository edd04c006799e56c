// Vibrato and tremolo at every value and rate, down to the values an
// automation ramp passes on its way to 0, and the voice's recovery.
#include "CLevelDetector.h"
#include "CLfo.h"
#include "CVoice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

enum Param { kOctave = 4, kTune, kSound, kAttack, kDecay, kSustainLevel, kSustainTime, kRelease, kVibrato, kTremolo };

// Parameter values from 1e-9 up to 1, 24 to a decade, and 0.
std::vector<float> sweepValues()
{
    std::vector<float> values = {0.0f};
    for (int i = -9 * 24; i <= 0; ++i)
        values.push_back(static_cast<float>(std::pow(10.0, i / 24.0)));
    return values;
}

TEST(Lfo, StaysBoundedAtEveryValueAndSupportedRate)
{
    struct Modulation {
        float multiplier, hz; // calls per sample; frequency at value 0.1
    };
    for (const Modulation m : {Modulation{16.0f, 15.0f}, Modulation{1.0f, 35.0f}}) {
        for (const float rate : {1000.0f, 8000.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f, 1e6f}) {
            for (const float value : sweepValues()) {
                if (value == 0.0f)
                    continue;
                CLfo lfo(m.multiplier, 0.0f);
                lfo.setSampleRate(rate);
                lfo.SetFrequency(m.hz / (10.0f * value));
                lfo.running = 1;
                float peak = 0.0f;
                for (int i = 0; i < 20000; ++i) {
                    const float x = lfo.Next();
                    peak = std::isfinite(x) ? std::max(peak, std::fabs(x)) : std::numeric_limits<float>::infinity();
                }
                ASSERT_LE(peak, 1.25f) << "rate " << rate << " multiplier " << m.multiplier << " value " << value;
            }
        }
    }
}

TEST(LevelDetector, RecoversFromANonFiniteOrHugeLevel)
{
    for (const float bad : {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                            -std::numeric_limits<float>::infinity(), 1e30f}) {
        CLevelDetector d;
        for (int i = 0; i < 100; ++i)
            d.Next(1.0f);
        const float hit = d.Next(bad);
        EXPECT_TRUE(std::isfinite(hit)) << bad;
        float gain = 0.0f;
        for (int i = 0; i < 44100; ++i) {
            gain = d.Next(1.0f);
            ASSERT_TRUE(std::isfinite(gain)) << bad << " sample " << i;
        }
        EXPECT_NEAR(3.40f, gain, 0.01f) << bad;
    }
}

// A held note while Vibrato and Tremolo are ramped from 0.01 down to 0
// through every tiny value on the way, then a new note with the programs'
// usual 0.3: nothing bursts, nothing is lost.
TEST(Voice, TinyModulationValuesNeitherBurstNorSilenceTheVoice)
{
    for (const float rate : {44100.0f, 1000.0f, 192000.0f}) {
        CVoice v;
        v.setSampleRate(rate);
        v.SetParameter(kSound, 0.0f);
        v.SetParameter(kOctave, 0.5f);
        v.SetParameter(kTune, 0.5f);
        v.SetParameter(kAttack, 0.0f);
        v.SetParameter(kDecay, 0.0f);
        v.SetParameter(kSustainLevel, 1.0f);
        v.SetParameter(kSustainTime, 1.0f);
        v.SetParameter(kRelease, 0.0f);
        v.NoteOn(57, 100);
        std::vector<float> values = sweepValues();
        std::reverse(values.begin(), values.end());
        std::vector<float> out(512);
        float peak = 0.0f;
        for (const float value : values) {
            v.SetParameter(kVibrato, value * 0.01f);
            v.SetParameter(kTremolo, value * 0.01f);
            for (int i = 0; i < 512; ++i)
                v.RenderSample(0.5f);
            v.EndBlock(out.data(), 512);
            for (const float x : out) {
                ASSERT_TRUE(std::isfinite(x)) << rate << " value " << value * 0.01f;
                peak = std::max(peak, std::fabs(x));
            }
        }
        EXPECT_LT(peak, 1.0f) << rate;
        v.SetParameter(kVibrato, 0.3f);
        v.SetParameter(kTremolo, 0.3f);
        v.NoteOn(57, 100);
        float late = 0.0f;
        for (int block = 0; block < 8; ++block) {
            for (int i = 0; i < 512; ++i)
                v.RenderSample(0.5f);
            v.EndBlock(out.data(), 512);
            for (const float x : out)
                late = std::max(late, std::isfinite(x) ? std::fabs(x) : 0.0f);
        }
        EXPECT_GT(late, 0.1f) << rate;
    }
}

} // namespace
