#include "CRhythmBox.h"

#include "CLfsr16.h"
#include "CVoice.h"
#include "PanelCodes.h"
#include "SampleRateRange.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>

namespace {

struct Step {
    int8_t sound;
    int8_t ticks;
};

struct Pattern {
    const Step* steps;
    int count;
};

constexpr int8_t L = CRhythmBox::kLowBleep;
constexpr int8_t H = CRhythmBox::kHighBleep;
constexpr int8_t N = CRhythmBox::kNoise;

constexpr Step kPattern0[] = {{L, 32}, {N, 32}};
constexpr Step kPattern1[] = {{L, 32}, {N, 32}, {N, 32}};
constexpr Step kPattern2[] = {{L, 32}, {N, 32}, {N, 32}, {N, 32}};
constexpr Step kPattern3[] = {{H, 32}, {N, 24}, {H, 8}};
constexpr Step kPattern4[] = {{L, 16}, {H, 16}, {N, 16}, {N, 16}, {L, 16}, {H, 16}, {N, 16}, {H, 16}};
constexpr Step kPattern5[] = {{L, 16}, {H, 16}, {N, 16}, {H, 8}, {L, 8}, {L, 16}, {L, 16}, {N, 16}, {H, 16}};
constexpr Step kPattern6[] = {{H, 16}, {N, 16}, {N, 16}, {H, 16}, {L, 16}, {N, 16}, {H, 16}, {N, 16},
                              {L, 16}, {N, 16}, {H, 16}, {L, 16}, {L, 16}, {H, 16}, {N, 16}, {L, 16}};
constexpr Step kPattern7[] = {{H, 16}, {N, 16}, {H, 16}, {N, 16}, {L, 16}, {L, 16}, {N, 16}, {H, 16},
                              {N, 16}, {H, 16}, {N, 16}, {H, 16}, {L, 16}, {L, 16}, {L, 16}, {N, 16}};
constexpr Step kPattern8[] = {{H, 16}, {N, 8}, {N, 8}, {N, 16}, {H, 16}, {N, 16}, {N, 16}, {H, 16}, {N, 16},
                              {N, 16}, {N, 8}, {N, 8}, {H, 16}, {N, 16}, {H, 16}, {N, 16}, {L, 16}, {L, 16}};
constexpr Step kPattern9[] = {{L, 16}, {N, 8}, {N, 8}, {N, 16}, {N, 16}, {H, 16}, {N, 16}, {L, 16}, {N, 16}};

template <std::size_t Count>
constexpr Pattern makePattern(const Step (&steps)[Count])
{
    return Pattern{steps, static_cast<int>(Count)};
}

constexpr Pattern kPatterns[CRhythmBox::kNumPatterns] = {
    makePattern(kPattern0), makePattern(kPattern1), makePattern(kPattern2), makePattern(kPattern3),
    makePattern(kPattern4), makePattern(kPattern5), makePattern(kPattern6), makePattern(kPattern7),
    makePattern(kPattern8), makePattern(kPattern9),
};

bool validPattern(int pattern)
{
    return pattern >= 0 && pattern < CRhythmBox::kNumPatterns;
}

constexpr float kVelocityScale = 1.0f / 127.0f;
// Each level of a decaying drum is one fifteenth below the previous one.
constexpr float kLevelDrop = 1.0f / 15.0f;

// Bleep at the reference rate: 30 periods of a unipolar square wave near
// 780 Hz, in 15 levels of two periods each from 1 down to 1/15.
constexpr int32_t kBleepHalfPeriod = ((static_cast<int32_t>(CRhythmBox::kReferenceRate / 780.0f) + 1) >> 1);
constexpr int32_t kBleepPeriods = 30;
constexpr int32_t kBleepLength = 2 * kBleepHalfPeriod * kBleepPeriods;

void fillBleep(float* table)
{
    float level = 1.0f;
    int32_t i = 0;
    for (int32_t pair = 0; pair < kBleepPeriods / 2; ++pair) {
        for (int32_t period = 0; period < 2; ++period) {
            for (int32_t k = 0; k < kBleepHalfPeriod; ++k)
                table[i++] = level;
            for (int32_t k = 0; k < kBleepHalfPeriod; ++k)
                table[i++] = 0.0f;
        }
        level -= kLevelDrop;
    }
}

// Noise at the reference rate, in units of a 50000 Hz time base: 120 ms of
// noise bits plus a 40 ms lead of table space, eight short levels of 5 ms
// and six long levels of 20 ms, the rest zero.
constexpr int32_t kNoiseBase = 50000;
constexpr int32_t kNoiseLength = kNoiseBase * 12 / 100 + kNoiseBase * 4 / 100 + 1;
constexpr int32_t kNoiseShortLevel = (kNoiseBase * 5 + 500) / 1000;
constexpr int32_t kNoiseLongLevel = (kNoiseBase * 20 + 500) / 1000;

void fillNoiseLevel(float* table, int32_t& i, int32_t count, float level, CLfsr16& lfsr)
{
    for (int32_t k = 0; k < count && i < kNoiseLength; ++k)
        table[i++] = static_cast<float>(lfsr.NextBit()) * level;
}

void fillNoise(float* table)
{
    std::fill(table, table + kNoiseLength, 0.0f);
    CLfsr16 lfsr;
    float level = 1.0f;
    int32_t i = 0;
    for (int k = 0; k < 8; ++k, level -= kLevelDrop)
        fillNoiseLevel(table, i, kNoiseShortLevel, level, lfsr);
    for (int k = 0; k < 6; ++k, level -= kLevelDrop)
        fillNoiseLevel(table, i, kNoiseLongLevel, level, lfsr);
}

// Tables for other rates: entry i holds the reference entry at the same time,
// floor(i * 44100 / rate), and the length scales by rate / 44100 (rounded).
// Pitch and length in seconds stay as at 44100 Hz; at 44100 Hz the mapping is
// the identity, so the reference tables come out unchanged.
int32_t scaledLength(int32_t referenceLength, float rate)
{
    return static_cast<int32_t>(referenceLength * static_cast<double>(rate) / CRhythmBox::kReferenceRate + 0.5);
}

void resample(const float* reference, int32_t referenceLength, float rate, float* table, int32_t length)
{
    const double step = CRhythmBox::kReferenceRate / static_cast<double>(rate);
    for (int32_t i = 0; i < length; ++i) {
        const int32_t s = static_cast<int32_t>(std::floor(i * step));
        table[i] = reference[std::min(s, referenceLength - 1)];
    }
}

// Builds one drum table for rate; false (and out untouched) when memory is short.
bool buildTable(void (*fill)(float*), int32_t referenceLength, float rate, std::unique_ptr<float[]>& out,
                int32_t& outLength)
{
    std::unique_ptr<float[]> reference(new (std::nothrow) float[static_cast<std::size_t>(referenceLength)]);
    if (!reference)
        return false;
    fill(reference.get());
    const int32_t length = scaledLength(referenceLength, rate);
    if (length == referenceLength && rate == CRhythmBox::kReferenceRate) {
        out = std::move(reference);
        outLength = length;
        return true;
    }
    std::unique_ptr<float[]> table(new (std::nothrow) float[static_cast<std::size_t>(length)]);
    if (!table)
        return false;
    resample(reference.get(), referenceLength, rate, table.get(), length);
    out = std::move(table);
    outLength = length;
    return true;
}

} // namespace

CRhythmBox::CRhythmBox()
{
    setSampleRate(kReferenceRate);
}

void CRhythmBox::setSampleRate(float rate)
{
    if (!isUsableSampleRate(rate))
        return;
    std::unique_ptr<float[]> bleep;
    std::unique_ptr<float[]> noise;
    int32_t bleepLength = 0;
    int32_t noiseLength = 0;
    if (!buildTable(fillBleep, kBleepLength, rate, bleep, bleepLength) ||
        !buildTable(fillNoise, kNoiseLength, rate, noise, noiseLength))
        return;
    m_bleep = std::move(bleep);
    m_bleepLength = bleepLength;
    m_noise = std::move(noise);
    m_noiseLength = noiseLength;
    m_sampleRate = rate;
    m_positionLimit = std::max(m_bleepLength, m_noiseLength);
    m_position = std::min(m_position, m_positionLimit);
}

int CRhythmBox::OnEvent(const MidiMessage& message)
{
    const int status = message.status & 0xF0;
    const int data1 = message.data1 & 0x7F;
    const int data2 = message.data2 & 0x7F;
    if (status == kStatusNoteOff) {
        RequestStop();
    } else if (status == kStatusNoteOn) {
        PlayHit(data1, data2);
    } else if (status == kStatusController) {
        if (data1 == kControllerRhythmSelect)
            SelectPattern(data2);
        else if (data1 == kControllerRhythmStart)
            StartAt(data2);
        else if (data1 == kControllerRhythmStop || data1 >= kControllerFirstRelease)
            RequestStop();
    }
    return 1;
}

void CRhythmBox::SelectPattern(int pattern)
{
    if (!validPattern(pattern))
        return;
    m_pattern = pattern;
    // The next step must exist in the new pattern.
    if (m_stepIndex >= kPatterns[m_pattern].count)
        m_stepIndex = 0;
}

void CRhythmBox::StartAt(int step)
{
    m_stepIndex = (step >= 0 && step < kPatterns[m_pattern].count) ? step : 0;
    if (m_voice != nullptr)
        m_voice->resetAlternation();
    m_stepCountdown = 0;
    m_stopRequest = false;
    m_running = true;
}

void CRhythmBox::RequestStop()
{
    m_stopRequest = true;
}

void CRhythmBox::PlayHit(int note, int velocity)
{
    int signedVelocity = velocity & 0xFF;
    if (signedVelocity >= 128)
        signedVelocity -= 256;
    if (signedVelocity <= 0) {
        RequestStop();
        return;
    }
    switch (note) {
    case 60:
        m_sound = kHighBleep;
        break;
    case 62:
        m_sound = kLowBleep;
        break;
    case 64:
        m_sound = kNoise;
        break;
    default:
        m_sound = kNoSound;
        return;
    }
    m_manual = true;
    m_gain = static_cast<float>(signedVelocity) * kVelocityScale;
}

void CRhythmBox::Reset()
{
    m_gain = 1.0f;
    m_position = 0;
    m_stepIndex = 0;
    m_running = false;
    m_stopRequest = false;
    m_tickFlag = false;
    m_stepCountdown = 0;
    m_manual = false;
}

float CRhythmBox::NextSample()
{
    if (!m_running && !m_manual)
        return 0.0f;
    advancePosition();
    if (!m_manual && m_tickFlag) {
        m_tickFlag = false;
        if (m_stepCountdown > 0)
            --m_stepCountdown;
        if (m_stepCountdown == 0)
            loadStep();
    }
    float sample = 0.0f;
    if (soundSample(sample))
        return sample * m_gain;
    if (m_stopRequest)
        Reset();
    return 0.0f;
}

void CRhythmBox::NextSamples(float* out, int count)
{
    if (!m_running && !m_manual) {
        std::fill(out, out + count, 0.0f);
        return;
    }
    for (int i = 0; i < count; ++i)
        out[i] = NextSample();
}

bool CRhythmBox::soundSample(float& sample) const
{
    switch (m_sound) {
    case kLowBleep:
        if (m_position >= m_bleepLength)
            return false;
        sample = m_bleep[static_cast<std::size_t>(m_position)];
        return true;
    case kHighBleep:
        // The same table at twice the speed, for half as long.
        if (m_position >= m_bleepLength / 2)
            return false;
        sample = m_bleep[static_cast<std::size_t>(2 * m_position)];
        return true;
    case kNoise:
        if (m_position >= m_noiseLength)
            return false;
        sample = m_noise[static_cast<std::size_t>(m_position)];
        return true;
    default:
        return false;
    }
}

void CRhythmBox::advancePosition()
{
    // A held drum hit would count for ever; past the longest table every
    // sound has ended, so the count stops there.
    if (m_position < m_positionLimit)
        ++m_position;
}

void CRhythmBox::loadStep()
{
    const Pattern& pattern = kPatterns[m_pattern];
    if (m_stepIndex >= pattern.count)
        m_stepIndex = 0;
    const Step& step = pattern.steps[m_stepIndex];
    m_sound = step.sound;
    m_stepCountdown = step.ticks;
    m_stepIndex = m_stepIndex + 1 < pattern.count ? m_stepIndex + 1 : 0;
    m_position = 0;
}

int CRhythmBox::patternStepCount(int pattern)
{
    return validPattern(pattern) ? kPatterns[pattern].count : 0;
}

int CRhythmBox::stepSound(int pattern, int step)
{
    if (step < 0 || step >= patternStepCount(pattern))
        return kNoSound;
    return kPatterns[pattern].steps[step].sound;
}

int CRhythmBox::stepTicks(int pattern, int step)
{
    if (step < 0 || step >= patternStepCount(pattern))
        return 0;
    return kPatterns[pattern].steps[step].ticks;
}
