#include "CEventList.h"

#include "ByteOrder.h"
#include "DebugTrace.h"

#include <cmath>
#include <cstring>

namespace {
const SequencerEvent kEndMarker = {sequencer::kEndTime, 0, 0, 0, 0, 0};
constexpr int kCapacityOffset = CEventList::kSlots * sequencer::kEventBytes;
constexpr int kPositionOffset = kCapacityOffset + 4;
constexpr int kCountOffset = kPositionOffset + 4;

void writeEvent(unsigned char* out, const SequencerEvent& event)
{
    byteorder::putFloat(out, event.time);
    out[4] = event.status;
    out[5] = event.data1;
    out[6] = event.data2;
    out[7] = event.zero;
    byteorder::putInt32(out + 8, event.flags);
}

SequencerEvent readEvent(const unsigned char* in)
{
    SequencerEvent event;
    event.time = byteorder::getFloat(in);
    event.status = in[4];
    event.data1 = in[5];
    event.data2 = in[6];
    event.zero = in[7];
    event.flags = byteorder::getInt32(in + 8);
    return event;
}
} // namespace

CEventList::CEventList()
{
    Empty();
}

void CEventList::Empty()
{
    std::memset(m_slots, 0, sizeof m_slots);
    m_position = 0;
    m_count = 0;
    m_slots[0].time = sequencer::kEndTime;
    m_slots[kCapacity].time = sequencer::kEndTime;
}

void CEventList::markEnd()
{
    m_slots[m_count] = kEndMarker;
}

// The position follows the song pointer, which may run past the recorded
// events while another melody plays; list edits use it only within 0..count.
int CEventList::clampedPosition() const
{
    if (m_position < 0)
        return 0;
    return m_position > m_count ? m_count : m_position;
}

const SequencerEvent& CEventList::at(int index) const
{
    if (index < 0 || index >= m_count)
        return kEndMarker;
    return m_slots[index];
}

int CEventList::Insert(float time, const SequencerEvent& event)
{
    if (m_count >= kCapacity)
        return 0;
    const int position = clampedPosition();
    if (position < m_count) {
        // The new event takes the time of the one it displaces; everything
        // from there on is pushed 50 ticks later.
        time = m_slots[position].time;
        for (int i = m_count; i > position; --i) {
            m_slots[i] = m_slots[i - 1];
            m_slots[i].time = std::fmax(m_slots[i].time + 50.0f, 0.0f);
        }
    }
    m_slots[position] = event;
    m_slots[position].time = time;
    m_position = position + 1;
    ++m_count;
    markEnd();
    Dump();
    return 1;
}

int CEventList::Delete()
{
    const int position = clampedPosition();
    if (position - 1 < 0)
        return 0;
    for (int i = position; i < m_count; ++i)
        m_slots[i - 1] = m_slots[i];
    m_position = position - 1;
    // A single stored event is never removed: the count stays at 1.
    if (m_count > 1)
        --m_count;
    markEnd();
    Dump();
    return 1;
}

void CEventList::Retime(int first, float time)
{
    if (first < 0 || first >= m_count)
        return;
    const float shift = time - m_slots[first].time;
    for (int i = first; i < m_count; ++i)
        m_slots[i].time += shift;
}

void CEventList::ApplyMinimumNoteLength(float limit)
{
    for (int i = 1; i < m_count; ++i) {
        const SequencerEvent& on = m_slots[i - 1];
        SequencerEvent& off = m_slots[i];
        if (on.status != sequencer::kNoteOn || off.status != sequencer::kNoteOff)
            continue;
        float length = limit;
        if (i + 1 < m_count)
            length = std::fmin(limit, m_slots[i + 1].time - on.time);
        if (off.time - on.time < length)
            off.time = on.time + length;
    }
}

void CEventList::Dump() const
{
    debugTrace("*** Begin event dump\n");
    for (int i = 0; i < m_count; ++i)
        debugTrace("Event %02d - %05.f: %s %d\n", i, static_cast<double>(m_slots[i].time),
                   m_slots[i].status == sequencer::kNoteOn ? " on" : "off", m_slots[i].data1);
    debugTrace("*** End event dump\n");
}

void CEventList::Save(unsigned char* out) const
{
    for (int i = 0; i < kSlots; ++i)
        writeEvent(out + i * sequencer::kEventBytes, m_slots[i]);
    byteorder::putInt32(out + kCapacityOffset, kCapacity);
    byteorder::putInt32(out + kPositionOffset, m_position);
    byteorder::putInt32(out + kCountOffset, m_count);
}

// Loading rule. The capacity is a property of this list (always 200) and the
// stored value is not used. A count outside 0..200, or a stored event whose
// time is not a finite number, refuses the whole area: no subset of such a
// list can be trusted. The position is brought into 0..count (a list saved
// while another melody played has it past the recorded events). The end
// marker is written at slot count whatever the area held there.
bool CEventList::Load(const unsigned char* in)
{
    const int count = byteorder::getInt32(in + kCountOffset);
    if (count < 0 || count > kCapacity)
        return false;
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(byteorder::getFloat(in + i * sequencer::kEventBytes)))
            return false;
    }
    for (int i = 0; i < kSlots; ++i)
        m_slots[i] = readEvent(in + i * sequencer::kEventBytes);
    m_count = count;
    const int position = byteorder::getInt32(in + kPositionOffset);
    m_position = position < 0 ? 0 : (position > count ? count : position);
    markEnd();
    m_slots[kCapacity].time = sequencer::kEndTime;
    return true;
}
