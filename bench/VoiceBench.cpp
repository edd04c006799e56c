#include "CLfo.h"
#include "CQuibo.h"
#include "CQuiboPlugin.h"
#include "CVoice.h"
#include "PanelCodes.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>
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

// A plug-in in Play after its first block, with the given parameters applied.
struct PlayingPlugin {
    std::unique_ptr<CQuibo> made = std::make_unique<CQuibo>();
    CQuibo& quibo = *made;
    CQuiboPlugin plugin{hostCallback, std::move(made)};
    std::vector<float> left = std::vector<float>(kBlock);
    std::vector<float> right = std::vector<float>(kBlock);
    float* outputs[2] = {left.data(), right.data()};

    explicit PlayingPlugin(std::initializer_list<std::pair<int, float>> settings)
    {
        plugin.processReplacing(nullptr, outputs, kBlock);
        for (const auto& setting : settings)
            plugin.setParameter(setting.first, setting.second);
        plugin.processReplacing(nullptr, outputs, kBlock);
    }
    void noteOn(int note)
    {
        VstMidiEvent event = {};
        event.type = kVstMidiType;
        event.byteSize = sizeof event;
        event.midiData[0] = static_cast<char>(0x90);
        event.midiData[1] = static_cast<char>(note);
        event.midiData[2] = 100;
        VstEvents events = {};
        events.numEvents = 1;
        events.events[0] = reinterpret_cast<VstEvent*>(&event);
        plugin.processEvents(&events);
    }
    void run(benchmark::State& state)
    {
        for (auto _ : state) {
            plugin.processReplacing(nullptr, outputs, kBlock);
            benchmark::DoNotOptimize(left.data());
            benchmark::DoNotOptimize(right.data());
        }
        float peak = 0.0f;
        for (float x : left)
            peak = std::max(peak, std::fabs(x));
        state.counters["peak"] = peak;
        state.counters["stage"] = quibo.voice().Stage();
        reportSamples(state, kBlock);
    }
};

// The whole plug-in in Play with a held note, per 512-frame block: the first
// program (Piano) with its sustain held.
void PluginBlock(benchmark::State& state)
{
    PlayingPlugin p({{kParamSustainLevel, 1.0f}, {kParamSustainTime, 1.0f}});
    p.noteOn(69);
    p.run(state);
}
BENCHMARK(PluginBlock);

// Sound range(0) held as A4 through the whole plug-in (Play, 512-frame blocks,
// the tempo clock running), with Vibrato 0.3 and Tremolo 0.4 when range(1) is
// 1, without modulation when it is 0.
void PluginHeldSound(benchmark::State& state)
{
    const float modulation = state.range(1) != 0 ? 1.0f : 0.0f;
    PlayingPlugin p({{kParamSound, static_cast<float>(state.range(0)) / 10.0f + 0.05f},
                     {kParamAttack, 0.0f},
                     {kParamDecay, 0.0f},
                     {kParamSustainLevel, 1.0f},
                     {kParamSustainTime, 1.0f},
                     {kParamVibrato, 0.3f * modulation},
                     {kParamTremolo, 0.4f * modulation}});
    p.noteOn(69);
    p.run(state);
}
BENCHMARK(PluginHeldSound)->ArgsProduct({benchmark::CreateDenseRange(0, 9, 1), {1, 0}})->ArgNames({"sound", "mod"});

// Program range(0) (Piano, Fantasy, Violin, Flute, Guitar) with its own
// sound and modulation, A4 held (its sustain set to hold).
void PluginHeldProgram(benchmark::State& state)
{
    PlayingPlugin p({{kParamProgram, static_cast<float>(state.range(0)) * 0.2f}});
    p.plugin.setParameter(kParamSustainLevel, 1.0f);
    p.plugin.setParameter(kParamSustainTime, 1.0f);
    p.noteOn(69);
    p.run(state);
}
BENCHMARK(PluginHeldProgram)->DenseRange(0, 4)->ArgName("program");

// Play with no note and the rhythm off.
void PluginSilence(benchmark::State& state)
{
    PlayingPlugin p({});
    p.run(state);
}
BENCHMARK(PluginSilence);

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
