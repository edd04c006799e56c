// The voice through the whole instrument: host block lengths and the tempo
// clock's Electro alternation, heard at the plug-in's left output.
#include "SignalAnalysis.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

using audiocheck::countDifferences;
using audiocheck::upCrossings;

constexpr double kRate = 44100.0;
constexpr int kA4 = 69;
constexpr float kElectro1 = 0.75f;

MidiMessage midi(int status, int data1, int data2)
{
    return {static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1), static_cast<std::uint8_t>(data2)};
}

// Renders a note stream through the whole instrument in host blocks of the
// given length; one short block first applies the default parameters.
std::vector<float> renderInstrument(int hostBlock, int total)
{
    struct Timed {
        int time;
        MidiMessage event;
    };
    const std::vector<Timed> script = {
        {100, midi(0x90, 69, 100)},   {30000, midi(0x90, 76, 90)},   {50000, midi(0xC0, 1, 0)},
        {70001, midi(0x90, 57, 110)}, {100000, midi(0x80, 57, 0)},   {110000, midi(0x90, 93, 60)},
        {150000, midi(0xB0, 123, 0)}, {160000, midi(0x90, 45, 127)},
    };
    CQuibo q;
    std::vector<float> left(static_cast<size_t>(hostBlock));
    std::vector<float> right(static_cast<size_t>(hostBlock));
    float* outputs[2] = {left.data(), right.data()};
    q.render(outputs[0], outputs[1], 64);
    std::vector<float> stream;
    for (int start = 0; start < total; start += hostBlock) {
        const int n = std::min(hostBlock, total - start);
        for (const Timed& t : script) {
            if (t.time >= start && t.time < start + n) {
                q.midiIn(t.time - start, t.event.status, t.event.data1, t.event.data2);
            }
        }
        q.render(outputs[0], outputs[1], n);
        stream.insert(stream.end(), left.begin(), left.begin() + n);
    }
    return stream;
}

} // namespace

TEST(InstrumentVoice, InstrumentOutputDoesNotDependOnHostBlockLength)
{
    const int total = 3 * 65536;
    const std::vector<float> reference = renderInstrument(512, total);
    float peak = 0.0f;
    for (float x : reference)
        peak = std::max(peak, std::fabs(x));
    EXPECT_GT(peak, 0.01f);
    for (int block : {11070, 20000, 65536})
        EXPECT_EQ(0u, countDifferences(reference, renderInstrument(block, total))) << "block " << block;
}

// The Electro sounds through the whole plug-in: the tempo clock's ticks
// switch the pitch every eight ticks, between the note and one octave below
// in the Middle octave, and two octaves above in the Low one.
TEST(InstrumentVoice, ElectroAlternatesWithTheTempoClockThroughThePlugin)
{
    struct Case {
        float octave, tempo;
        double first, second; // Hz
        double tickSeconds;
    };
    for (const Case c : {Case{0.51f, 0.725f, 440.0, 220.0, 0.0104}, Case{0.0f, 1.0f, 220.0, 880.0, 0.0055}}) {
        CQuibo q;
        std::vector<float> left(512);
        std::vector<float> right(512);
        float* outputs[2] = {left.data(), right.data()};
        q.render(outputs[0], outputs[1], 64);
        const std::pair<VstInt32, float> settings[] = {
            {kParamSound, kElectro1},  {kParamOctave, c.octave}, {kParamTempo, c.tempo},
            {kParamAttack, 0.0f},      {kParamDecay, 0.0f},      {kParamSustainLevel, 1.0f},
            {kParamSustainTime, 1.0f}, {kParamVibrato, 0.0f},    {kParamTremolo, 0.0f}};
        for (const auto& setting : settings)
            q.setParameter(setting.first, setting.second);
        q.render(outputs[0], outputs[1], 64);
        q.midiIn(0, 0x90, kA4, 100);
        std::vector<float> stream;
        for (int block = 0; block < 3 * 44100 / 512; ++block) {
            q.render(outputs[0], outputs[1], 512);
            stream.insert(stream.end(), left.begin(), left.end());
        }
        // Classify each period by pitch; the pitch switches between periods.
        const std::vector<double> crossings = upCrossings(stream, 2000);
        std::vector<double> switches;
        int pitch = 0;
        int unclassified = 0;
        for (size_t i = 0; i + 1 < crossings.size(); ++i) {
            const double hz = kRate / (crossings[i + 1] - crossings[i]);
            const int now = std::fabs(hz / c.first - 1.0) < 0.02 ? 1 : std::fabs(hz / c.second - 1.0) < 0.02 ? 2 : 0;
            unclassified += now == 0 ? 1 : 0;
            if (now != 0 && pitch != 0 && now != pitch)
                switches.push_back(crossings[i]);
            pitch = now != 0 ? now : pitch;
        }
        const double interval = 8.0 * c.tickSeconds * kRate;
        ASSERT_GE(switches.size(), 10u) << c.octave;
        EXPECT_LE(unclassified, static_cast<int>(switches.size())) << c.octave;
        for (size_t i = 1; i < switches.size(); ++i)
            EXPECT_NEAR(interval, switches[i] - switches[i - 1], 1.5 * kRate / std::min(c.first, c.second))
                << c.octave << " switch " << i;
        const double average = (switches.back() - switches.front()) / static_cast<double>(switches.size() - 1);
        EXPECT_NEAR(interval, average, 0.002 * interval) << c.octave;
    }
}
