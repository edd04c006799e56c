// Renders through the whole instrument against golden renders kept in
// tests/data/golden, made by the code before its vibrato oscillator was
// computed in closed form.
//
// - sound-N.f32: the left output of sound N (0..9) held as A4 for 2 s with
//   Vibrato 0.3 and Tremolo 0.4 (float32, 44100 Hz). A render must keep the
//   mean pitch within 0.01 %, the vibrato's and the tremolo's rate and depth
//   within 1 %, the level of every 12 ms envelope step within 0.1 dB, and its
//   long-term spectrum: the RMS of the difference of the two magnitude
//   spectra 40 dB below the spectrum's.
// - demo-levels.f32 and demo-spectra.f32: the demonstration melody, whose
//   programs turn the vibrato on and off: the level of every 12 ms window of
//   the whole melody in dB, and the magnitude spectrum of every second.
// - hashes.txt: the renders no modulation reaches (the sounds without
//   modulation, two programs, a rhythm, the melody's rhythm part), which
//   stay bit-identical: a hash of their samples.
//
// Why not the difference of the waveforms: the working step length restarts
// at every sample and grows with the vibrato clock by clock, so a step that
// fires one clock later (or at the first clock of the next sample instead of
// the last of this one) runs a different length. Where an edge time lies
// within rounding of a clock, any change of the arithmetic moves it, and the
// phase of the wave then wanders by up to a few samples within seconds. The
// old code itself does so when built with fused multiply-adds or with the
// vibrato's coefficient one unit in the last place away: its own waveforms
// then differ by -15 to -23 dB. Pitch, modulation, levels and spectrum stay.
//
// Setting ZINTRA_WRITE_GOLDEN (formerly QUIBO_WRITE_GOLDEN, still read) to a
// folder writes the golden files there instead of comparing.
#include "RenderMeasures.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace audiocheck;

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
constexpr int kA4 = 69;
constexpr double kA4Hz = 440.0015;
// The envelope's output moves every 531 samples from the start of a stage.
constexpr int kEnvelopeStep = 531;
constexpr int kSoundFrames = 2 * 44100;
// Note-off on the envelope's grid, 1.6 s after the note-on at sample 0.
constexpr int kNoteOff = 133 * kEnvelopeStep;
constexpr int kDemoFrames = 76 * 44100;
constexpr int kSecond = 44100;
// The held part of a sound, after its attack and before its release.
constexpr size_t kHeldFrom = 17640;
constexpr size_t kHeldTo = 68000;

using Settings = std::vector<std::pair<VstInt32, float>>;

struct Midi {
    int time;
    int status, data1, data2;
};

struct Render {
    std::vector<float> left, right;
};

// Applies the start-up values in a first short block, then the settings
// (parameters and panel keys) and renders frames samples in 512-frame blocks
// with the MIDI events at their samples.
Render render(const Settings& settings, const std::vector<Midi>& events, int frames)
{
    testhost::Instance instance;
    CQuiboPlugin& q = *instance.plugin;
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    q.processReplacing(nullptr, outputs, 64);
    for (const auto& setting : settings)
        q.setParameter(setting.first, setting.second);
    Render out;
    for (int start = 0; start < frames; start += kBlock) {
        const int n = std::min(kBlock, frames - start);
        for (const Midi& e : events) {
            if (e.time >= start && e.time < start + n)
                testhost::sendMidi(q, e.time - start, e.status, e.data1, e.data2);
        }
        q.processReplacing(nullptr, outputs, n);
        out.left.insert(out.left.end(), left.begin(), left.begin() + n);
        out.right.insert(out.right.end(), right.begin(), right.begin() + n);
    }
    return out;
}

// Tempo -9: the Electro sounds switch octaves every 185 ms.
Settings soundSettings(int sound, float vibrato, float tremolo)
{
    return {{kParamSound, static_cast<float>(sound) / 10.0f + 0.05f},
            {kParamAttack, 0.3f},
            {kParamDecay, 0.0f},
            {kParamSustainLevel, 0.9f},
            {kParamSustainTime, 0.9f},
            {kParamRelease, 0.3f},
            {kParamVibrato, vibrato},
            {kParamTremolo, tremolo},
            {kParamTempo, 0.0f}};
}

const std::vector<Midi> kHeldA4 = {{0, 0x90, kA4, 100}, {kNoteOff, 0x80, kA4, 0}};

Render modulatedSound(int sound)
{
    return render(soundSettings(sound, 0.3f, 0.4f), kHeldA4, kSoundFrames);
}

Render demo()
{
    return render({{KeyDemo, 1.0f}}, {}, kDemoFrames);
}

uint64_t hashOf(const Render& r)
{
    return hashSamples(r.right, hashSamples(r.left));
}

// Hashes of the renders that no modulation reaches, by name; "demo-right" is
// the rhythm part of the demonstration melody.
std::map<std::string, uint64_t> unmodulatedHashes()
{
    std::map<std::string, Render> renders;
    for (int sound = 0; sound < 10; ++sound)
        renders["sound-" + std::to_string(sound) + "-plain"] =
            render(soundSettings(sound, 0.0f, 0.0f), kHeldA4, kSoundFrames);
    const std::vector<Midi> twoNotes = {
        {0, 0x90, kA4, 100}, {44100, 0x90, 76, 90}, {52920, 0x80, kA4, 0}, {70000, 0x80, 76, 0}};
    renders["program-piano"] = render({{kParamProgram, 0.0f}}, twoNotes, kSoundFrames);
    renders["program-guitar"] = render({{kParamProgram, 0.8f}}, twoNotes, kSoundFrames);
    renders["rhythm-3"] = render({}, {{0, 0xB0, 80, 3}, {0, 0xB0, 81, 0}}, 4 * 44100);
    std::map<std::string, uint64_t> hashes;
    for (const auto& r : renders) {
        EXPECT_GT(rmsOf(r.second.left, 0, r.second.left.size()) + rmsOf(r.second.right, 0, r.second.right.size()), 0.01)
            << r.first;
        hashes[r.first] = hashOf(r.second);
    }
    hashes["demo-right"] = hashSamples(demo().right);
    return hashes;
}

// --- golden files ---------------------------------------------------------

const char* writeFolder()
{
    const char* folder = std::getenv("ZINTRA_WRITE_GOLDEN");
    if (folder == nullptr)
        folder = std::getenv("QUIBO_WRITE_GOLDEN");
    return folder != nullptr && *folder != '\0' ? folder : nullptr;
}

std::string goldenPath(const std::string& name)
{
    if (const char* folder = writeFolder())
        return std::string(folder) + "/" + name;
    return std::string(QUIBO_TEST_DATA_DIR) + "/golden/" + name;
}

std::vector<float> readFloats(const std::string& name)
{
    std::vector<float> values;
    if (std::FILE* file = std::fopen(goldenPath(name).c_str(), "rb")) {
        float buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, sizeof(float), 4096, file)) > 0)
            values.insert(values.end(), buffer, buffer + n);
        std::fclose(file);
    }
    return values;
}

void writeFloats(const std::string& name, const std::vector<float>& values)
{
    std::FILE* file = std::fopen(goldenPath(name).c_str(), "wb");
    ASSERT_NE(nullptr, file) << goldenPath(name);
    EXPECT_EQ(values.size(), std::fwrite(values.data(), sizeof(float), values.size(), file));
    std::fclose(file);
}

std::map<std::string, uint64_t> readHashes()
{
    std::map<std::string, uint64_t> hashes;
    if (std::FILE* file = std::fopen(goldenPath("hashes.txt").c_str(), "r")) {
        char name[64];
        uint64_t hash;
        while (std::fscanf(file, "%63s %" SCNx64, name, &hash) == 2)
            hashes[name] = hash;
        std::fclose(file);
    }
    return hashes;
}

// --- measures -------------------------------------------------------------

struct SoundMeasures {
    double pitch = 0.0;
    Modulation vibrato, tremolo;
};

// The lowest harmonic of each sound: A4 for patterns that pass once per
// period, twice A4 for the one with two cycles per pass (Fantasy, Electro 2),
// half A4 for the sounds whose pass lasts two periods (Guitar 1, 2, Horn).
constexpr double kCarriers[10] = {1, 2, 1, 1, 0.5, 0.5, 0.5, 1, 2, 1};
// The Electro sounds alternate with the octave below every eight tempo ticks.
bool alternates(int sound)
{
    return sound >= 7;
}

// Moving averages one period of half A4 long null every harmonic of every sound.
constexpr size_t kBox = 200;
// Half the width of the stretch around an octave switch that is left out.
constexpr size_t kSwitchMargin = 450;

// The pitch (Hz), vibrato and tremolo of a sound held as A4, from its lowest
// harmonic. For an Electro sound the harmonic an octave lower carries the
// pitch in the low stretches; the stretches around the switches are bridged.
SoundMeasures measureSound(const std::vector<float>& x, int sound)
{
    const double carrier = kA4Hz * kCarriers[sound];
    const Demodulation high = demodulate(x, kHeldFrom, kHeldTo, carrier, kRate, kBox);
    std::vector<double> relative = relativeFrequency(high);
    std::vector<double> magnitude(high.magnitude.begin() + 1, high.magnitude.end());
    if (alternates(sound)) {
        const Demodulation low = demodulate(x, kHeldFrom, kHeldTo, carrier / 2.0, kRate, kBox);
        const std::vector<double> lowRelative = relativeFrequency(low);
        std::vector<bool> isLow(relative.size());
        double sum[2] = {0.0, 0.0};
        double count[2] = {0.0, 0.0};
        for (size_t i = 0; i < relative.size(); ++i) {
            // In the high stretches the lower harmonic is absent.
            isLow[i] = low.magnitude[i + 1] > 0.2 * magnitude[i];
            if (isLow[i]) {
                relative[i] = lowRelative[i];
                magnitude[i] = low.magnitude[i + 1];
            }
            sum[isLow[i]] += magnitude[i];
            count[isLow[i]] += 1.0;
        }
        std::vector<bool> valid(relative.size(), true);
        for (size_t i = 0; i < relative.size(); ++i) {
            magnitude[i] /= sum[isLow[i]] / count[isLow[i]];
            if (i > 0 && isLow[i] != isLow[i - 1]) {
                for (size_t j = i > kSwitchMargin ? i - kSwitchMargin : 0; j < i + kSwitchMargin && j < valid.size();
                     ++j)
                    valid[j] = false;
            }
        }
        fillGaps(relative, valid);
        fillGaps(magnitude, valid);
    }
    SoundMeasures m;
    double mean = 0.0;
    for (double r : relative)
        mean += r;
    m.pitch = carrier * mean / static_cast<double>(relative.size());
    m.vibrato = modulationOf(movingAverage(relative, 441), kRate);
    m.tremolo = modulationOf(movingAverage(magnitude, 441), kRate);
    return m;
}

// The levels of the windows inside the sounding stretches of the golden
// render (the window and both its neighbours above floorDb below the loudest)
// within 0.1 dB of the golden levels. A window where a note starts out of
// silence holds only the note's first waves, whose level depends on the
// phase the free-running oscillator has at the note-on.
void expectLevels(const std::vector<float>& golden, const std::vector<float>& levels, double floorDb,
                  const std::string& what)
{
    ASSERT_EQ(golden.size(), levels.size()) << what;
    const float floor = *std::max_element(golden.begin(), golden.end()) - static_cast<float>(floorDb);
    int compared = 0;
    for (size_t i = 1; i + 1 < golden.size(); ++i) {
        if (golden[i - 1] < floor || golden[i] < floor || golden[i + 1] < floor)
            continue;
        ++compared;
        EXPECT_NEAR(golden[i], levels[i], 0.1) << what << " window " << i;
    }
    EXPECT_GT(compared, 0) << what;
}

double relative(double value, double reference)
{
    return std::fabs(value / reference - 1.0);
}

} // namespace

TEST(GoldenRender, UnmodulatedRendersStayBitIdentical)
{
    const std::map<std::string, uint64_t> hashes = unmodulatedHashes();
    if (writeFolder() != nullptr) {
        std::FILE* file = std::fopen(goldenPath("hashes.txt").c_str(), "w");
        ASSERT_NE(nullptr, file);
        for (const auto& h : hashes)
            std::fprintf(file, "%s %016" PRIx64 "\n", h.first.c_str(), h.second);
        std::fclose(file);
        return;
    }
    std::map<std::string, uint64_t> golden = readHashes();
    EXPECT_EQ(golden.size(), hashes.size());
    for (const auto& h : hashes)
        EXPECT_EQ(golden[h.first], h.second) << h.first;
}

TEST(GoldenRender, ModulatedSoundsKeepPitchModulationAndLevels)
{
    for (int sound = 0; sound < 10; ++sound) {
        const std::string name = "sound-" + std::to_string(sound) + ".f32";
        const Render r = modulatedSound(sound);
        EXPECT_EQ(0.0, rmsOf(r.right, 0, r.right.size())) << name;
        if (writeFolder() != nullptr) {
            writeFloats(name, r.left);
            continue;
        }
        const std::vector<float> golden = readFloats(name);
        ASSERT_EQ(golden.size(), r.left.size()) << name;

        EXPECT_LT(
            spectrumDifferenceDb(averageSpectrum(r.left, 0, r.left.size()), averageSpectrum(golden, 0, golden.size())),
            -40.0)
            << name;
        expectLevels(windowLevelsDb(golden, 0, kEnvelopeStep), windowLevelsDb(r.left, 0, kEnvelopeStep), 60.0, name);

        const SoundMeasures expected = measureSound(golden, sound);
        const SoundMeasures measured = measureSound(r.left, sound);
        // The golden render has the modulation the settings ask for:
        // vibrato 15 / 3 Hz, tremolo 35 / 4 Hz.
        EXPECT_NEAR(5.0, expected.vibrato.rate, 0.15) << name;
        EXPECT_NEAR(8.75, expected.tremolo.rate, 0.25) << name;
        EXPECT_GT(expected.vibrato.depth, 0.002) << name;
        EXPECT_GT(expected.tremolo.depth, 0.05) << name;

        EXPECT_LT(relative(measured.pitch, expected.pitch), 1e-4) << name;
        EXPECT_LT(relative(measured.vibrato.rate, expected.vibrato.rate), 0.01) << name;
        EXPECT_LT(relative(measured.vibrato.depth, expected.vibrato.depth), 0.01) << name;
        EXPECT_LT(relative(measured.tremolo.rate, expected.tremolo.rate), 0.01) << name;
        EXPECT_LT(relative(measured.tremolo.depth, expected.tremolo.depth), 0.01) << name;
    }
}

// The magnitude spectrum of every second of the left output, one after another.
std::vector<float> spectraBySecond(const std::vector<float>& x)
{
    std::vector<float> spectra;
    for (size_t start = 0; start + kSecond <= x.size(); start += kSecond) {
        const std::vector<float> spectrum = averageSpectrum(x, start, start + kSecond);
        spectra.insert(spectra.end(), spectrum.begin(), spectrum.end());
    }
    return spectra;
}

// The magnitude spectrum of the power mean of the spectra of [start, end),
// which hold bins values each.
std::vector<float> powerMean(const std::vector<float>& spectra, size_t start, size_t end, size_t bins)
{
    std::vector<float> mean(bins);
    const double count = static_cast<double>((end - start) / bins);
    for (size_t k = 0; k < bins; ++k) {
        double power = 0.0;
        for (size_t at = start + k; at < end; at += bins)
            power += static_cast<double>(spectra[at]) * static_cast<double>(spectra[at]);
        mean[k] = static_cast<float>(std::sqrt(power / count));
    }
    return mean;
}

TEST(GoldenRender, DemonstrationKeepsItsLevelsAndSpectrum)
{
    const Render r = demo();
    const std::vector<float> levels = windowLevelsDb(r.left, 0, kEnvelopeStep);
    const std::vector<float> spectra = spectraBySecond(r.left);
    if (writeFolder() != nullptr) {
        writeFloats("demo-levels.f32", levels);
        writeFloats("demo-spectra.f32", spectra);
        return;
    }
    expectLevels(readFloats("demo-levels.f32"), levels, 50.0, "demo");
    // Each second's spectrum varies with the phases the notes start in; eight
    // seconds together hold enough notes that the spectrum is the sound's.
    const std::vector<float> golden = readFloats("demo-spectra.f32");
    ASSERT_EQ(golden.size(), spectra.size());
    const size_t bins = spectra.size() / (r.left.size() / kSecond);
    const size_t group = 8 * bins;
    int compared = 0;
    for (size_t start = 0; start < golden.size(); start += group) {
        const size_t end = std::min(start + group, golden.size());
        const std::vector<float> expected = powerMean(golden, start, end, bins);
        const std::vector<float> measured = powerMean(spectra, start, end, bins);
        if (*std::max_element(expected.begin(), expected.end()) < 1e-3f)
            continue;
        ++compared;
        EXPECT_LT(spectrumDifferenceDb(measured, expected), -40.0) << "from second " << start / bins;
    }
    EXPECT_GE(compared, 9);
    // The rhythm box does not hear the voice's modulation.
    EXPECT_EQ(readHashes()["demo-right"], hashSamples(r.right));
}
