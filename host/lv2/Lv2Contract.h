#pragma once
// What the LV2 plug-in's two sides share: the URIs, the port layout and what
// the panel's side (the UI) reaches through instance-access.

#include "InstrumentCounts.h"
#include "ProductIdentity.h"

#include <cstdint>

class CInstrument;

namespace lv2contract {

// The product's URIs (ProductIdentity.h) by the names the LV2 code uses.
constexpr const char* kPluginUri = product::kLv2PluginUri;
constexpr const char* kUiUri = product::kLv2UiUri;
// The state property that holds the bank chunk (atom:Chunk).
constexpr const char* kStateBankUri = product::kLv2StateBankUri;

// Ports, in index order: the MIDI input, the two audio outputs, then the
// parameters as control inputs in the instrument's order.
enum Port : std::uint32_t {
    kPortMidiIn = 0,
    kPortVoice = 1,
    kPortRhythm = 2,
    kFirstParameterPort = 3,
    kPortCount = kFirstParameterPort + kNumParams,
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
