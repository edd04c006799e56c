#include "CStepBuffer.h"
#include "CStepWriter.h"
#include "CVoice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

namespace {

constexpr float kSampleScale = 1.5259255e-5f;

// A buffer and writer configured the way the voice configures its own.
struct StepOutput {
    CStepBuffer buffer;
    int16_t kernel[CStepWriter::kKernelSize] = {};
    CStepWriter writer{kernel};

    StepOutput()
    {
        buffer.SetClocksPerSecond(705600);
        buffer.SizeFor(44100, 250);
        writer.SetOutputLevel(0.025);
        writer.setOutputBuffer(&buffer);
        buffer.SetLeakFrequency(180);
        writer.BuildKernel(-18.0, 0.0, 44100.0, 0.0);
    }

    // Closes a frame of count samples and reads it with the given gain.
    std::vector<float> read(int count, float gain = 1.0f)
    {
        std::vector<float> gains(static_cast<size_t>(count), gain);
        std::vector<float> out(static_cast<size_t>(count), 0.0f);
        buffer.CloseFrame(count * 16);
        EXPECT_EQ(count, buffer.ReadOut(out.data(), count, 0.0f, 1.0f, gains.data()));
        return out;
    }
};

// Undoes the output scaling: the integral in 16-bit units.
std::vector<double> units(const std::vector<float>& out)
{
    std::vector<double> s;
    for (float x : out)
        s.push_back(std::round(x / kSampleScale));
    return s;
}

} // namespace

TEST(StepOutput, VoiceConfiguration)
{
    StepOutput o;
    EXPECT_EQ(4096, o.buffer.ComputeClockFactor(705600));
    EXPECT_EQ(4096, o.buffer.clockFactor());
    EXPECT_EQ(11070, o.buffer.capacity());
    EXPECT_EQ(5, o.buffer.leakShift());
    EXPECT_EQ(819, o.writer.stepScale());
    EXPECT_EQ(32768, o.writer.kernelSum());
    // Every phase of the kernel adds up to the kernel sum, so a step moves
    // the integral by the same amount wherever it falls.
    for (int phase = 0; phase < 64; ++phase) {
        int32_t sum = 0;
        for (int j = 0; j < 8; ++j)
            sum += o.kernel[64 * (j + 1) - phase] + o.kernel[64 * (7 - j) + phase];
        EXPECT_EQ(o.writer.kernelSum(), sum) << "phase " << phase;
    }
}

// The kernel decides how every edge of the voice sounds (its window, cutoff
// and rounding); these figures of the voice's own kernel pin it exactly.
TEST(StepOutput, VoiceKernelChecksum)
{
    CVoice voice;
    const int16_t* kernel = voice.stepWriter().kernel();
    uint32_t hash = 2166136261u; // FNV-1a over the entries as 16-bit values
    int64_t sum = 0;
    int64_t moment = 0;
    for (int i = 0; i < CStepWriter::kKernelSize; ++i) {
        const uint16_t entry = static_cast<uint16_t>(kernel[i]);
        for (int shift : {0, 8}) {
            hash ^= (entry >> shift) & 0xFFu;
            hash *= 16777619u;
        }
        sum += kernel[i];
        moment += static_cast<int64_t>(i) * kernel[i];
    }
    EXPECT_EQ(163667071u, hash);
    EXPECT_EQ(1055285, sum);
    EXPECT_EQ(476327968, moment);
    EXPECT_EQ(0, kernel[0]);
    EXPECT_EQ(165, kernel[256]);
    EXPECT_EQ(13418, kernel[512]);
}

TEST(StepOutput, StepLandsAtItsClockTime)
{
    // Without the leak the output is the plain integral of the step, and the
    // centre of its impulse sits 7 samples (half the taps) after the clock
    // time, read one sample later.
    for (int t = 0; t < 48; ++t) {
        StepOutput o;
        o.buffer.SetLeakFrequency(0);
        o.writer.AddStep(t, 11);
        const std::vector<double> s = units(o.read(48));
        double area = 0.0;
        double moment = 0.0;
        for (size_t i = 0; i + 1 < s.size(); ++i) {
            const double d = s[i + 1] - s[i];
            area += d;
            moment += d * static_cast<double>(i);
        }
        EXPECT_NEAR(11.0 * 819 * 32768 / 16384, area, 2.0);
        const uint32_t r = static_cast<uint32_t>(t) * 4096u;
        const double expected = (r >> 16) + static_cast<double>((r >> 10) & 63) / 64.0 + 7.0;
        EXPECT_NEAR(expected, moment / area, 0.01) << "clock " << t;
        EXPECT_NEAR(t / 16.0 + 7.0, moment / area, 0.01) << "clock " << t;
    }
}

TEST(StepOutput, ConstantLevelLeaksAway)
{
    StepOutput o;
    o.writer.AddStep(0, 5);
    const std::vector<double> s = units(o.read(800));
    EXPECT_GT(s[17], 5000.0);
    for (size_t i = 17; i < 160; ++i)
        EXPECT_NEAR(s[i] * 31.0 / 32.0, s[i + 1], 1.5) << "sample " << i;
    EXPECT_EQ(0.0, s[799]);
}

TEST(StepOutput, LimitsTo16BitsBeforeTheGain)
{
    // Without the leak a full swing (36036 units) passes the 16-bit range.
    StepOutput o;
    o.buffer.SetLeakFrequency(0);
    o.writer.AddStep(0, -22);
    o.writer.AddStep(16 * 200, 44);
    const float gain = 0.5f;
    const std::vector<float> out = o.read(400, gain);
    float low = 0.0f;
    float high = 0.0f;
    for (float x : out) {
        low = std::min(low, x);
        high = std::max(high, x);
    }
    EXPECT_EQ(-32768.0f * gain * kSampleScale, low);
    EXPECT_EQ(32767.0f * gain * kSampleScale, high);
}

TEST(StepOutput, ReadingWithNothingReadyWritesNothing)
{
    StepOutput o;
    o.writer.AddStep(5, 11);
    float out[8] = {7, 7, 7, 7, 7, 7, 7, 7};
    const float gains[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(0, o.buffer.ReadyCount());
    EXPECT_EQ(0, o.buffer.ReadOut(out, 8, 0.0f, 1.0f, gains));
    for (float x : out)
        EXPECT_EQ(7.0f, x);
}

TEST(StepOutput, TailsCarryIntoTheNextFrame)
{
    // A step near the end of one frame reads the same as in one long frame.
    StepOutput whole;
    StepOutput split;
    whole.writer.AddStep(16 * 30 + 5, 11);
    split.writer.AddStep(16 * 30 + 5, 11);
    const std::vector<float> expected = whole.read(64);
    std::vector<float> got = split.read(32);
    const std::vector<float> rest = split.read(32);
    got.insert(got.end(), rest.begin(), rest.end());
    EXPECT_EQ(expected, got);
}
