// The LV2 front's cost against the VST 2 front's, on the same instrument
// holding the same chord (full sustain, so it sounds all along): what the LV2 front adds per sample (its port and
// event reading) shows as the difference.
#include "CLv2Plugin.h"
#include "CQuibo.h"
#include "CQuiboPlugin.h"
#include "PanelCodes.h"

#include <benchmark/benchmark.h>

#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kBlock = 512;
constexpr int kChord[] = {60, 64, 67};

// Time per sample, and the last block's peak, which shows the chord sounds.
void reportSamples(benchmark::State& state, const std::vector<float>& left)
{
    const double samples = static_cast<double>(kBlock) * static_cast<double>(state.iterations());
    state.counters["time/sample"] =
        benchmark::Counter(samples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    float peak = 0.0f;
    for (const float sample : left)
        peak = std::max(peak, std::fabs(sample));
    state.counters["peak"] = peak;
}

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

void Vst2HeldChord(benchmark::State& state)
{
    CQuiboPlugin plugin(hostCallback, std::make_unique<CQuibo>());
    plugin.setSampleRate(44100.0f);
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    plugin.processReplacing(nullptr, outputs, kBlock);
    plugin.setParameter(kParamSustainLevel, 1.0f);
    plugin.setParameter(kParamSustainTime, 1.0f);
    plugin.processReplacing(nullptr, outputs, kBlock);
    CInstrument& instrument = plugin.instrument();
    for (const int key : kChord)
        instrument.midiIn(0, 0x90, static_cast<std::uint8_t>(key), 100);
    for (auto _ : state) {
        plugin.processReplacing(nullptr, outputs, kBlock);
        benchmark::DoNotOptimize(left.data());
    }
    reportSamples(state, left);
}
BENCHMARK(Vst2HeldChord);

LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri)
{
    auto& ids = *static_cast<std::map<std::string, LV2_URID>*>(handle);
    return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
}

// The LV2 front with every port connected, an empty MIDI sequence and the
// control ports at their start-up values, as a host runs it.
void Lv2HeldChord(benchmark::State& state)
{
    std::map<std::string, LV2_URID> ids;
    LV2_URID_Map map{&ids, mapUri};
    const LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature* features[] = {&mapFeature, nullptr};
    CLv2Plugin* plugin = CLv2Plugin::create(std::make_unique<CQuibo>(), 44100.0, features);
    std::vector<float> left(kBlock), right(kBlock);
    LV2_Atom_Sequence sequence{{sizeof(LV2_Atom_Sequence_Body), mapUri(&ids, LV2_ATOM__Sequence)}, {0, 0}};
    float controls[kNumParams];
    for (int i = 0; i < kNumParams; ++i)
        controls[i] = plugin->instrument().getParameter(i);
    plugin->connectPort(lv2contract::kPortMidiIn, &sequence);
    plugin->connectPort(lv2contract::kPortVoice, left.data());
    plugin->connectPort(lv2contract::kPortRhythm, right.data());
    for (std::uint32_t i = 0; i < kNumParams; ++i)
        plugin->connectPort(lv2contract::kFirstParameterPort + i, &controls[i]);
    plugin->run(kBlock);
    controls[kParamSustainLevel] = 1.0f;
    controls[kParamSustainTime] = 1.0f;
    plugin->run(kBlock);
    for (const int key : kChord)
        plugin->instrument().midiIn(0, 0x90, static_cast<std::uint8_t>(key), 100);
    for (auto _ : state) {
        plugin->run(kBlock);
        benchmark::DoNotOptimize(left.data());
    }
    reportSamples(state, left);
    delete plugin;
}
BENCHMARK(Lv2HeldChord);

} // namespace
