#include "AllocationCounter.h"
#include "CRhythmBox.h"
#include "CVoice.h"
#include "SignalAnalysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

namespace {

constexpr double kRate = 44100.0;
constexpr double kTwoPi = 6.283185307179586;
constexpr int kA4 = 69;

enum Param { kOctave = 4, kTune, kSound, kAttack, kDecay, kSustainLevel, kSustainTime, kRelease, kVibrato, kTremolo };

constexpr float kPiano = 0.0f;
constexpr float kFantasy = 0.15f;
constexpr float kHorn = 0.65f;
constexpr float kElectro1 = 0.75f;
constexpr float kLow = 0.0f;
constexpr float kMiddle = 0.5f;
constexpr float kHigh = 1.0f;

// Sound and octave with an instant envelope that holds while the key is down.
void setUp(CVoice& v, float sound, float octave, float tune = 0.5f)
{
    v.SetParameter(kSound, sound);
    v.SetParameter(kOctave, octave);
    v.SetParameter(kTune, tune);
    v.SetParameter(kAttack, 0.0f);
    v.SetParameter(kDecay, 0.0f);
    v.SetParameter(kSustainLevel, 1.0f);
    v.SetParameter(kSustainTime, 1.0f);
    v.SetParameter(kRelease, 0.0f);
    v.SetParameter(kVibrato, 0.0f);
    v.SetParameter(kTremolo, 0.0f);
}

std::vector<float> render(CVoice& v, int frames, int block = 512, float gain = 0.5f)
{
    std::vector<float> out(static_cast<size_t>(frames));
    for (int done = 0; done < frames;) {
        const int n = std::min(block, frames - done);
        for (int i = 0; i < n; ++i)
            v.RenderSample(gain);
        EXPECT_EQ(n, v.EndBlock(out.data() + done, n));
        done += n;
    }
    return out;
}

double frequencyOf(const std::vector<float>& x, double rate, size_t from = 2000)
{
    const std::vector<double> c = audiocheck::upCrossings(x, from);
    if (c.size() < 3)
        return 0.0;
    return static_cast<double>(c.size() - 1) / (c.back() - c.front()) * rate;
}

// The frequency in [low, high] Hz with the largest DFT magnitude of the
// values v sampled at times t (seconds, not evenly spaced).
double dominantFrequency(const std::vector<double>& t, std::vector<double> v, double low, double high)
{
    double mean = 0.0;
    for (double x : v)
        mean += x;
    mean /= static_cast<double>(v.size());
    for (double& x : v)
        x -= mean;
    double best = low;
    double bestPower = -1.0;
    for (double f = low; f <= high; f += 0.005) {
        double re = 0.0;
        double im = 0.0;
        for (size_t i = 0; i < v.size(); ++i) {
            re += v[i] * std::cos(kTwoPi * f * t[i]);
            im += v[i] * std::sin(kTwoPi * f * t[i]);
        }
        if (re * re + im * im > bestPower) {
            bestPower = re * re + im * im;
            best = f;
        }
    }
    return best;
}

// The rate at which the period of the wave swings (vibrato).
double periodModulation(const std::vector<float>& x, double low, double high)
{
    const std::vector<double> c = audiocheck::upCrossings(x, 2000);
    std::vector<double> t;
    std::vector<double> period;
    for (size_t i = 0; i + 1 < c.size(); ++i) {
        t.push_back((c[i] + c[i + 1]) * 0.5 / kRate);
        period.push_back(c[i + 1] - c[i]);
    }
    return dominantFrequency(t, period, low, high);
}

// The rate at which the peak of each period swings (tremolo).
double amplitudeModulation(const std::vector<float>& x, double low, double high)
{
    const std::vector<double> c = audiocheck::upCrossings(x, 2000);
    std::vector<double> t;
    std::vector<double> peak;
    for (size_t i = 0; i + 1 < c.size(); ++i) {
        const auto first = x.begin() + static_cast<std::ptrdiff_t>(c[i]);
        const auto last = x.begin() + static_cast<std::ptrdiff_t>(c[i + 1]);
        t.push_back(c[i] / kRate);
        peak.push_back(*std::max_element(first, last));
    }
    return dominantFrequency(t, peak, low, high);
}

double noteFrequency(float sound, float octave, float tune = 0.5f, float rate = 44100.0f)
{
    CVoice v;
    v.setSampleRate(rate);
    setUp(v, sound, octave, tune);
    v.NoteOn(kA4, 100);
    return frequencyOf(render(v, static_cast<int>(rate)), rate);
}

} // namespace

TEST(Voice, NoteTable)
{
    CVoice v;
    EXPECT_FLOAT_EQ(8.1758f, v.noteFrequency(0));
    EXPECT_NEAR(440.0015, v.noteFrequency(69), 0.00005);
    EXPECT_NEAR(12543.93, v.noteFrequency(127), 0.005);
}

TEST(Voice, PitchOfSoundsAndOctaves)
{
    const double a4 = 440.0015;
    EXPECT_NEAR(a4, noteFrequency(kPiano, kMiddle), 0.5);
    EXPECT_NEAR(2 * a4, noteFrequency(kFantasy, kMiddle), 0.5);
    EXPECT_NEAR(a4 / 2, noteFrequency(kHorn, kMiddle), 0.5);
    EXPECT_NEAR(a4 / 2, noteFrequency(kPiano, kLow), 0.5);
    EXPECT_NEAR(2 * a4, noteFrequency(kPiano, kHigh), 0.5);
    EXPECT_NEAR(2 * a4, noteFrequency(kPiano, kMiddle, 1.0f), 0.5);
    // Octave values at the edges of the switch.
    EXPECT_NEAR(a4 / 2, noteFrequency(kPiano, 0.49f), 0.5);
}

TEST(Voice, PitchAtEveryRate)
{
    for (float rate : {22050.0f, 48000.0f, 96000.0f, 192000.0f}) {
        EXPECT_NEAR(440.0015, noteFrequency(kPiano, kMiddle, 0.5f, rate), 0.5) << rate;
        EXPECT_NEAR(220.0008, noteFrequency(kHorn, kMiddle, 0.5f, rate), 0.5) << rate;
    }
}

TEST(Voice, BufferHoldsTheLongestBlockAtEveryRate)
{
    for (float rate : {8000.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
        CVoice v;
        v.setSampleRate(rate);
        EXPECT_EQ(4096, v.stepBuffer().clockFactor());
        EXPECT_GE(v.stepBuffer().capacity(), CVoice::kMaxBlockFrames + 16) << rate;
        EXPECT_EQ(819, v.stepWriter().stepScale());
    }
    CVoice v;
    EXPECT_EQ(11070, v.stepBuffer().capacity());
    v.setSampleRate(44100.0f);
    EXPECT_EQ(11070, v.stepBuffer().capacity());
}

// The leak's corner, rate / (2 pi 2^shift), stays within 10 % of its 219 Hz
// at 44100 Hz, where the shift is 5.
TEST(Voice, LeakCornerFollowsTheRate)
{
    const double pi = std::acos(-1.0);
    const double reference = 44100.0 / (2.0 * pi * 32.0);
    for (float rate : {22050.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f}) {
        CVoice v;
        v.setSampleRate(rate);
        const double corner = rate / (2.0 * pi * std::exp2(v.stepBuffer().leakShift()));
        EXPECT_NEAR(reference, corner, 0.1 * reference) << rate;
    }
    CVoice v;
    EXPECT_EQ(5, v.stepBuffer().leakShift());
}

TEST(Voice, VibratoAndTremoloRates)
{
    struct Case {
        int parameter;
        float value;
        double hz;
    };
    for (const Case c : {Case{kVibrato, 1.0f, 1.5}, Case{kVibrato, 0.1f, 15.0}, Case{kTremolo, 1.0f, 3.5},
                         Case{kTremolo, 0.1f, 35.0}}) {
        CVoice v;
        setUp(v, kPiano, kMiddle);
        v.SetParameter(c.parameter, c.value);
        v.NoteOn(kA4, 100);
        const std::vector<float> x = render(v, static_cast<int>(4 * kRate));
        const double measured =
            c.parameter == kVibrato ? periodModulation(x, 0.5, 40.0) : amplitudeModulation(x, 0.5, 40.0);
        EXPECT_NEAR(c.hz, measured, 0.03 * c.hz) << "parameter " << c.parameter << " value " << c.value;
    }
}

TEST(Voice, ModulationOffAtZero)
{
    CVoice v;
    setUp(v, kPiano, kMiddle);
    v.SetParameter(kVibrato, 0.5f);
    v.SetParameter(kTremolo, 0.5f);
    v.SetParameter(kVibrato, 0.0f);
    v.SetParameter(kTremolo, 0.0f);
    v.NoteOn(kA4, 100);
    const std::vector<float> x = render(v, 44100);
    const std::vector<double> c = audiocheck::upCrossings(x, 4000);
    // Every period the same but for where the edges fall between samples
    // (vibrato would swing it by 0.6 samples).
    for (size_t i = 0; i + 1 < c.size(); ++i)
        ASSERT_NEAR(kRate / 440.0015, c[i + 1] - c[i], 0.25);
    // The peaks differ only by where the edges fall between samples.
    EXPECT_NEAR(*std::max_element(x.begin() + 4000, x.begin() + 5000), *std::max_element(x.begin() + 40000, x.end()),
                0.005);
}

// A held note while Vibrato and Tremolo are ramped from 0.01 down to 0
// through every tiny value on the way, then a new note with the programs'
// usual 0.3: nothing bursts, nothing is lost.
TEST(Voice, TinyModulationValuesNeitherBurstNorSilenceTheVoice)
{
    for (const float rate : {44100.0f, 1000.0f, 192000.0f}) {
        CVoice v;
        v.setSampleRate(rate);
        setUp(v, kPiano, kMiddle);
        v.NoteOn(57, 100);
        float peak = 0.0f;
        for (int step = 0; step <= 9 * 24; ++step) {
            // 0.01 down to 1e-11, 24 values to a decade, then 0.
            const float value = step < 9 * 24 ? static_cast<float>(0.01 * std::pow(10.0, -step / 24.0)) : 0.0f;
            v.SetParameter(kVibrato, value);
            v.SetParameter(kTremolo, value);
            for (const float x : render(v, 512)) {
                ASSERT_TRUE(std::isfinite(x)) << rate << " value " << value;
                peak = std::max(peak, std::fabs(x));
            }
        }
        EXPECT_LT(peak, 1.0f) << rate;
        v.SetParameter(kVibrato, 0.3f);
        v.SetParameter(kTremolo, 0.3f);
        v.NoteOn(57, 100);
        float late = 0.0f;
        for (const float x : render(v, 4096))
            late = std::max(late, std::isfinite(x) ? std::fabs(x) : 0.0f);
        EXPECT_GT(late, 0.1f) << rate;
    }
}

TEST(Voice, ElectroAlternatesEveryEightTicks)
{
    auto segment = [](CVoice& v) { return frequencyOf(render(v, 8820), kRate, 1000); };
    CVoice v;
    setUp(v, kElectro1, kMiddle);
    v.NoteOn(kA4, 100);
    EXPECT_NEAR(440.0, segment(v), 0.5);
    v.Tick(); // the first tick after construction alternates
    EXPECT_NEAR(220.0, segment(v), 0.5);
    for (int i = 0; i < 7; ++i)
        v.Tick();
    EXPECT_NEAR(220.0, segment(v), 0.5);
    v.Tick();
    EXPECT_NEAR(440.0, segment(v), 0.5);
    // Low octave: the note and two octaves above it.
    v.SetParameter(kOctave, kLow);
    for (int i = 0; i < 8; ++i)
        v.Tick();
    EXPECT_NEAR(880.0, segment(v), 0.5);
    // Starting the rhythm box makes the next tick alternate.
    v.resetAlternation();
    v.Tick();
    EXPECT_NEAR(220.0, segment(v), 0.5);
    // Selecting a sound resets the multiplier; other sounds never alternate.
    v.SetParameter(kSound, kPiano);
    EXPECT_NEAR(220.0, segment(v), 0.5);
    for (int i = 0; i < 16; ++i)
        v.Tick();
    EXPECT_NEAR(220.0, segment(v), 0.5);
}

TEST(Voice, SoundBoundaries)
{
    auto take = [](float sound) {
        CVoice v;
        setUp(v, sound, kMiddle);
        v.NoteOn(kA4, 100);
        v.Tick();
        return render(v, 4000);
    };
    EXPECT_EQ(take(0.75f), take(0.7f)); // Electro 1
    EXPECT_NE(take(0.65f), take(0.7f));
    EXPECT_EQ(take(0.95f), take(0.9f)); // Electro 3
    EXPECT_NE(take(0.85f), take(0.9f));
    EXPECT_EQ(take(0.35f), take(0.3f)); // Flute
    EXPECT_NE(take(0.25f), take(0.3f));
}

TEST(Voice, TuneZeroWritesNoStepsUntilTheNextNote)
{
    CVoice v;
    setUp(v, kPiano, kMiddle, 0.0f);
    v.NoteOn(kA4, 100);
    const std::vector<float> silent = render(v, 22050);
    for (float x : silent)
        ASSERT_TRUE(std::isfinite(x));
    for (size_t i = 4000; i < silent.size(); ++i)
        ASSERT_EQ(0.0f, silent[i]) << i;
    v.SetParameter(kTune, 0.5f);
    v.NoteOn(kA4, 100);
    EXPECT_NEAR(440.0015, frequencyOf(render(v, 44100), kRate), 0.5);
}

namespace {

// The edges of a very low note, one per level change: with a step every
// 674 samples the leak has emptied the output before the next change, so
// each change stands out as a spike of its own sign. Answers (sample, sign).
std::vector<std::pair<int, int>> edgeSpikes(const std::vector<float>& x, size_t from)
{
    float peak = 0.0f;
    for (size_t i = from; i < x.size(); ++i)
        peak = std::max(peak, std::fabs(x[i]));
    std::vector<std::pair<int, int>> spikes;
    for (size_t i = from + 1; i + 1 < x.size(); ++i) {
        const float a = std::fabs(x[i]);
        if (a > 0.5f * peak && a >= std::fabs(x[i - 1]) && a > std::fabs(x[i + 1]))
            spikes.emplace_back(static_cast<int>(i), x[i] > 0.0f ? 1 : -1);
    }
    return spikes;
}

} // namespace

// The seven waveform patterns as the ten sounds play them: which of the
// sixteen steps change the level, in which direction, and how long a step
// lasts (pattern scale). Up to where the free-running pattern stands when
// the note starts.
TEST(Voice, WaveformOfEverySound)
{
    using Pattern = std::array<int, 16>;
    const Pattern a = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, 0, 0, 0, 0};
    const Pattern b = {1, 0, 0, 0, -1, 0, 0, 0, 1, 0, 0, 0, -1, 0, 0, 0};
    const Pattern c = {1, 0, 0, 0, 0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 0, 0};
    const Pattern d = {1, -1, 0, 0, 0, 0, 0, 1, -1, 0, 0, 0, 0, 0, 0, 0};
    const Pattern e = {1, -1, 1, 0, 0, 0, -1, 0, 1, 0, -1, 0, 0, 0, 0, 0};
    const Pattern f = {1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const Pattern g = {1, 0, 0, 0, -1, 1, 0, 0, -1, 1, 0, -1, 1, -1, 1, -1};
    struct Sound {
        float value;
        const Pattern* pattern;
        double scale;
    };
    const Sound sounds[10] = {{0.05f, &a, 1.0}, {0.15f, &b, 1.0}, {0.25f, &g, 1.0}, {0.35f, &c, 1.0}, {0.45f, &d, 0.5},
                              {0.55f, &e, 0.5}, {0.65f, &f, 0.5}, {0.75f, &a, 1.0}, {0.85f, &b, 1.0}, {0.95f, &g, 1.0}};
    for (const Sound& sound : sounds) {
        // The level changes of one pass, once the level of the last pass holds.
        Pattern expected{};
        int level = -1;
        for (int pass = 0; pass < 2; ++pass) {
            for (int k = 0; k < 16; ++k) {
                const int s = (*sound.pattern)[static_cast<size_t>(k)];
                if (s != 0 && s != level) {
                    expected[static_cast<size_t>(k)] = pass == 1 ? s : 0;
                    level = s;
                }
            }
        }
        CVoice v;
        setUp(v, sound.value, kLow);
        v.NoteOn(0, 127);
        const std::vector<float> x = render(v, 70000);
        const std::vector<std::pair<int, int>> spikes = edgeSpikes(x, 2000);
        ASSERT_GE(spikes.size(), 4u) << sound.value;
        const double stepSamples = kRate / (16.0 * v.noteFrequency(0) * sound.scale * 0.5);
        Pattern seen{};
        for (const auto& spike : spikes) {
            const double steps = (spike.first - spikes[0].first) / stepSamples;
            ASSERT_NEAR(std::round(steps), steps, 0.02) << sound.value;
            const auto k = static_cast<size_t>(static_cast<long>(std::round(steps)) % 16);
            ASSERT_TRUE(seen[k] == 0 || seen[k] == spike.second) << sound.value;
            seen[k] = spike.second;
        }
        bool matches = false;
        for (size_t rotation = 0; rotation < 16 && !matches; ++rotation) {
            Pattern rotated{};
            for (size_t k = 0; k < 16; ++k)
                rotated[k] = expected[(k + rotation) % 16];
            matches = rotated == seen;
        }
        EXPECT_TRUE(matches) << "sound " << sound.value;
    }
}

// The vibrato swings the period by the same depth at every rate: about
// 0.64 % each way (0.00075 of the step length per clock, summed over the
// clocks of a sample, 8.5 clocks on average when a step fires).
TEST(Voice, VibratoDepth)
{
    for (const float value : {0.1f, 0.3f, 1.0f}) {
        CVoice v;
        setUp(v, kPiano, kMiddle);
        v.SetParameter(kVibrato, value);
        v.NoteOn(kA4, 100);
        const std::vector<float> x = render(v, static_cast<int>(4 * kRate));
        const std::vector<double> c = audiocheck::upCrossings(x, 0);
        // The swing of the period at the vibrato's own rate (a whole number
        // of its cycles), from one DFT bin.
        const double hz = 1.5 / value;
        double re = 0.0;
        double im = 0.0;
        double mean = 0.0;
        size_t n = 0;
        for (size_t i = 0; i + 1 < c.size() && c[i + 1] < 4.0 * kRate * std::floor(4.0 * hz) / (4.0 * hz); ++i, ++n)
            mean += c[i + 1] - c[i];
        mean /= static_cast<double>(n);
        for (size_t i = 0; i < n; ++i) {
            const double t = (c[i] + c[i + 1]) * 0.5 / kRate;
            re += (c[i + 1] - c[i] - mean) * std::cos(kTwoPi * hz * t);
            im += (c[i + 1] - c[i] - mean) * std::sin(kTwoPi * hz * t);
        }
        const double swing = 2.0 * std::sqrt(re * re + im * im) / static_cast<double>(n);
        EXPECT_NEAR(kRate / 440.0015, mean, 0.01) << value;
        EXPECT_NEAR(0.0064, swing / mean, 0.0002) << value;
    }
}

TEST(Voice, NotesAndReleases)
{
    CVoice v;
    setUp(v, kPiano, kMiddle);
    v.NoteOn(60, 100);
    v.NoteOn(64, 100);
    render(v, 100);
    EXPECT_EQ(CEnvelope::kAttack, v.Stage());
    render(v, 1000);
    EXPECT_EQ(CEnvelope::kSustain, v.Stage());
    // Any note-off releases, whatever note sounds.
    MidiMessage off = {};
    off.status = 0x80;
    off.data1 = 60;
    EXPECT_EQ(1, v.OnEvent(off));
    EXPECT_EQ(CEnvelope::kRelease, v.Stage());
    render(v, 44100);
    EXPECT_EQ(CEnvelope::kIdle, v.Stage());

    // Velocity 0 and the all-notes-off controllers release too.
    for (std::pair<int, int> release : {std::make_pair(0x90, 0), std::make_pair(0xB0, 123)}) {
        v.NoteOn(60, 100);
        render(v, 1000);
        MidiMessage e = {};
        e.status = static_cast<std::uint8_t>(release.first);
        e.data1 = static_cast<std::uint8_t>(release.first == 0x90 ? 60 : 123);
        e.data2 = static_cast<std::uint8_t>(release.second);
        v.OnEvent(e);
        EXPECT_EQ(CEnvelope::kRelease, v.Stage());
    }
    // Aftertouch is ignored; Silence stops at once.
    v.NoteOn(60, 100);
    MidiMessage touch = {};
    touch.status = 0xA0;
    v.OnEvent(touch);
    EXPECT_EQ(CEnvelope::kAttack, v.Stage());
    v.Silence();
    EXPECT_EQ(CEnvelope::kIdle, v.Stage());
}

namespace {

// Counts the samples of the attack of one note.
int attackLength(CVoice& v)
{
    v.NoteOn(kA4, 100);
    int samples = 0;
    while (v.Stage() == CEnvelope::kAttack && samples < 100000) {
        v.RenderSample(0.5f);
        if (++samples % 512 == 0) {
            float out[512];
            v.EndBlock(out, 512);
        }
    }
    v.Silence();
    return samples;
}

} // namespace

TEST(Voice, BeepVoiceSavesAndRestoresTheSettings)
{
    CVoice v;
    setUp(v, kPiano, kHigh);
    v.SetParameter(kAttack, 0.3f);
    // Attack row 3 reaches the top at call 3705; attack row 0 holds 18 ms.
    const int attack3 = 3706;
    // Before any beep the saved settings are the current ones.
    v.SetBeepVoice(0);
    EXPECT_EQ(attack3, attackLength(v));
    v.SetBeepVoice(1);
    EXPECT_EQ(793, attackLength(v));
    v.NoteOn(kA4, 100);
    EXPECT_NEAR(440.0, frequencyOf(render(v, 22050), kRate), 0.5);
    v.SetBeepVoice(0);
    EXPECT_EQ(attack3, attackLength(v));
    v.NoteOn(kA4, 100);
    EXPECT_NEAR(880.0, frequencyOf(render(v, 22050), kRate), 0.5);
    v.SetBeepVoice(2);
    EXPECT_EQ(attack3, attackLength(v));
}

namespace {

MidiMessage midi(int status, int data1, int data2)
{
    MidiMessage e = {};
    e.status = static_cast<std::uint8_t>(status);
    e.data1 = static_cast<std::uint8_t>(data1);
    e.data2 = static_cast<std::uint8_t>(data2);
    return e;
}

// Records what the voice reports to the instrument.
class RecordingVoiceHost : public CVoiceHost {
public:
    void showNote(int note) override { notes.push_back(note); }
    void keyChanged(int note, bool down) override { keys.emplace_back(note, down); }
    void programChange(int program) override { programs.push_back(program); }
    std::vector<int> notes;
    std::vector<std::pair<int, bool>> keys;
    std::vector<int> programs;
};

} // namespace

TEST(Voice, EventsReachTheOwner)
{
    CVoice v;
    RecordingVoiceHost host;
    CRhythmBox box;
    v.setHost(&host);
    v.setRhythmBox(&box);
    v.OnEvent(midi(0x90, 69, 100));
    v.OnEvent(midi(0x90, 72, 0));
    v.OnEvent(midi(0x80, 0x80 | 72, 0));
    v.OnEvent(midi(0xC0, 3, 0));
    v.OnEvent(midi(0xB0, 80, 4));
    v.OnEvent(midi(0xB0, 81, 0));
    using Keys = std::vector<std::pair<int, bool>>;
    EXPECT_EQ((Keys{{69, true}, {72, true}, {72, false}}), host.keys);
    EXPECT_EQ(std::vector<int>{69}, host.notes); // a velocity-0 note-on shows nothing
    EXPECT_EQ(std::vector<int>{3}, host.programs);
    EXPECT_EQ(4, box.patternNumber());
    EXPECT_TRUE(box.running());
    // The note-offs came during the attack: the release follows it.
    EXPECT_EQ(CEnvelope::kAttack, v.Stage());
    render(v, 1000);
    EXPECT_EQ(CEnvelope::kRelease, v.Stage());
}

TEST(Voice, EventsWithoutOwner)
{
    CVoice v;
    for (int status : {0x90, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0}) {
        for (int data1 : {69, 80, 81, 82, 86, 120})
            EXPECT_EQ(1, v.OnEvent(midi(status, data1, 1)));
    }
    EXPECT_EQ(CEnvelope::kAttack, v.Stage());
}

namespace {

// Renders a fixed note stream with the given block length.
std::vector<float> renderStream(int block)
{
    CVoice v;
    setUp(v, kElectro1, kMiddle);
    v.SetParameter(kVibrato, 0.3f);
    v.SetParameter(kTremolo, 0.2f);
    const int total = 3 * 44100;
    std::vector<float> out(static_cast<size_t>(total));
    int blockStart = 0;
    for (int i = 0; i < total; ++i) {
        switch (i) {
        case 100:
            v.NoteOn(69, 100);
            break;
        case 20000:
            v.NoteOn(86, 90);
            break;
        case 31000:
            v.SetParameter(kSound, kFantasy);
            break;
        case 40000:
            v.NoteOff();
            break;
        case 45000:
            v.NoteOn(28, 127);
            break;
        case 60000:
            v.SetParameter(kOctave, kHigh);
            break;
        case 80000:
            v.SetParameter(kTune, 0.83f);
            v.NoteOn(120, 70);
            break;
        case 100000:
            v.SetParameter(kSound, kHorn);
            v.SetParameter(kOctave, kLow);
            v.NoteOn(40, 100);
            break;
        default:
            break;
        }
        if (i % 331 == 0)
            v.Tick();
        v.RenderSample(0.4f);
        if (i + 1 - blockStart == block || i + 1 == total) {
            v.EndBlock(out.data() + blockStart, i + 1 - blockStart);
            blockStart = i + 1;
        }
    }
    return out;
}

} // namespace

TEST(Voice, OutputDoesNotDependOnBlockLength)
{
    const std::vector<float> reference = renderStream(4096);
    for (int block : {1, 63, 512, 4095})
        EXPECT_EQ(0u, audiocheck::countDifferences(reference, renderStream(block))) << "block " << block;
}

TEST(Voice, RenderingAllocatesNothing)
{
    CVoice v;
    setUp(v, kElectro1, kMiddle);
    float out[512];
    allocationcounter::start();
    static void* volatile probe = nullptr;
    probe = ::operator new(16);
    ::operator delete(probe);
    const int probeCount = allocationcounter::stop();
    allocationcounter::start();
    v.OnEvent(midi(0x90, 69, 100));
    v.SetParameter(kVibrato, 0.4f);
    v.SetParameter(kTremolo, 0.4f);
    for (int block = 0; block < 4; ++block) {
        for (int i = 0; i < 512; ++i)
            v.RenderSample(0.5f);
        v.Tick();
        v.EndBlock(out, 512);
    }
    v.OnEvent(midi(0x80, 69, 0));
    const int allocations = allocationcounter::stop();
    EXPECT_EQ(1, probeCount);
    EXPECT_EQ(0, allocations);
}
