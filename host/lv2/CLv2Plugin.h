#pragma once

#include "CInstrument.h"
#include "Lv2Contract.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <atomic>
#include <memory>

// The LV2 front: the plug-in instance as an LV2 host drives it. It reads the
// host's MIDI sequence into midiIn at each event's frame (kept inside the
// block), the control ports into setParameter when their value moves, renders the voice and the
// rhythm box into the two outputs, and saves and restores the bank chunk as
// the plug-in's state. The UI reaches it as a CLv2Instance.
class CLv2Plugin : public CLv2Instance {
public:
    // The front on an instrument; null when the host offers no urid:map, the
    // instrument refuses the rate or memory runs out.
    static CLv2Plugin* create(std::unique_ptr<CInstrument> instrument, double rate, const LV2_Feature* const* features);
    virtual ~CLv2Plugin();

    CInstrument& instrument() override { return *m_instrument; }
    bool transportRuns() const override;

    // The host's port buffers; an index out of range is ignored.
    void connectPort(std::uint32_t port, void* data);
    // One block of frames samples (audio thread): no allocation, no lock, no I/O.
    void run(std::uint32_t frames);

    // state:interface, on a host thread, never while run() runs.
    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

private:
    // The URIDs the front reads and writes.
    struct Urids {
        LV2_URID midiEvent;
        LV2_URID atomObject;
        LV2_URID atomBlank;
        LV2_URID atomFloat;
        LV2_URID atomDouble;
        LV2_URID atomInt;
        LV2_URID atomChunk;
        LV2_URID atomBeatTime;
        LV2_URID timePosition;
        LV2_URID timeSpeed;
        LV2_URID stateBank;
    };

    CLv2Plugin(std::unique_ptr<CInstrument> instrument, const LV2_URID_Map& map);

    void readEvents(std::uint32_t frames);
    void readEvent(const LV2_Atom_Event& event, std::int32_t frame);
    void readMidi(std::int32_t frame, const LV2_Atom& atom);
    void readPosition(const LV2_Atom& atom);
    void readParameters();
    void adoptPortValues();
    void forgetProgramPort();

    std::unique_ptr<CInstrument> m_instrument;
    Urids m_urids;
    const LV2_Atom_Sequence* m_midiIn = nullptr;
    float* m_voice = nullptr;
    float* m_rhythm = nullptr;
    const float* m_controls[kNumParams] = {};
    // The value each control port had when last read, in the instrument's
    // values at first: only a port that moves is sent.
    float m_lastPortValue[kNumParams] = {};
    // What a state restore asks of the next run's port reading.
    enum class AfterRestore { kNothing, kAdoptPorts, kApplyProgram };
    std::atomic<AfterRestore> m_afterRestore{AfterRestore::kNothing};
    std::atomic<bool> m_transportRuns{false};
};
