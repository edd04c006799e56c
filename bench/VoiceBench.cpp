#include "CLfo.h"
#include "CQuiboPlugin.h"
#include "CVoice.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kBlock = 512;
constexpr double kRate = 44100.0;

// Time per sample and the real-time factor at 44100 Hz, from samples rendered.
void reportSamples(benchmark::State& state, double samplesPerIteration)
{
    const double samples = samplesPerIteration * static_cast<double>(state.iterations());
    state.counters["time/sample"] =
        benchmark::Counter(samples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime_x"] = benchmark::Counter(samples / kRate, benchmark::Counter::kIsRate);
}

// The voice holding A4 with sound range(0) / 10, modulation on when range(1).
void VoicePerSample(benchmark::State& state)
{
    CVoice voice;
    voice.SetParameter(6, static_cast<float>(state.range(0)) / 10.0f + 0.05f);
    voice.SetParameter(4, 0.5f);
    voice.SetParameter(5, 0.5f);
    voice.SetParameter(9, 1.0f);
    voice.SetParameter(10, 1.0f);
    const float modulation = state.range(1) != 0 ? 0.3f : 0.0f;
    voice.SetParameter(12, modulation);
    voice.SetParameter(13, modulation);
    voice.NoteOn(69, 100);
    std::vector<float> out(kBlock);
    for (auto _ : state) {
        for (int i = 0; i < kBlock; ++i)
            voice.RenderSample(0.4f);
        voice.EndBlock(out.data(), kBlock);
        benchmark::DoNotOptimize(out.data());
    }
    reportSamples(state, kBlock);
}
BENCHMARK(VoicePerSample)->ArgsProduct({benchmark::CreateDenseRange(0, 9, 1), {0, 1}})->ArgNames({"sound", "mod"});

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == 1 ? 1 : 0; // audioMasterVersion
}

// The whole plug-in in Play with a held note, per 512-frame block.
void PluginBlock(benchmark::State& state)
{
    CQuiboPlugin plugin(hostCallback);
    std::vector<float> left(kBlock);
    std::vector<float> right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    // The first block applies the defaults and the first program; then a
    // held sustain so that the note sounds for the whole run.
    plugin.processReplacing(nullptr, outputs, kBlock);
    plugin.setParameter(9, 1.0f);
    plugin.setParameter(10, 1.0f);
    VstMidiEvent note = {};
    note.type = kVstMidiType;
    note.byteSize = sizeof note;
    note.midiData[0] = static_cast<char>(0x90);
    note.midiData[1] = 69;
    note.midiData[2] = 100;
    VstEvents events = {};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<VstEvent*>(&note);
    plugin.processEvents(&events);
    for (auto _ : state) {
        plugin.processReplacing(nullptr, outputs, kBlock);
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
    }
    float peak = 0.0f;
    for (float x : left)
        peak = std::max(peak, std::fabs(x));
    state.counters["peak"] = peak;
    state.counters["stage"] = plugin.voice().Stage();
    reportSamples(state, kBlock);
}
BENCHMARK(PluginBlock);

// The floor of the per-sample cost: the vibrato oscillator's 16 steps.
void VibratoStepsPerSample(benchmark::State& state)
{
    CLfo vibrato(16.0f, 0.0f);
    vibrato.SetFrequency(5.0f);
    vibrato.running = true;
    for (auto _ : state) {
        float sum = 0.0f;
        for (int i = 0; i < kBlock * 16; ++i)
            sum += vibrato.Next();
        benchmark::DoNotOptimize(sum);
    }
    reportSamples(state, kBlock);
}
BENCHMARK(VibratoStepsPerSample);

} // namespace
