// What a host saves comes back: through the built module, as a host uses it,
// a project saved and reloaded plays and reports what the musician made.
#include "LoadedPlugin.h"

#include "ByteOrder.h"

#include <gtest/gtest.h>

#include <dlfcn.h> // loads the module as a Linux host does

#include <cstring>

namespace {

using testhost::LoadedPlugin;
using testhost::NoteOn;

constexpr VstInt32 kProgram = 0, kMode = 1, kVolume = 2, kBalance = 3, kOctave = 4, kTune = 5, kSound = 6;
constexpr VstInt32 kAttack = 7, kDecay = 8, kVibrato = 12, kTremolo = 13, kTempo = 14;
constexpr size_t kFixedImage = 2988;

// Fantasy with a slower attack and no vibrato, as a musician edits it.
void editFantasy(LoadedPlugin& plugin)
{
    plugin.render(64);
    plugin.call(effSetProgram, 0, 1);
    plugin.set(kAttack, 0.5f);
    plugin.set(kVibrato, 0.0f);
    plugin.render(64);
}

TEST(HostRestore, SoundEditsAfterAProgramSurviveABankSaveAndLoad)
{
    LoadedPlugin source;
    ASSERT_NE(nullptr, source.effect);
    editFantasy(source);
    source.call(effSetProgramName, 0, 0, const_cast<char*>("Slow fantasy"));
    const std::vector<unsigned char> bank = source.chunk();

    LoadedPlugin restored;
    EXPECT_EQ(1, restored.load(bank));
    EXPECT_EQ(1, restored.call(effGetProgram));
    EXPECT_FLOAT_EQ(0.5f, restored.get(kAttack));
    EXPECT_FLOAT_EQ(0.0f, restored.get(kVibrato));
    char name[32] = {};
    restored.call(effGetProgramNameIndexed, 1, 0, name);
    EXPECT_STREQ("Slow fantasy", name);

    // It plays as the source did, and still after the first block. (MIDI in
    // the very first block meets the panel still Off, so a block runs first.)
    NoteOn note(60);
    source.render(64);
    restored.render(3 * 64); // as many frames as the source ran
    EXPECT_EQ(source.render(8192, &note.list), restored.render(8192, &note.list));
    EXPECT_FLOAT_EQ(0.5f, restored.get(kAttack));
    EXPECT_FLOAT_EQ(0.0f, restored.get(kVibrato));
}

// Whatever the host calls last wins, whether or not a block runs between.
TEST(HostRestore, ParametersSetRightAfterAChunkKeepTheHostsValues)
{
    LoadedPlugin source;
    editFantasy(source);
    const std::vector<unsigned char> bank = source.chunk();

    LoadedPlugin restored;
    restored.render(64);
    restored.load(bank);
    restored.set(kAttack, 0.9f);
    restored.set(kDecay, 0.2f);
    restored.set(kTremolo, 0.4f);
    restored.set(kVolume, 0.6f);
    restored.render(64);
    EXPECT_FLOAT_EQ(0.9f, restored.get(kAttack));
    EXPECT_FLOAT_EQ(0.2f, restored.get(kDecay));
    EXPECT_FLOAT_EQ(0.4f, restored.get(kTremolo));
    EXPECT_FLOAT_EQ(0.6f, restored.get(kVolume));
    EXPECT_EQ(1, restored.call(effGetProgram));

    // A program change and a sound edit in one block: the edit stays.
    restored.set(kProgram, 0.4f);
    restored.set(kAttack, 0.1f);
    restored.render(64);
    EXPECT_EQ(2, restored.call(effGetProgram));
    EXPECT_FLOAT_EQ(0.1f, restored.get(kAttack));
    EXPECT_FLOAT_EQ(0.3f, restored.get(kVibrato)); // the program's own value

    // A chunk after the edits wins over them.
    restored.set(kAttack, 0.7f);
    restored.load(bank);
    restored.render(64);
    EXPECT_FLOAT_EQ(0.5f, restored.get(kAttack));
}

TEST(HostRestore, ValuesAndChunkBeforeTheFirstBlockAreTheStartupValues)
{
    LoadedPlugin fresh;
    EXPECT_FLOAT_EQ(0.8f, fresh.get(kVolume));
    EXPECT_FLOAT_EQ(0.5f, fresh.get(kBalance));
    EXPECT_FLOAT_EQ(0.51f, fresh.get(kOctave));
    EXPECT_FLOAT_EQ(0.5f, fresh.get(kTune));
    EXPECT_FLOAT_EQ(0.725f, fresh.get(kTempo));
    EXPECT_FLOAT_EQ(0.0f, fresh.get(kSound));
    EXPECT_FLOAT_EQ(0.4f, fresh.get(kDecay)); // Piano's
    char text[32] = {};
    fresh.call(effGetParamDisplay, kOctave, 0, text);
    EXPECT_STREQ("Middle", text);
    const std::vector<unsigned char> early = fresh.chunk();

    LoadedPlugin reloaded;
    EXPECT_EQ(1, reloaded.load(early));
    reloaded.render(64);
    NoteOn note(69);
    const std::vector<float> left = reloaded.render(22050, &note.list);
    EXPECT_GT(testhost::rms(left), 0.05);
    EXPECT_FLOAT_EQ(0.8f, reloaded.get(kVolume));
    EXPECT_FLOAT_EQ(0.0f, reloaded.get(kMode));
}

// Every kind of damage after the fixed image leaves the fixed image loading
// alone, exactly as a bank saved before the extension existed.
TEST(HostRestore, DamagedExtensionsAreIgnored)
{
    LoadedPlugin source;
    editFantasy(source);
    const std::vector<unsigned char> bank = source.chunk();
    ASSERT_GT(bank.size(), kFixedImage + 16);
    const std::vector<unsigned char> fixedOnly(bank.begin(), bank.begin() + kFixedImage);

    std::vector<std::vector<unsigned char>> damaged;
    damaged.push_back(bank);
    damaged.back()[kFixedImage + 100] ^= 0x40; // a payload byte: the checksum fails
    damaged.push_back(bank);
    damaged.back().pop_back(); // truncated
    damaged.push_back(bank);
    byteorder::putInt32(damaged.back().data() + kFixedImage + 4, 2); // a later version
    damaged.push_back(bank);
    damaged.back()[kFixedImage] = 'X'; // the marker
    damaged.push_back(bank);
    byteorder::putInt32(damaged.back().data() + kFixedImage + 8, 12); // the length
    damaged.push_back(bank);
    damaged.back().resize(bank.size() + 7, 0); // bytes after it

    LoadedPlugin reference;
    reference.render(64);
    EXPECT_EQ(1, reference.load(fixedOnly));
    reference.render(64);
    EXPECT_FLOAT_EQ(0.0f, reference.get(kAttack)); // Fantasy as built in
    EXPECT_FLOAT_EQ(0.3f, reference.get(kVibrato));
    for (size_t i = 0; i < damaged.size(); ++i) {
        LoadedPlugin restored;
        restored.render(64);
        EXPECT_EQ(1, restored.load(damaged[i])) << i;
        restored.render(64);
        for (VstInt32 p = 0; p < 15; ++p)
            EXPECT_EQ(reference.get(p), restored.get(p)) << "case " << i << " parameter " << p;
        const std::vector<unsigned char> saved = restored.chunk();
        EXPECT_TRUE(std::equal(saved.begin(), saved.begin() + kFixedImage, reference.chunk().begin()));
    }
}

// Each resume also asks for idle calls outside the editor, the host thread's
// moment to hear of the instrument's own changes where no editor is open.
TEST(HostRestore, MidiAndIdleCallsAreRequestedOncePerResume)
{
    LoadedPlugin plugin;
    testhost::hostCalls = {};
    plugin.call(effMainsChanged, 0, 1);
    plugin.render(64);
    plugin.set(kMode, 0.5f); // Rec
    plugin.render(64);
    plugin.set(kMode, 0.0f); // Play
    plugin.render(64);
    EXPECT_EQ(1, testhost::hostCalls.wantMidi);
    EXPECT_EQ(1, testhost::hostCalls.needIdle);
    plugin.call(effMainsChanged, 0, 0);
    plugin.call(effMainsChanged, 0, 1);
    EXPECT_EQ(2, testhost::hostCalls.wantMidi);
    EXPECT_EQ(2, testhost::hostCalls.needIdle);
    EXPECT_EQ(0, testhost::hostCalls.callsInProcess);
}

} // namespace
