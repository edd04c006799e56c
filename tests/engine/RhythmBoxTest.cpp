#include "CLfsr16.h"
#include "CRhythmBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

MidiMessage midi(int status, int data1, int data2)
{
    MidiMessage e{};
    e.status = static_cast<std::uint8_t>(status);
    e.data1 = static_cast<std::uint8_t>(data1);
    e.data2 = static_cast<std::uint8_t>(data2);
    return e;
}

// The box driven sample by sample, with a tempo tick raised before the sample
// as the block processing does: tempo 4 ticks every 0.0104 s.
struct Rig {
    void render(int frames)
    {
        for (int i = 0; i < frames; ++i) {
            phase += 1.0f / 44100.0f;
            if (phase >= period) {
                phase -= period;
                box.setTickFlag();
                ticks.push_back(static_cast<int>(out.size()));
            }
            out.push_back(box.NextSample());
        }
    }
    void renderTicks(size_t count)
    {
        while (ticks.size() < count)
            render(1);
    }

    CRhythmBox box;
    float phase = 0.0f;
    float period = (9.0f - 4.0f) * 0.00098f + 0.0055f;
    std::vector<float> out;
    std::vector<int> ticks;
};

// Frequency of a unipolar square wave from its rising edges in out[from, to);
// 0 when the edges are not evenly spaced (noise) or too few.
double squareFrequency(const std::vector<float>& out, int from, int to, float rate)
{
    std::vector<int> edges;
    for (int i = std::max(from, 1); i < to; ++i)
        if (out[i - 1] == 0.0f && out[i] > 0.0f)
            edges.push_back(i);
    if (edges.size() < 3)
        return 0.0;
    int shortest = to, longest = 0;
    for (size_t k = 1; k < edges.size(); ++k) {
        shortest = std::min(shortest, edges[k] - edges[k - 1]);
        longest = std::max(longest, edges[k] - edges[k - 1]);
    }
    if (longest - shortest > 2)
        return 0.0;
    return rate * (edges.size() - 1) / double(edges.back() - edges.front());
}

// Index one past the last nonzero sample in out[from, to).
int soundEnd(const std::vector<float>& out, int from, int to)
{
    int end = from;
    for (int i = from; i < to; ++i)
        if (out[i] != 0.0f)
            end = i + 1;
    return end;
}

} // namespace

TEST(Lfsr16, RunsThroughAllStatesButOneWithBalancedBits)
{
    CLfsr16 lfsr;
    int ones = 0, period = 0;
    do {
        ones += lfsr.NextBit();
        ASSERT_NE(0xFFFF, lfsr.Value());
        ++period;
    } while (lfsr.Value() != 0 && period <= 70000);
    EXPECT_EQ(65535, period);
    EXPECT_EQ(32767, ones);
}

TEST(RhythmBoxTables, ReferenceShapesAt44100)
{
    CRhythmBox box;
    ASSERT_EQ(1680, box.bleepLength());
    const float* bleep = box.bleepTable();
    for (int i = 0; i < 1680; ++i) {
        const float level = 1.0f - (i / 112) / 15.0f;
        ASSERT_NEAR((i % 56) < 28 ? level : 0.0f, bleep[i], 1e-6f) << i;
    }
    ASSERT_EQ(8001, box.noiseLength());
    const float* noise = box.noiseTable();
    int ones = 0;
    for (int i = 0; i < 8000; ++i) {
        const int level = i < 2000 ? i / 250 : 8 + (i - 2000) / 1000;
        const float value = 1.0f - level / 15.0f;
        ASSERT_TRUE(noise[i] == 0.0f || std::fabs(noise[i] - value) < 1e-6f) << i;
        ones += noise[i] != 0.0f;
    }
    EXPECT_EQ(0.0f, noise[8000]);
    EXPECT_NEAR(4000, ones, 200);
}

TEST(RhythmBoxHits, NotesGiveBleepsAndNoiseOfSamePitchAndLengthAtAnyRate)
{
    const struct {
        int note;
        double hz;
        double seconds;
    } cases[] = {{60, 1575.0, 840 / 44100.0}, {62, 787.5, 1680 / 44100.0}, {64, 0.0, 8000 / 44100.0}};
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
        for (const auto& c : cases) {
            CRhythmBox box;
            box.setSampleRate(rate);
            box.OnEvent(midi(0x91, c.note, 127));
            std::vector<float> out;
            for (int i = 0; i < 20000; ++i)
                out.push_back(box.NextSample());
            EXPECT_NEAR(c.hz, squareFrequency(out, 0, 20000, rate), c.hz * 0.002) << rate << " " << c.note;
            EXPECT_NEAR(c.seconds, soundEnd(out, 0, 20000) / rate, 0.0015) << rate << " " << c.note;
        }
    }
}

TEST(RhythmBoxHits, VelocityScalesUntilReset)
{
    CRhythmBox box;
    box.OnEvent(midi(0x91, 62, 64));
    EXPECT_FLOAT_EQ(64.0f / 127.0f, box.NextSample()); // entry 1 of the bleep is 1.0
    box.Reset();
    EXPECT_EQ(1.0f, box.gain());
    box.StartAt(0);
    box.setTickFlag();
    EXPECT_EQ(1.0f, box.NextSample());
    box.OnEvent(midi(0x91, 62, 0)); // velocity 0 is a stop request
    EXPECT_TRUE(box.stopRequested());
}

TEST(RhythmBoxPatterns, PatternThreeRepeatsEverySixtyFourTicks)
{
    Rig rig;
    rig.box.OnEvent(midi(0xB1, 80, 3));
    rig.box.OnEvent(midi(0xB1, 81, 0));
    rig.renderTicks(64 * 3 + 1);
    const auto& t = rig.ticks;
    EXPECT_NEAR(1575.0, squareFrequency(rig.out, t[0], t[1], 44100.0f), 0.01);
    EXPECT_EQ(0.0, squareFrequency(rig.out, t[32], t[33], 44100.0f)); // noise
    EXPECT_NEAR(1575.0, squareFrequency(rig.out, t[56], t[57], 44100.0f), 0.01);
    EXPECT_NEAR(0.666, (t[64] - t[0]) / 44100.0, 0.001);
    // From each step's load the output depends only on the samples since.
    for (int k : {0, 32, 56, 64, 96, 120}) {
        const int length = k % 64 == 32 ? 24 : (k % 64 == 56 ? 8 : 32);
        const int span = std::min(t[k + length] - t[k], t[k + 64 + length] - t[k + 64]);
        for (int j = 0; j < span; ++j)
            ASSERT_EQ(rig.out[t[k] + j], rig.out[t[k + 64] + j]) << k << " " << j;
    }
}

// All ten patterns as a listener hears them: at the tick each step is due
// its sound starts from its first sample, step after step, and the pattern
// starts again after its last step. L Low bleep, H High bleep, N Noise.
TEST(RhythmBoxPatterns, EveryPatternsStepsAndSounds)
{
    const char* const patterns[10] = {
        "L32 N32",
        "L32 N32 N32",
        "L32 N32 N32 N32",
        "H32 N24 H8",
        "L16 H16 N16 N16 L16 H16 N16 H16",
        "L16 H16 N16 H8 L8 L16 L16 N16 H16",
        "H16 N16 N16 H16 L16 N16 H16 N16 L16 N16 H16 L16 L16 H16 N16 L16",
        "H16 N16 H16 N16 L16 L16 N16 H16 N16 H16 N16 H16 L16 L16 L16 N16",
        "H16 N8 N8 N16 H16 N16 N16 H16 N16 N16 N8 N8 H16 N16 H16 N16 L16 L16",
        "L16 N8 N8 N16 N16 H16 N16 L16 N16",
    };
    for (int number = 0; number < 10; ++number) {
        struct Step {
            char sound;
            int ticks;
        };
        std::vector<Step> steps;
        int total = 0;
        for (const char* p = patterns[number]; *p != '\0';) {
            char* end = nullptr;
            const Step step{p[0], static_cast<int>(std::strtol(p + 1, &end, 10))};
            steps.push_back(step);
            total += step.ticks;
            p = *end == ' ' ? end + 1 : end;
        }
        Rig rig;
        rig.box.SelectPattern(number);
        rig.box.StartAt(0);
        rig.renderTicks(static_cast<size_t>(2 * total + 1));
        const float* bleep = rig.box.bleepTable();
        const float* noise = rig.box.noiseTable();
        int due = 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (size_t k = 0; k < steps.size(); ++k) {
                const int start = rig.ticks[static_cast<size_t>(due)];
                for (int j = 0; j < 800; ++j) {
                    const float expected = steps[k].sound == 'L'   ? bleep[j]
                                           : steps[k].sound == 'H' ? bleep[2 * j]
                                                                   : noise[j];
                    ASSERT_EQ(expected, rig.out[static_cast<size_t>(start + j)])
                        << "pattern " << number << " step " << k << " sample " << j;
                }
                due += steps[k].ticks;
            }
        }
        EXPECT_EQ(2 * total, due);
    }
}

TEST(RhythmBoxStop, RequestNeverCutsASound)
{
    for (const MidiMessage& stop : {midi(0x81, 60, 0), midi(0xB1, 82, 0), midi(0xB1, 123, 0)}) {
        Rig reference, rig;
        for (Rig* r : {&reference, &rig}) {
            r->box.StartAt(0);
            r->render(1000);
        }
        rig.box.OnEvent(stop);
        reference.render(40000);
        rig.render(40000);
        const int end = soundEnd(reference.out, rig.ticks[0], rig.ticks[32]);
        EXPECT_TRUE(std::equal(rig.out.begin(), rig.out.begin() + end, reference.out.begin()));
        EXPECT_EQ(end, soundEnd(rig.out, 0, 41000));
        EXPECT_FALSE(rig.box.running());
    }
}

TEST(RhythmBoxPatterns, StartStepOutOfRangeStartsAtZero)
{
    for (int step : {1, 2, 127, -1}) {
        Rig rig;
        if (step >= 0)
            rig.box.OnEvent(midi(0xB1, 81, step));
        else
            rig.box.StartAt(step);
        rig.renderTicks(2);
        const bool bleep = squareFrequency(rig.out, rig.ticks[0], rig.ticks[1], 44100.0f) > 0.0;
        EXPECT_EQ(step != 1, bleep) << step; // pattern 0: L32 N32
    }
}

TEST(RhythmBoxPatterns, NoteSixtyOneSilencesUntilNextStep)
{
    Rig rig;
    rig.box.StartAt(0);
    rig.render(1000);
    rig.box.OnEvent(midi(0x91, 61, 100));
    rig.renderTicks(34);
    const auto& t = rig.ticks;
    EXPECT_GT(soundEnd(rig.out, t[0], 1000), t[0]);
    EXPECT_EQ(1000, soundEnd(rig.out, 1000, t[32])); // nothing from the note on
    EXPECT_GT(soundEnd(rig.out, t[32], t[33]), t[32]);
    EXPECT_TRUE(rig.box.running());
    EXPECT_FALSE(rig.box.manual());
}

TEST(RhythmBoxPatterns, BadPatternNumberIsIgnoredAndShorterPatternRestarts)
{
    Rig rig;
    rig.box.OnEvent(midi(0xB1, 80, 3));
    rig.box.OnEvent(midi(0xB1, 80, 12));
    EXPECT_EQ(3, rig.box.patternNumber());
    rig.box.SelectPattern(8);
    rig.box.StartAt(5); // pattern 8 step 5 is N16; step 0 of pattern 3 is H32
    rig.render(10);
    rig.box.SelectPattern(3);
    rig.renderTicks(2);
    EXPECT_NEAR(1575.0, squareFrequency(rig.out, rig.ticks[0], rig.ticks[1], 44100.0f), 0.01);
    EXPECT_EQ(1, rig.box.stepIndex());
}

TEST(RhythmBoxHits, HeldHitPositionStopsAtLongestTable)
{
    CRhythmBox box;
    box.PlayHit(60, 100);
    float late = 0.0f;
    for (int i = 0; i < 100000; ++i) {
        const float sample = box.NextSample();
        late += i >= 840 ? std::fabs(sample) : 0.0f;
    }
    EXPECT_EQ(0.0f, late);
    EXPECT_EQ(std::max(box.bleepLength(), box.noiseLength()), box.position());
    EXPECT_TRUE(box.manual());
    box.RequestStop();
    box.NextSample();
    EXPECT_FALSE(box.manual());
}

TEST(RhythmBoxRates, TablesExactAt44100AndKeptOnInvalidRate)
{
    CRhythmBox box, reference;
    box.setSampleRate(96000.0f);
    box.setSampleRate(44100.0f);
    EXPECT_TRUE(std::equal(box.bleepTable(), box.bleepTable() + 1680, reference.bleepTable()));
    EXPECT_TRUE(std::equal(box.noiseTable(), box.noiseTable() + 8001, reference.noiseTable()));
    box.setSampleRate(48000.0f);
    const float* bleep = box.bleepTable();
    for (float rate : {0.0f, -44100.0f, 1e12f, std::numeric_limits<float>::quiet_NaN()}) {
        box.setSampleRate(rate);
        EXPECT_EQ(bleep, box.bleepTable());
        EXPECT_EQ(48000.0f, box.sampleRate());
    }
}
