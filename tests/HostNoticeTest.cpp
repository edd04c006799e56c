// The host hears of the values the instrument changes itself, through the
// built module as a host loads it: from the host's thread at its next request,
// never from processReplacing, only with audioMasterAutomate (no edit gesture
// a host would record), and not while the host's transport plays.
#include "LoadedPlugin.h"
#include "PanelCodes.h"

#include <gtest/gtest.h>

#include <dlfcn.h> // loads the module as a Linux host does

#include <functional>
#include <map>
#include <set>

namespace {

using testhost::hostCalls;
using testhost::LoadedPlugin;

constexpr VstInt32 kProgram = 0, kSound = 6, kAttack = 7, kTempo = 14;
constexpr VstInt32 kKeyTempoUp = 86, kKeyDemo = 90;

// One MIDI message at the start of a block, as a host list.
struct MidiMessage {
    VstMidiEvent event{};
    VstEvents list{};
    MidiMessage(int status, int data1)
    {
        event.type = kVstMidiType;
        event.byteSize = sizeof event;
        event.midiData[0] = static_cast<char>(status);
        event.midiData[1] = static_cast<char>(data1);
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<VstEvent*>(&event);
    }
};

std::map<VstInt32, float> values(LoadedPlugin& plugin)
{
    std::map<VstInt32, float> all;
    for (VstInt32 i = 0; i < kNumParams; ++i)
        all[i] = plugin.get(i);
    return all;
}

std::set<VstInt32> changedBetween(const std::map<VstInt32, float>& before, const std::map<VstInt32, float>& after)
{
    std::set<VstInt32> changed;
    for (const auto& [index, value] : after) {
        if (before.at(index) != value)
            changed.insert(index);
    }
    return changed;
}

// The parameters the host was told of, each with the last value it was told.
std::map<VstInt32, float> told()
{
    std::map<VstInt32, float> last;
    for (const auto& [index, value] : hostCalls.automated)
        last[index] = value;
    return last;
}

std::set<VstInt32> indexesOf(const std::map<VstInt32, float>& told)
{
    std::set<VstInt32> indexes;
    for (const auto& entry : told)
        indexes.insert(entry.first);
    return indexes;
}

// Renders until the Program value leaves its start (the demonstration melody's
// first program change), at most 30 seconds.
void renderUntilTheProgramChanges(LoadedPlugin& plugin)
{
    const float start = plugin.get(kProgram);
    for (int block = 0; block < 30 * 44100 / 512 && plugin.get(kProgram) == start; ++block)
        plugin.render(512);
}

// The plug-in has played a block with its start-up values (Play) and the host
// has asked for its program; what it has asked for so far is forgotten.
void prepare(LoadedPlugin& plugin)
{
    ASSERT_NE(nullptr, plugin.effect);
    plugin.render(512);
    plugin.call(effGetProgram);
    hostCalls = {};
}

class HostNotice : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(prepare(plugin)); }

    LoadedPlugin plugin;
};

struct OwnChange {
    const char* what;
    std::function<void(LoadedPlugin&)> make;
    VstInt32 mustInclude; // a parameter the change certainly moves
};

// Whatever the instrument changes itself, the host is told of exactly the
// parameters that changed, each with its value, at its next request.
TEST_F(HostNotice, TheHostIsToldOfEveryValueTheInstrumentChangedItself)
{
    const OwnChange changes[] = {
        {"MIDI program change to Violin",
         [](LoadedPlugin& p) {
             MidiMessage pc(0xC0, 2);
             p.render(512, &pc.list);
         },
         kProgram},
        {"MIDI program change to Guitar",
         [](LoadedPlugin& p) {
             MidiMessage pc(0xC0, 4);
             p.render(512, &pc.list);
         },
         kProgram},
        {"the demonstration melody",
         [](LoadedPlugin& p) {
             p.set(kKeyDemo, 1.0f);
             renderUntilTheProgramChanges(p);
         },
         kProgram},
        {"the Tempo up key",
         [](LoadedPlugin& p) {
             p.set(kKeyTempoUp, 1.0f);
             p.render(512);
         },
         kTempo},
    };
    for (const OwnChange& change : changes) {
        SCOPED_TRACE(change.what);
        LoadedPlugin own;
        ASSERT_NO_FATAL_FAILURE(prepare(own));
        const std::map<VstInt32, float> before = values(own);
        change.make(own);
        const std::set<VstInt32> changed = changedBetween(before, values(own));
        ASSERT_EQ(1u, changed.count(change.mustInclude));
        EXPECT_TRUE(hostCalls.automated.empty()) << "told before the host asked anything";

        own.call(effEditIdle);
        EXPECT_EQ(changed, indexesOf(told()));
        for (const auto& [index, value] : told())
            EXPECT_EQ(own.get(index), value) << "parameter " << index;
        own.call(effEditIdle);
        EXPECT_EQ(changed.size(), hostCalls.automated.size()) << "told twice";
        EXPECT_EQ(0, hostCalls.edits);
        EXPECT_EQ(0, hostCalls.callsInProcess);
    }
}

// Whichever request of its own thread comes first tells the host: the idle
// call the plug-in asks for, the editor's idle, a save (a host that gives no
// idle without the editor makes no other request before it) or the text of
// a generic control.
TEST_F(HostNotice, AnyRequestFromTheHostsThreadTellsIt)
{
    struct Request {
        const char* what;
        VstInt32 opcode;
    };
    const Request requests[] = {
        {"effIdle", effIdle},
        {"effEditIdle", effEditIdle},
        {"effGetChunk", effGetChunk},
        {"effGetParamDisplay", effGetParamDisplay},
    };
    for (const Request& request : requests) {
        SCOPED_TRACE(request.what);
        LoadedPlugin own;
        ASSERT_NO_FATAL_FAILURE(prepare(own));
        MidiMessage violin(0xC0, 2);
        own.render(512, &violin.list);
        ASSERT_TRUE(hostCalls.automated.empty());
        void* chunk = nullptr;
        char text[64] = {};
        own.call(request.opcode, 0, 0, request.opcode == effGetChunk ? static_cast<void*>(&chunk) : text);
        EXPECT_FLOAT_EQ(0.4f, told()[kProgram]);
        EXPECT_EQ(own.get(kSound), told()[kSound]);
    }
}

// The host knows what it sent itself; it hears only of what followed from it.
TEST_F(HostNotice, AValueTheHostSentIsNotToldBack)
{
    plugin.set(kProgram, 0.4f);
    plugin.render(512);
    plugin.call(effEditIdle);
    const std::set<VstInt32> sounds = indexesOf(told());
    EXPECT_EQ(0u, sounds.count(kProgram));
    EXPECT_EQ(1u, sounds.count(kSound)) << "Violin's sound was not told";

    hostCalls = {};
    plugin.set(kAttack, 0.5f);
    plugin.render(512);
    plugin.call(effEditIdle);
    EXPECT_TRUE(hostCalls.automated.empty());
}

// A host writing automation records what its controls hold while its
// transport plays; the host is told once the transport has stopped, and not
// from its audio thread's effProcessEvents.
TEST_F(HostNotice, NoticesWaitWhileTheTransportPlays)
{
    hostCalls.transportPlaying = true;
    MidiMessage programChange(0xC0, 3);
    plugin.render(512, &programChange.list);
    plugin.call(effEditIdle);
    void* chunk = nullptr;
    plugin.call(effGetChunk, 0, 0, &chunk);
    EXPECT_TRUE(hostCalls.automated.empty());

    hostCalls.transportPlaying = false;
    plugin.call(effProcessEvents, 0, 0, &programChange.list);
    EXPECT_TRUE(hostCalls.automated.empty());
    plugin.call(effEditIdle);
    EXPECT_FLOAT_EQ(0.6f, told()[kProgram]);
}

} // namespace
