#pragma once

#include "CMpscRing.h"
#include "PanelCodes.h"
#include "VstAbi.h"

#include <atomic>
#include <cstdint>

// Pending parameter and panel-key commands, filled from any thread and
// drained on the audio thread, without locks on either side.
//
// Parameters (indexes 0 to kParameterSlots - 1) merge: a new value for a
// parameter that is still queued replaces the queued value in its place, so a
// flood of automation never fills the queue and the last value always wins.
// Every other index is a key command: presses and releases are all kept, in
// order, up to kCapacity waiting at once; more are dropped.
class CCommandQueue {
public:
    struct Command {
        VstInt32 index;
        float value;
    };
    static constexpr int kCapacity = 500;
    static constexpr int kParameterSlots = kNumParams;

    CCommandQueue();

    // Any thread. Answers 1 when the command was queued or merged, 0 when a
    // key command found the queue full.
    int push(const Command& command);
    // The audio thread only. Copies the oldest command out; 0 when none is due.
    int pop(Command& out);
    bool isEmpty() const { return m_ring.empty(); }
    // Commands waiting, merged parameters counted once.
    int count() const { return m_count.load(std::memory_order_acquire); }

private:
    static bool isParameter(VstInt32 index) { return index >= 0 && index < kParameterSlots; }
    void pushParameter(const Command& command);
    bool takeParameter(VstInt32 index, float& value);

    // Ring capacity: every key command plus one entry per parameter.
    CMpscRing<Command, 1024> m_ring;
    static_assert(kCapacity + kParameterSlots <= 1024, "the ring holds every command that may wait");
    // Per parameter: the latest value's bits and a version, in one word.
    std::atomic<uint64_t> m_latest[kParameterSlots];
    std::atomic<bool> m_queued[kParameterSlots];
    // Version last applied, per parameter (audio thread only).
    uint32_t m_appliedVersion[kParameterSlots] = {};
    std::atomic<int> m_count{0};
    std::atomic<int> m_keyCommands{0};
};
