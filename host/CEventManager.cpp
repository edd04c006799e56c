#include "CEventManager.h"

#include "CEventListener.h"
#include "CQuibo.h"
#include "DebugTrace.h"

#include <cstring>

CEventManager::CEventManager() = default;

VstInt32 CEventManager::processEvents(const VstEvents* events, int mode)
{
    if (events == nullptr)
        return 1;
    // The host's list is longer than its declared two entries.
    VstEvent* const* entries = events->events;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = entries[i];
        if (event == nullptr || event->type != kVstMidiType)
            continue;
        VstMidiEvent copy;
        std::memcpy(&copy, event, sizeof copy);
        if (mode == 3)
            continue;
        copy.flags = 0;
        AddEvent(copy);
    }
    return 1;
}

int CEventManager::AddEvent(VstMidiEvent event)
{
    SpinLockGuard guard(m_lock);
    event.deltaFrames += m_deltaFramesOffset;
    if (event.flags != 0) {
        m_deltaFramesOffset = event.deltaFrames;
        debugTrace("<CEventManager::AddEvent> m_deltaFramesOffset = %u\n",
                   static_cast<unsigned>(m_deltaFramesOffset));
    }
    AddEventSorted(event);
    return 1;
}

void CEventManager::AddEventSorted(const VstMidiEvent& event)
{
    if (m_count == 0 || m_events[m_count - 1].deltaFrames <= event.deltaFrames) {
        if (m_count < kCapacity)
            m_events[m_count++] = event;
    } else {
        debugTrace("<CEventManager::AddEventSorted> Inserting event\n");
        if (m_count < kCapacity) {
            int place = m_count;
            while (place > 0 && m_events[place - 1].deltaFrames > event.deltaFrames)
                --place;
            std::memmove(&m_events[place + 1], &m_events[place],
                         sizeof(VstMidiEvent) * static_cast<size_t>(m_count - place));
            m_events[place] = event;
            ++m_count;
        }
    }
    debugTrace("In: %d - 0x%02x 0x%02x 0x%02x 0x%08x\n", event.deltaFrames,
               static_cast<unsigned char>(event.midiData[0]), static_cast<unsigned char>(event.midiData[1]),
               static_cast<unsigned char>(event.midiData[2]), static_cast<unsigned>(event.flags));
}

bool CEventManager::takeDue(int now, VstMidiEvent& out, bool ignoreTime)
{
    SpinLockGuard guard(m_lock);
    if (m_count == 0)
        return false;
    if (!ignoreTime && m_events[0].deltaFrames > now)
        return false;
    out = m_events[0];
    --m_count;
    std::memmove(&m_events[0], &m_events[1], sizeof(VstMidiEvent) * static_cast<size_t>(m_count));
    if (!ignoreTime && out.flags != 0)
        m_deltaFramesOffset = 0;
    return true;
}

void CEventManager::deliver(const VstMidiEvent& event)
{
    CEventListener* listener = m_listeners[static_cast<unsigned char>(event.midiData[0]) & 15];
    if (listener != nullptr)
        listener->OnEvent(event);
}

void CEventManager::DispatchDue(int now)
{
    VstMidiEvent event;
    while (takeDue(now, event, false)) {
        deliver(event);
        if (event.flags != 0 && m_owner != nullptr)
            m_owner->setBeepPending(0);
        debugTrace("Out (%d, %d): 0x%02x 0x%02x 0x%02x 0x%08x\n", event.deltaFrames, now,
                   static_cast<unsigned char>(event.midiData[0]), static_cast<unsigned char>(event.midiData[1]),
                   static_cast<unsigned char>(event.midiData[2]), static_cast<unsigned>(event.flags));
    }
}

void CEventManager::FlushAll()
{
    VstMidiEvent event;
    while (takeDue(0, event, true))
        deliver(event);
    SpinLockGuard guard(m_lock);
    m_deltaFramesOffset = 0;
}

void CEventManager::setListener(int slot, CEventListener* listener)
{
    m_listeners[((slot % kListenerSlots) + kListenerSlots) % kListenerSlots] = listener;
}

int CEventManager::count() const
{
    SpinLockGuard guard(m_lock);
    return m_count;
}
