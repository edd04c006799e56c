#pragma once

#include "SpinLock.h"
#include "VstAbi.h"

class CQuibo;
class CEventListener;

// The time-ordered queue of MIDI events on their way to the voice and the
// rhythm box. Events are queued from the audio thread (host MIDI, sequencer)
// and from the user-interface thread (panel keys); they are handed to the
// listener of their channel on the audio thread.
class CEventManager {
public:
    static constexpr int kCapacity = 500;
    static constexpr int kListenerSlots = 16;

    CEventManager();
    void setOwner(CQuibo* owner) { m_owner = owner; }

    VstInt32 processEvents(const VstEvents* events, int mode);
    int AddEvent(VstMidiEvent event);
    void DispatchDue(int now);
    void FlushAll();
    void setListener(int slot, CEventListener* listener);
    int count() const;

private:
    void AddEventSorted(const VstMidiEvent& event);
    bool takeDue(int now, VstMidiEvent& out, bool ignoreTime);
    void deliver(const VstMidiEvent& event);

    CQuibo* m_owner = nullptr;
    mutable SpinLock m_lock;
    VstMidiEvent m_events[kCapacity] = {};
    int m_count = 0;
    CEventListener* m_listeners[kListenerSlots] = {};
    VstInt32 m_deltaFramesOffset = 0;
};
