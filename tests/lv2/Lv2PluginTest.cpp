// The LV2 plug-in in a host on Debian's lilv: it sounds sample for sample as
// the VST 2 plug-in does, keeps what the instrument changed itself, saves
// and restores its whole state, selects each program from its preset, and
// survives hostile values, events and states.
#include "AllocationCounter.h"
#include "Lv2TestHost.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using lv2host::Instance;

struct Midi {
    int frame;
    std::uint8_t status, data1, data2;
};

// Notes, a program change, a Volume move (frame, value) and a tail.
const std::vector<Midi> kSong = {
    {0, 0x90, 60, 100},     {9000, 0x80, 60, 0},  {9500, 0x90, 64, 90}, {15000, 0xC0, 2, 0},
    {16000, 0x90, 67, 110}, {26000, 0x80, 64, 0}, {26001, 0x80, 67, 0}, {30000, 0x90, 48, 100},
    {30000, 0x90, 55, 100}, {42000, 0x80, 48, 0}, {42000, 0x80, 55, 0},
};
constexpr int kSongFrames = 48000;
constexpr int kVolumeFrame = 20000;
constexpr float kVolumeValue = 0.5f;

// Block lengths, cycled until the song ends.
std::vector<int> blocksOf(const std::vector<int>& cycle)
{
    std::vector<int> blocks;
    for (int done = 0, i = 0; done < kSongFrames; ++i) {
        const int length = std::min(cycle[static_cast<size_t>(i) % cycle.size()], kSongFrames - done);
        blocks.push_back(length);
        done += length;
    }
    return blocks;
}

struct Render {
    std::vector<float> left, right;
};

// The song through the LV2 plug-in: each block's events at their offsets,
// the Volume port moved in the block that holds kVolumeFrame.
Render renderLv2(Instance& instance, const std::vector<int>& blocks)
{
    Render out;
    int start = 0;
    for (const int length : blocks) {
        for (const Midi& m : kSong) {
            if (m.frame >= start && m.frame < start + length)
                instance.midi(m.frame - start, m.status, m.data1, m.data2);
        }
        if (kVolumeFrame >= start && kVolumeFrame < start + length)
            instance.controls[kParamVolume] = kVolumeValue;
        instance.run(static_cast<std::uint32_t>(length));
        out.left.insert(out.left.end(), instance.left, instance.left + length);
        out.right.insert(out.right.end(), instance.right, instance.right + length);
        start += length;
    }
    return out;
}

// The same song through a VST 2 plug-in, block by block alike.
Render playSong(testhost::Instance& vst, const std::vector<int>& blocks)
{
    Render out;
    int start = 0;
    for (const int length : blocks) {
        for (const Midi& m : kSong) {
            if (m.frame >= start && m.frame < start + length)
                testhost::sendMidi(*vst.plugin, m.frame - start, m.status, m.data1, m.data2);
        }
        if (kVolumeFrame >= start && kVolumeFrame < start + length)
            vst.plugin->setParameter(kParamVolume, kVolumeValue);
        vst.process(length);
        out.left.insert(out.left.end(), vst.left.begin(), vst.left.begin() + length);
        out.right.insert(out.right.end(), vst.right.begin(), vst.right.begin() + length);
        start += length;
    }
    return out;
}

Render renderVst2(float rate, const std::vector<int>& blocks)
{
    testhost::Instance vst;
    vst.plugin->setSampleRate(rate);
    vst.plugin->resume();
    return playSong(vst, blocks);
}

// The first sample where two renders differ; -1: identical.
long firstDifference(const Render& a, const Render& b)
{
    if (a.left.size() != b.left.size())
        return 0;
    for (size_t i = 0; i < a.left.size(); ++i) {
        if (a.left[i] != b.left[i] || a.right[i] != b.right[i])
            return static_cast<long>(i);
    }
    return -1;
}

bool soundsAndIsFinite(const Render& render)
{
    float peak = 0.0f;
    for (size_t i = 0; i < render.left.size(); ++i) {
        if (!std::isfinite(render.left[i]) || !std::isfinite(render.right[i]))
            return false;
        peak = std::max(peak, std::fabs(render.left[i]));
    }
    return peak > 0.01f;
}

std::vector<std::uint8_t> bankOf(CInstrument& instrument)
{
    const void* bytes = nullptr;
    const std::int32_t size = instrument.getChunk(&bytes, false);
    const auto* first = static_cast<const std::uint8_t*>(bytes);
    return std::vector<std::uint8_t>(first, first + std::max(size, 0));
}

class Lv2Plugin : public ::testing::Test {
protected:
    lv2host::World world;
};

TEST_F(Lv2Plugin, LilvFindsThePluginWithItsPortsPresetsAndUi)
{
    ASSERT_NE(nullptr, world.plugin());
    EXPECT_EQ(static_cast<std::uint32_t>(lv2contract::kPortCount), lilv_plugin_get_num_ports(world.plugin()));
    LilvUIs* uis = lilv_plugin_get_uis(world.plugin());
    EXPECT_EQ(1u, lilv_uis_size(uis));
    lilv_uis_free(uis);
}

// Left and right sample-identical to the VST 2 render, at both rates, for
// fixed and changing block lengths.
TEST_F(Lv2Plugin, RendersAsTheVst2PluginForEveryBlockLength)
{
    const std::vector<std::vector<int>> cycles = {{1}, {64}, {4096}, {1, 4096, 17, 512, 3, 1000, 2048, 63}};
    for (const double rate : {44100.0, 48000.0}) {
        for (const auto& cycle : cycles) {
            const std::vector<int> blocks = blocksOf(cycle);
            Instance instance(world, rate);
            ASSERT_NE(nullptr, instance.lilv());
            const Render lv2 = renderLv2(instance, blocks);
            const Render vst2 = renderVst2(static_cast<float>(rate), blocks);
            ASSERT_TRUE(soundsAndIsFinite(vst2));
            EXPECT_EQ(-1, firstDifference(lv2, vst2)) << rate << " Hz, first block " << cycle[0];
        }
    }
}

// Refused: no urid:map, or a rate the instrument refuses.
TEST_F(Lv2Plugin, InstantiationRefusesWhatItCannotRunWith)
{
    const LV2_Feature* none[] = {nullptr};
    EXPECT_EQ(nullptr, lilv_plugin_instantiate(world.plugin(), 48000.0, none));
    for (const double rate : {0.0, -44100.0, 10.0, 2.0e6, std::numeric_limits<double>::quiet_NaN()}) {
        LilvInstance* refused = lilv_plugin_instantiate(world.plugin(), rate, world.features());
        EXPECT_EQ(nullptr, refused) << rate;
        if (refused != nullptr)
            lilv_instance_free(refused);
    }
}

// The edge-triggered port reading, case by case: what the instrument
// changed itself stays until the host moves the port.
TEST_F(Lv2Plugin, PortsApplyOnlyWhenTheHostMovesThem)
{
    struct Case {
        const char* what;
        int index;
        // Done before the checked runs; answers the value expected after them.
        float (*act)(Instance&);
    };
    const Case cases[] = {
        {"a host move reaches the instrument", kParamVolume,
         [](Instance& i) { return i.controls[kParamVolume] = 0.25f; }},
        {"a program change by MIDI is not undone by the old port value", kParamProgram,
         [](Instance& i) {
             i.midi(0, 0xC0, 3, 0);
             return 0.6f;
         }},
        {"a value the UI set is not undone by the old port value", kParamTempo,
         [](Instance& i) {
             i.instrument().setParameter(kParamTempo, 0.9f);
             return 0.9f;
         }},
        {"the UI's echo of the instrument's value changes nothing", kParamSound,
         [](Instance& i) {
             i.instrument().setParameter(kParamSound, 0.5f);
             i.run(16);
             i.controls[kParamSound] = 0.5f;
             return 0.5f;
         }},
        {"a value above 1 is clamped", kParamBalance,
         [](Instance& i) { return i.controls[kParamBalance] = 7.0f, 1.0f; }},
        {"a value below 0 is clamped", kParamBalance,
         [](Instance& i) { return i.controls[kParamBalance] = -3.0f, 0.0f; }},
        {"NaN is ignored", kParamVolume,
         [](Instance& i) { return i.controls[kParamVolume] = std::numeric_limits<float>::quiet_NaN(), 0.8f; }},
    };
    for (const Case& c : cases) {
        Instance instance(world, 44100.0);
        instance.run(64);
        const float expected = c.act(instance);
        for (int run = 0; run < 3; ++run)
            instance.run(64);
        EXPECT_FLOAT_EQ(expected, instance.instrument().getParameter(c.index)) << c.what;
    }
}

// A state saved after edits and a recorded melody, restored through lilv
// into a fresh instance: the same bank (program name, values and melody), kept by the old port
// values, and the same sound as the VST 2 plug-in given that bank. (The
// edited instance itself is no reference: a bank restore does not carry
// every engine state, in either front.)
TEST_F(Lv2Plugin, StateRestoredIntoAFreshInstanceKeepsTheBankAndSound)
{
    Instance edited(world, 44100.0);
    edited.controls[kParamVolume] = 0.3f;
    edited.controls[kParamSound] = 0.44444445f;
    edited.controls[kParamTempo] = 0.9f;
    edited.run(64);
    edited.midi(0, 0xC0, 4, 0);
    edited.run(64);
    edited.instrument().setProgramName("My own tune");
    edited.instrument().setParameter(kParamDecay, 0.75f);
    edited.run(64);
    const std::vector<std::uint8_t> unrecorded = bankOf(edited.instrument());
    // A melody recorded: Mode to Rec, three notes, back to Play.
    edited.controls[kParamMode] = 0.33333334f;
    edited.run(64);
    for (const std::uint8_t key : {60, 64, 67}) {
        edited.midi(0, 0x90, key, 100);
        edited.run(2048);
        edited.midi(0, 0x80, key, 0);
        edited.run(2048);
    }
    edited.controls[kParamMode] = 0.0f;
    edited.run(64);
    LilvState* state = edited.saveState();
    ASSERT_NE(nullptr, state);
    const std::vector<std::uint8_t> bank = bankOf(edited.instrument());
    EXPECT_NE(unrecorded, bank) << "no melody recorded";

    Instance restored(world, 44100.0);
    restored.restoreState(state);
    lilv_state_free(state);
    restored.run(0);
    restored.run(64);
    EXPECT_EQ(bank, bankOf(restored.instrument()));
    char name[CInstrument::kTextSize] = {};
    restored.instrument().getProgramName(name);
    EXPECT_STREQ("My own tune", name);

    testhost::Instance vst;
    vst.process(0);
    ASSERT_EQ(1,
              vst.plugin->setChunk(const_cast<std::uint8_t*>(bank.data()), static_cast<VstInt32>(bank.size()), false));
    vst.process(64);
    const std::vector<int> blocks = blocksOf({512});
    Render lv2 = renderLv2(restored, blocks);
    const Render reference = playSong(vst, blocks);
    EXPECT_TRUE(soundsAndIsFinite(lv2));
    EXPECT_EQ(-1, firstDifference(lv2, reference));
}

// Each preset, applied through lilv with a port-value setter, selects the
// program whose name it carries.
TEST_F(Lv2Plugin, EachPresetSelectsItsProgram)
{
    LilvNode* presetClass = lilv_new_uri(world.world(), LV2_PRESETS__Preset);
    LilvNodes* presets = lilv_plugin_get_related(world.plugin(), presetClass);
    EXPECT_EQ(static_cast<unsigned>(CInstrument::kProgramCount), lilv_nodes_size(presets));
    std::vector<int> selected;
    LILV_FOREACH(nodes, i, presets)
    {
        const LilvNode* preset = lilv_nodes_get(presets, i);
        lilv_world_load_resource(world.world(), preset);
        LilvState* state = lilv_state_new_from_world(world.world(), world.urids().feature(), preset);
        ASSERT_NE(nullptr, state);
        Instance instance(world, 48000.0);
        instance.run(64);
        instance.midi(0, 0xC0, 5, 0);
        instance.run(64);
        ASSERT_EQ(5, instance.instrument().getProgram());
        instance.restoreState(state);
        instance.run(64);
        const std::string label = lilv_state_get_label(state);
        const int program = instance.instrument().getProgram();
        EXPECT_EQ(label, instance.instrument().factoryProgramName(program)) << label;
        selected.push_back(program);
        lilv_state_free(state);
    }
    lilv_nodes_free(presets);
    lilv_node_free(presetClass);
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5}), selected);
}

// Hostile values and events: no crash, no NaN in the output.
TEST_F(Lv2Plugin, HostileValuesAndEventsGiveFiniteOutput)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {nan, inf, -inf, -1.0f, 2.0f, 1.0e30f, -0.0f};
    Instance instance(world, 44100.0);
    for (const float value : values) {
        std::fill(std::begin(instance.controls), std::end(instance.controls), value);
        instance.controls[kParamMode] = 0.0f;
        instance.midi(0, 0x90, 60, 100);
        instance.midi(1000000, 0x90, 64, 100);
        instance.midi(std::numeric_limits<std::int64_t>::max(), 0x90, 67, 100);
        instance.midi(-5, 0x90, 72, 100);
        instance.run(0);
        instance.run(4096);
        for (std::uint32_t i = 0; i < Instance::kMaxFrames; ++i) {
            ASSERT_TRUE(std::isfinite(instance.left[i]) && std::isfinite(instance.right[i])) << value << " " << i;
        }
    }
}

// Events timed after the block's end play at its last frame, as the VST 2
// plug-in plays an event there.
TEST_F(Lv2Plugin, EventsPastTheBlockPlayAtItsLastFrame)
{
    Instance instance(world, 44100.0);
    testhost::Instance vst;
    vst.plugin->setSampleRate(44100.0f);
    instance.run(64);
    vst.process(64);
    instance.midi(100, 0x90, 69, 100);
    testhost::sendMidi(*vst.plugin, 63, 0x90, 69, 100);
    bool sounds = false;
    for (int block = 0; block < 4; ++block) {
        instance.run(64);
        vst.process(64);
        EXPECT_TRUE(std::equal(instance.left, instance.left + 64, vst.left.begin())) << block;
        sounds = sounds || std::any_of(instance.left, instance.left + 64, [](float s) { return s != 0.0f; });
    }
    EXPECT_TRUE(sounds);
}

// Hostile hosts. A feature entry without a URI is passed over (the
// plug-in still finds urid:map after it, or refuses without one).
TEST_F(Lv2Plugin, AFeatureWithoutAUriIsPassedOver)
{
    const LV2_Feature nameless{nullptr, nullptr};
    const LV2_Feature map{LV2_URID__map, world.urids().feature()};
    const LV2_Feature* withMap[] = {&nameless, &map, nullptr};
    LilvInstance* instance = lilv_plugin_instantiate(world.plugin(), 44100.0, withMap);
    EXPECT_NE(nullptr, instance);
    if (instance != nullptr)
        lilv_instance_free(instance);
    const LV2_Feature* withoutMap[] = {&nameless, nullptr};
    EXPECT_EQ(nullptr, lilv_plugin_instantiate(world.plugin(), 44100.0, withoutMap));
}

// A sequence timed in beats has no frames: its events play at the block's
// start (a note-off read as a frame time would come 2^62 frames late and the
// note hang), as the VST 2 plug-in plays them at offset 0.
TEST_F(Lv2Plugin, ASequenceInBeatsPlaysAtTheBlocksStart)
{
    Instance instance(world, 44100.0);
    testhost::Instance vst;
    vst.plugin->setSampleRate(44100.0f);
    const struct {
        double beats;
        std::uint8_t status;
    } steps[] = {{0.75, 0x90}, {1.5, 0x80}};
    for (const auto& step : steps) {
        instance.midiInBeats(step.beats, step.status, 69, step.status == 0x90 ? 100 : 0);
        testhost::sendMidi(*vst.plugin, 0, step.status, 69, step.status == 0x90 ? 100 : 0);
        // Long enough for the release to go on as the VST 2 plug-in's.
        for (int block = 0; block < 200; ++block) {
            instance.run(64);
            vst.process(64);
            ASSERT_TRUE(std::equal(instance.left, instance.left + 64, vst.left.begin())) << step.beats << " " << block;
        }
    }
}

// A flood of events stamped far after the block (more than the instrument's
// queue holds) never silences a note sent "now": neither one after the
// flood in the same sequence nor one in the next block.
TEST_F(Lv2Plugin, AFloodOfLateEventsNeverSilencesANoteSentNow)
{
    for (const bool sameBlock : {true, false}) {
        Instance instance(world, 44100.0);
        testhost::Instance vst;
        vst.plugin->setSampleRate(44100.0f);
        instance.run(64);
        vst.process(64);
        for (int i = 0; i < 600; ++i)
            instance.midi(1000000 + i, 0x80, 30, 0);
        if (!sameBlock) {
            instance.run(64);
            vst.process(64);
        }
        instance.midi(0, 0x90, 69, 100);
        testhost::sendMidi(*vst.plugin, 0, 0x90, 69, 100);
        instance.run(64);
        vst.process(64);
        // The flood lands on the last frame of its block.
        EXPECT_TRUE(std::equal(instance.left, instance.left + 63, vst.left.begin())) << sameBlock;
        EXPECT_TRUE(std::any_of(instance.left, instance.left + 63, [](float s) { return s != 0.0f; })) << sameBlock;
    }
}

TEST_F(Lv2Plugin, TransportFollowsTheTimePositionSpeed)
{
    Instance instance(world, 44100.0);
    EXPECT_FALSE(instance.front().transportRuns());
    instance.position(1.0f);
    instance.run(16);
    EXPECT_TRUE(instance.front().transportRuns());
    instance.position(0.0f);
    instance.run(16);
    EXPECT_FALSE(instance.front().transportRuns());
}

// A retrieve callback that answers one property of the test's choosing.
struct Stored {
    std::vector<std::uint8_t> bytes;
    std::uint32_t type;
    bool present;
};

const void* retrieveStored(LV2_State_Handle handle, std::uint32_t, size_t* size, std::uint32_t* type,
                           std::uint32_t* flags)
{
    const auto& stored = *static_cast<const Stored*>(handle);
    if (!stored.present)
        return nullptr;
    *size = stored.bytes.size();
    *type = stored.type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    static const std::uint8_t kNothing = 0;
    return stored.bytes.empty() ? &kNothing : stored.bytes.data();
}

// A damaged, truncated, foreign or missing state is refused with an error
// and changes nothing.
TEST_F(Lv2Plugin, RefusedStatesChangeNothing)
{
    Instance source(world, 44100.0);
    source.instrument().setProgramName("Kept");
    source.run(16);
    const std::vector<std::uint8_t> bank = bankOf(source.instrument());
    ASSERT_GT(bank.size(), 16u);
    const std::uint32_t chunk = world.urids().map(LV2_ATOM__Chunk);
    std::vector<std::uint8_t> later = bank;
    later[0] = static_cast<std::uint8_t>(later[0] + 1); // the version marker, little-endian
    const struct {
        const char* what;
        Stored stored;
    } cases[] = {
        {"truncated", {std::vector<std::uint8_t>(bank.begin(), bank.begin() + 16), chunk, true}},
        {"empty", {{}, chunk, true}},
        {"from a later version", {later, chunk, true}},
        {"of another type", {bank, world.urids().map(LV2_ATOM__String), true}},
    };
    for (const auto& c : cases) {
        Instance instance(world, 44100.0);
        instance.run(16);
        const std::vector<std::uint8_t> before = bankOf(instance.instrument());
        const LV2_State_Interface* state = instance.stateInterface();
        ASSERT_NE(nullptr, state);
        Stored stored = c.stored;
        EXPECT_NE(LV2_STATE_SUCCESS, state->restore(lilv_instance_get_handle(instance.lilv()), retrieveStored, &stored,
                                                    0, world.features()))
            << c.what;
        instance.run(64);
        EXPECT_EQ(before, bankOf(instance.instrument())) << c.what;
        EXPECT_TRUE(std::all_of(instance.left, instance.left + 64, [](float s) { return std::isfinite(s); }));
    }
    // No bank at all is a preset's state (port values only): nothing to refuse.
    Instance missing(world, 44100.0);
    Stored none{{}, chunk, false};
    const std::vector<std::uint8_t> before = bankOf(missing.instrument());
    EXPECT_EQ(LV2_STATE_SUCCESS, missing.stateInterface()->restore(lilv_instance_get_handle(missing.lilv()),
                                                                   retrieveStored, &none, 0, world.features()));
    EXPECT_EQ(before, bankOf(missing.instrument()));

    Instance instance(world, 44100.0);
    Stored whole{bank, chunk, true};
    EXPECT_EQ(LV2_STATE_SUCCESS, instance.stateInterface()->restore(lilv_instance_get_handle(instance.lilv()),
                                                                    retrieveStored, &whole, 0, world.features()));
    EXPECT_EQ(bank, bankOf(instance.instrument()));
}

// run() allocates nothing, whatever it is handed; instantiation (counted
// the same way) shows that the count sees the plug-in's allocations.
TEST_F(Lv2Plugin, RunAllocatesNothing)
{
    allocationcounter::start();
    Instance instance(world, 44100.0);
    EXPECT_GT(allocationcounter::stop(), 0);
    instance.run(64);
    allocationcounter::start();
    for (const std::uint32_t frames : {0u, 1u, 4096u, 33u, 700u}) {
        instance.midi(0, 0x90, 60, 100);
        instance.midi(frames + 10, 0x80, 60, 0);
        instance.midi(0, 0xC0, 2, 0);
        instance.position(1.0f);
        instance.controls[kParamVolume] = frames / 4096.0f;
        instance.controls[kParamProgram] = 0.4f;
        instance.run(frames);
    }
    EXPECT_EQ(0, allocationcounter::stop());
}

} // namespace
