#include "CEventManager.h"

#include "CEventListener.h"
#include "CQuibo.h"
#include "DebugTrace.h"
#include "MidiEventRecord.h"
#include "PanelCodes.h"

#include <cstring>

namespace {

unsigned byteOf(const VstMidiEvent& event, int index)
{
    return static_cast<unsigned char>(event.midiData[index]);
}

} // namespace

CEventManager::CEventManager() = default;

void CEventManager::receiveMidi(int delta, const MidiMessage& message, int mode)
{
    if (mode == kModeOff)
        return;
    VstMidiEvent event = makeMidiEvent(delta, message.status, message.data1, message.data2);
    event.byteSize = static_cast<VstInt32>(sizeof event);
    m_inbox.push(event);
}

void CEventManager::takeInbox()
{
    VstMidiEvent event;
    while (m_inbox.pop(event))
        AddEvent(event);
}

int CEventManager::AddEvent(VstMidiEvent event)
{
    event.deltaFrames += m_deltaFramesOffset;
    if (event.flags != 0)
        m_deltaFramesOffset = event.deltaFrames;
    const bool inserted = AddEventSorted(event);
    if (event.flags != 0)
        debugTrace("<CEventManager::AddEvent> m_deltaFramesOffset = %u\n", static_cast<unsigned>(event.deltaFrames));
    if (inserted)
        debugTrace("<CEventManager::AddEventSorted> Inserting event\n");
    debugTrace("In: %d - 0x%02x 0x%02x 0x%02x 0x%08x\n", event.deltaFrames, byteOf(event, 0), byteOf(event, 1),
               byteOf(event, 2), static_cast<unsigned>(event.flags));
    return 1;
}

// Answers whether the event had to go in front of later ones (whether or not
// a full queue then dropped it).
bool CEventManager::AddEventSorted(const VstMidiEvent& event)
{
    if (m_count == 0 || m_events[m_count - 1].deltaFrames <= event.deltaFrames) {
        if (m_count < kCapacity)
            m_events[m_count++] = event;
        return false;
    }
    if (m_count < kCapacity) {
        int place = m_count;
        while (place > 0 && m_events[place - 1].deltaFrames > event.deltaFrames)
            --place;
        std::memmove(&m_events[place + 1], &m_events[place],
                     sizeof(VstMidiEvent) * static_cast<size_t>(m_count - place));
        m_events[place] = event;
        ++m_count;
    }
    return true;
}

void CEventManager::removeFront()
{
    --m_count;
    std::memmove(&m_events[0], &m_events[1], sizeof(VstMidiEvent) * static_cast<size_t>(m_count));
}

// Takes the front event out of the queue when it is due (or always, when
// flushing), before its listener sees it: a listener may add events.
bool CEventManager::takeFront(int now, bool ignoreTime, VstMidiEvent& out)
{
    if (m_count == 0 || (!ignoreTime && m_events[0].deltaFrames > now))
        return false;
    out = m_events[0];
    removeFront();
    if (!ignoreTime && out.flags != 0)
        m_deltaFramesOffset = 0;
    return true;
}

void CEventManager::deliver(const VstMidiEvent& event)
{
    CEventListener* listener = m_listeners[byteOf(event, 0) & 15];
    if (listener != nullptr)
        listener->OnEvent(MidiMessage{static_cast<std::uint8_t>(byteOf(event, 0)),
                                      static_cast<std::uint8_t>(byteOf(event, 1)),
                                      static_cast<std::uint8_t>(byteOf(event, 2))});
}

void CEventManager::DispatchDue(int now)
{
    if (m_count == 0)
        return;
    VstMidiEvent event;
    while (takeFront(now, false, event)) {
        deliver(event);
        if (event.flags != 0 && m_owner != nullptr)
            m_owner->setBeepPending(0);
        debugTrace("Out (%d, %d): 0x%02x 0x%02x 0x%02x 0x%08x\n", event.deltaFrames, now, byteOf(event, 0),
                   byteOf(event, 1), byteOf(event, 2), static_cast<unsigned>(event.flags));
    }
}

void CEventManager::FlushAll()
{
    VstMidiEvent event;
    while (takeFront(0, true, event))
        deliver(event);
    m_deltaFramesOffset = 0;
}

void CEventManager::EndBlock(int frames)
{
    if (frames <= 0)
        return;
    for (int i = 0; i < m_count; ++i)
        m_events[i].deltaFrames -= frames;
    // The time base is the pending marker's time; it moves with the queue.
    if (m_deltaFramesOffset > 0)
        m_deltaFramesOffset = m_deltaFramesOffset > frames ? m_deltaFramesOffset - frames : 0;
}

void CEventManager::setListener(int slot, CEventListener* listener)
{
    m_listeners[((slot % kListenerSlots) + kListenerSlots) % kListenerSlots] = listener;
}

VstInt32 CEventManager::deltaFramesOffset() const
{
    return m_deltaFramesOffset;
}
