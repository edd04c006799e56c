#pragma once
// What the LV2 plug-in's two sides share: the URIs, the port layout and what
// the panel's side (the UI) reaches through instance-access.

#include <cstdint>

class CInstrument;

namespace lv2contract {

constexpr const char* kPluginUri = "urn:ferrowick:zintra";
constexpr const char* kUiUri = "urn:ferrowick:zintra#panel";
// The state property that holds the bank chunk (atom:Chunk).
constexpr const char* kStateBankUri = "urn:ferrowick:zintra#bank";

// Ports, in index order: the MIDI input, the two audio outputs, then the
// fifteen parameters as control inputs in the instrument's order.
enum Port : std::uint32_t {
    kPortMidiIn = 0,
    kPortVoice = 1,
    kPortRhythm = 2,
    kFirstParameterPort = 3,
    kPortCount = kFirstParameterPort + 15,
};

} // namespace lv2contract

// The plug-in instance as the UI sees it. The LV2_Handle the host hands the
// UI (instance-access) is a CLv2Instance*.
class CLv2Instance {
public:
    virtual CInstrument& instrument() = 0;
    // Whether the host's transport rolls, as its last time:Position said.
    virtual bool transportRuns() const = 0;

protected:
    ~CLv2Instance() = default;
};
