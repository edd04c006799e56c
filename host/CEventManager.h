#pragma once

#include "SpinLock.h"
#include "VstAbi.h"

#include <atomic>

class CQuibo;
class CEventListener;

// The time-ordered queue of MIDI events on their way to the voice and the
// rhythm box. Events are queued from the audio thread (host MIDI, sequencer)
// and from the user-interface thread (panel keys); they are handed to the
// listener of their channel on the audio thread.
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

    // Queues the host's MIDI events; everything is dropped in Off (mode 3).
    VstInt32 processEvents(const VstEvents* events, int mode);
    int AddEvent(VstMidiEvent event);
    void DispatchDue(int now);
    void FlushAll();
    // Rebases the queue after a rendered block of frames.
    void EndBlock(int frames);
    void setListener(int slot, CEventListener* listener);
    int count() const { return m_pending.load(std::memory_order_acquire); }
    VstInt32 deltaFramesOffset() const;

private:
    bool AddEventSorted(const VstMidiEvent& event);
    bool takeFront(int now, bool ignoreTime, VstMidiEvent& out);
    void removeFront();
    void deliver(const VstMidiEvent& event);

    CQuibo* m_owner = nullptr;
    mutable SpinLock m_lock;
    VstMidiEvent m_events[kCapacity] = {};
    int m_count = 0;
    std::atomic<int> m_pending{0}; // m_count as seen without the lock
    CEventListener* m_listeners[kListenerSlots] = {};
    VstInt32 m_deltaFramesOffset = 0;
};
