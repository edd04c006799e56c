#pragma once
// A small LV2 host on Debian's lilv for tests: it loads the built bundle
// from its folder (lilv reads the Turtle), maps URIs, instantiates the
// plug-in, feeds MIDI as an atom sequence and control values through the
// ports, and saves and restores state through lilv.

#include "CInstrument.h"
#include "Lv2Contract.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace lv2host {

// URIs to numbers, as a host's urid:map.
class UridMap {
public:
    LV2_URID map(const char* uri)
    {
        const auto found = m_ids.find(uri);
        if (found != m_ids.end())
            return found->second;
        const LV2_URID id = static_cast<LV2_URID>(m_ids.size() + 1);
        m_ids.emplace(uri, id);
        return id;
    }
    LV2_URID_Map* feature() { return &m_map; }

private:
    static LV2_URID callback(LV2_URID_Map_Handle handle, const char* uri)
    {
        return static_cast<UridMap*>(handle)->map(uri);
    }
    std::map<std::string, LV2_URID> m_ids;
    LV2_URID_Map m_map{this, callback};
};

// The lilv world with the bundle loaded and the plug-in found.
class World {
public:
    World()
    {
        m_world = lilv_world_new();
        LilvNode* bundle = lilv_new_file_uri(m_world, nullptr, ZINTRA_LV2_BUNDLE "/");
        lilv_world_load_bundle(m_world, bundle);
        lilv_node_free(bundle);
        LilvNode* uri = lilv_new_uri(m_world, lv2contract::kPluginUri);
        m_plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(m_world), uri);
        lilv_node_free(uri);
    }
    ~World() { lilv_world_free(m_world); }
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    LilvWorld* world() { return m_world; }
    const LilvPlugin* plugin() { return m_plugin; }
    UridMap& urids() { return m_urids; }
    const LV2_Feature* const* features() { return m_features; }

private:
    LilvWorld* m_world = nullptr;
    const LilvPlugin* m_plugin = nullptr;
    UridMap m_urids;
    LV2_Feature m_mapFeature{LV2_URID__map, m_urids.feature()};
    const LV2_Feature* m_features[2] = {&m_mapFeature, nullptr};
};

// One plug-in instance with its port buffers: the MIDI sequence, the two
// outputs of up to kMaxFrames and the fifteen control values, which start
// at the ports' defaults.
class Instance {
public:
    static constexpr std::uint32_t kMaxFrames = 4096;

    Instance(World& world, double rate)
        : m_world(world)
    {
        UridMap& urids = world.urids();
        m_midiEvent = urids.map(LV2_MIDI__MidiEvent);
        m_object = urids.map(LV2_ATOM__Object);
        m_float = urids.map(LV2_ATOM__Float);
        m_sequenceType = urids.map(LV2_ATOM__Sequence);
        m_beatTime = urids.map(LV2_ATOM__beatTime);
        m_timePosition = urids.map(LV2_TIME__Position);
        m_timeSpeed = urids.map(LV2_TIME__speed);
        m_instance = lilv_plugin_instantiate(world.plugin(), rate, world.features());
        m_sequence.resize(4096);
        clearEvents();
        std::vector<float> defaults(lilv_plugin_get_num_ports(world.plugin()));
        lilv_plugin_get_port_ranges_float(world.plugin(), nullptr, nullptr, defaults.data());
        for (int i = 0; i < kNumParams; ++i)
            controls[i] = defaults[lv2contract::kFirstParameterPort + static_cast<size_t>(i)];
        if (m_instance == nullptr)
            return;
        lilv_instance_connect_port(m_instance, lv2contract::kPortMidiIn, m_sequence.data());
        lilv_instance_connect_port(m_instance, lv2contract::kPortVoice, left);
        lilv_instance_connect_port(m_instance, lv2contract::kPortRhythm, right);
        for (std::uint32_t i = 0; i < kNumParams; ++i)
            lilv_instance_connect_port(m_instance, lv2contract::kFirstParameterPort + i, &controls[i]);
        lilv_instance_activate(m_instance);
    }
    ~Instance()
    {
        if (m_instance != nullptr) {
            lilv_instance_deactivate(m_instance);
            lilv_instance_free(m_instance);
        }
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    LilvInstance* lilv() { return m_instance; }
    // The instance as the UI reaches it (instance-access).
    CLv2Instance& front() { return *static_cast<CLv2Instance*>(lilv_instance_get_handle(m_instance)); }
    CInstrument& instrument() { return front().instrument(); }

    // A MIDI message frame samples into the next run.
    void midi(std::int64_t frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
    {
        const std::uint8_t bytes[3] = {status, data1, data2};
        addEvent(frame, m_midiEvent, bytes, 3);
    }
    // A MIDI message at a time in beats: the sequence becomes one timed in
    // beats (atom:beatTime), as a host that ignores the plug-in's frame
    // times would send it.
    void midiInBeats(double beats, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
    {
        const std::uint8_t bytes[3] = {status, data1, data2};
        reinterpret_cast<LV2_Atom_Sequence*>(m_sequence.data())->body.unit = m_beatTime;
        addEvent(0, m_midiEvent, bytes, 3)->time.beats = beats;
    }
    // A time:Position object with time:speed.
    void position(float speed)
    {
        struct {
            LV2_Atom_Object_Body object;
            LV2_Atom_Property_Body speed;
            float value;
            float pad;
        } body{};
        body.object.otype = m_timePosition;
        body.speed.key = m_timeSpeed;
        body.speed.value.type = m_float;
        body.speed.value.size = sizeof(float);
        body.value = speed;
        addEvent(0, m_object, &body, sizeof body - sizeof(float));
    }
    LV2_Atom_Event* addEvent(std::int64_t frame, LV2_URID type, const void* body, std::uint32_t size)
    {
        auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(m_sequence.data());
        auto* bytes = reinterpret_cast<std::uint8_t*>(m_sequence.data());
        const std::uint32_t end = static_cast<std::uint32_t>(sizeof(LV2_Atom)) + sequence->atom.size;
        auto* event = reinterpret_cast<LV2_Atom_Event*>(bytes + end);
        event->time.frames = frame;
        event->body.type = type;
        event->body.size = size;
        std::memcpy(event + 1, body, size);
        sequence->atom.size += (static_cast<std::uint32_t>(sizeof(LV2_Atom_Event)) + size + 7u) & ~7u;
        return event;
    }
    void clearEvents()
    {
        auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(m_sequence.data());
        sequence->atom.type = m_sequenceType;
        sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
        sequence->body.unit = 0;
        sequence->body.pad = 0;
    }
    // Runs frames samples (at most kMaxFrames) and empties the sequence.
    void run(std::uint32_t frames)
    {
        lilv_instance_run(m_instance, frames);
        clearEvents();
    }

    // State through lilv: saved with the control values, restored with them.
    LilvState* saveState()
    {
        return lilv_state_new_from_instance(m_world.plugin(), m_instance, m_world.urids().feature(), nullptr, nullptr,
                                            nullptr, nullptr, getValue, this, LV2_STATE_IS_POD, m_world.features());
    }
    void restoreState(const LilvState* state)
    {
        lilv_state_restore(state, m_instance, setValue, this, 0, m_world.features());
    }
    // The plug-in's own state interface, for states lilv would not make.
    const LV2_State_Interface* stateInterface()
    {
        return static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(m_instance, LV2_STATE__interface));
    }

    float left[kMaxFrames] = {};
    float right[kMaxFrames] = {};
    float controls[kNumParams] = {};

private:
    int controlIndex(const char* symbol)
    {
        LilvNode* node = lilv_new_string(m_world.world(), symbol);
        const LilvPort* port = lilv_plugin_get_port_by_symbol(m_world.plugin(), node);
        lilv_node_free(node);
        if (port == nullptr)
            return -1;
        const int index = static_cast<int>(lilv_port_get_index(m_world.plugin(), port));
        return index >= static_cast<int>(lv2contract::kFirstParameterPort) &&
                       index < static_cast<int>(lv2contract::kPortCount)
                   ? index - static_cast<int>(lv2contract::kFirstParameterPort)
                   : -1;
    }
    static const void* getValue(const char* symbol, void* self, std::uint32_t* size, std::uint32_t* type)
    {
        auto& instance = *static_cast<Instance*>(self);
        const int index = instance.controlIndex(symbol);
        if (index < 0)
            return nullptr;
        *size = sizeof(float);
        *type = instance.m_float;
        return &instance.controls[index];
    }
    static void setValue(const char* symbol, void* self, const void* value, std::uint32_t size, std::uint32_t type)
    {
        auto& instance = *static_cast<Instance*>(self);
        const int index = instance.controlIndex(symbol);
        if (index >= 0 && size == sizeof(float) && type == instance.m_float)
            std::memcpy(&instance.controls[index], value, sizeof(float));
    }

    World& m_world;
    // The URIDs the host writes in run(), mapped once: mapping allocates.
    LV2_URID m_midiEvent, m_object, m_float, m_sequenceType, m_beatTime, m_timePosition, m_timeSpeed;
    LilvInstance* m_instance = nullptr;
    std::vector<std::uint64_t> m_sequence;
};

} // namespace lv2host
