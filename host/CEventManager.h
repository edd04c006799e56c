#pragma once

#include "CEventListener.h"
#include "CMpscRing.h"
#include "VstAbi.h"

#include <atomic>

class CQuibo;

// The time-ordered queue of MIDI events on their way to the voice and the
// rhythm box. The queue itself belongs to the audio thread: the panel logic,
// the sequencer and the beep add to it there, and events are handed to the
// listener of their channel there. The host's MIDI may come from any thread:
// receiveMidi only puts it into a lock-free inbox, which the audio thread
// takes into the queue at the start of the next block (takeInbox).
//
// Times are sample indexes in the block being processed. After each rendered
// block EndBlock moves every queued time, and the marker time base, back by
// the block's length, so an event queued any number of blocks ahead is still
// delivered at its own sample.
class CEventManager {
public:
    static constexpr int kCapacity = 500;
    static constexpr int kListenerSlots = 16;

    CEventManager();
    void setOwner(CQuibo* owner) { m_owner = owner; }

    // Takes a host's MIDI message, delta samples into the next block, into
    // the inbox (any thread); it is dropped in Off (mode 3) and when the
    // inbox is full.
    void receiveMidi(int delta, const MidiMessage& message, int mode);
    // Moves the inbox into the queue (audio thread, before the block).
    void takeInbox();
    int AddEvent(VstMidiEvent event);
    void DispatchDue(int now);
    void FlushAll();
    // Rebases the queue after a rendered block of frames.
    void EndBlock(int frames);
    void setListener(int slot, CEventListener* listener);
    int count() const { return m_count; }
    // True when an event is due at sample now.
    bool hasDue(int now) const { return m_count > 0 && m_events[0].deltaFrames <= now; }
    // The time of the earliest queued event; only with count() above 0.
    VstInt32 nextTime() const { return m_events[0].deltaFrames; }
    VstInt32 deltaFramesOffset() const;

private:
    bool AddEventSorted(const VstMidiEvent& event);
    bool takeFront(int now, bool ignoreTime, VstMidiEvent& out);
    void removeFront();
    void deliver(const VstMidiEvent& event);

    CQuibo* m_owner = nullptr;
    VstMidiEvent m_events[kCapacity] = {};
    int m_count = 0;
    CMpscRing<VstMidiEvent, 512> m_inbox;
    CEventListener* m_listeners[kListenerSlots] = {};
    VstInt32 m_deltaFramesOffset = 0;
};
