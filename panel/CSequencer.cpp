#include "CSequencer.h"

#include "ByteOrder.h"
#include "CPanelHost.h"
#include "DebugTrace.h"
#include "DemoMelody.h"

#include <algorithm>
#include <climits>
#include <cmath>

static_assert(CSequencer::kBlockBytes == 2436, "the chunk holds a 2436-byte sequencer block");

namespace {
const SequencerEvent kEndMarker = {sequencer::kEndTime, 0, 0, 0, 0, 0};
const SequencerEvent kAllNotesOff = {0.0f, sequencer::kController, 0x7B, 0x00, 0, 0};

// A time in whole ticks, truncated toward zero; safe for any float.
int ticksOf(float time)
{
    if (std::isnan(time))
        return 0;
    const float limit = 1.0e9f;
    return static_cast<int>(std::max(-limit, std::min(limit, time)));
}
} // namespace

CSequencer::CSequencer()
{
    m_recordTaken = false;
    m_recordArmed = true;
    Reset();
}

void CSequencer::Reset()
{
    debugTrace("CSequencer::Reset\n");
    Rewind();
    m_recordClock = 0;
    m_demoSelected = false;
    m_playing = false;
    m_paused = true;
    // The panel reset resets the tempo clock itself, so its count-steps
    // switch is left alone here.
    m_recordClockRunning = false;
}

void CSequencer::Rewind()
{
    debugTrace("CSequencer::Rewind\n");
    m_list.ApplyMinimumNoteLength(kMinimumNoteLength);
    m_playing = false;
    m_paused = false;
    setSongPointer(0);
    m_playClock = 0;
}

int CSequencer::Play()
{
    debugTrace("CSequencer::Play\n");
    m_playing = true;
    setSequencerRunning(true);
    return 1;
}

int CSequencer::Pause(int on)
{
    debugTrace("CSequencer::Pause\n");
    m_paused = on != 0;
    if (!on)
        return 1;
    releaseSoundingNote();
    DoEvent(kAllNotesOff);
    return 1;
}

// When the last event played was a note-on, its note-off is sent now and
// skipped in the melody, so that a held melody resumes cleanly.
void CSequencer::releaseSoundingNote()
{
    const SequencerEvent& last = melodyEvent(m_songPointer > 0 ? m_songPointer - 1 : 0);
    if (sequencer::isEnd(last) || last.status != sequencer::kNoteOn)
        return;
    if (GotoEvent(sequencer::kNoteOff, 0) == 0)
        return;
    DoEvent(melodyEvent(m_songPointer));
    setSongPointer(m_songPointer + 1);
}

void CSequencer::Stop()
{
    debugTrace("CSequencer::Stop\n");
    Pause(1);
    setSequencerRunning(false);
    Rewind();
}

int CSequencer::DoEvent(const SequencerEvent& event)
{
    debugTrace("CSequencer::DoEvent\n");
    if (m_owner == nullptr)
        return 0;
    m_owner->queueMidi(0, event.status, event.data1, event.data2, 0);
    return 1;
}

// The end marker never matches. With wrap the search restarts once from the
// first event, so a melody without the status ends the search after one
// full pass. The wrap rewinds the song pointer but keeps the playback state,
// because the caller resumes playback from the event found.
int CSequencer::GotoEvent(int status, int wrap)
{
    debugTrace("CSequencer::GotoEvent\n");
    bool wrapped = false;
    for (;;) {
        const SequencerEvent& event = melodyEvent(m_songPointer);
        if (!sequencer::isEnd(event)) {
            if (event.status == status) {
                m_playClock = ticksOf(event.time);
                return 1;
            }
            setSongPointer(m_songPointer + 1);
            continue;
        }
        if (!wrap || wrapped)
            return 0;
        wrapped = true;
        const bool playing = m_playing;
        const bool paused = m_paused;
        Rewind();
        m_playing = playing;
        m_paused = paused;
    }
}

void CSequencer::SelectMelody(Melody melody)
{
    m_demoSelected = melody == Melody::Demo;
    Rewind();
}

int CSequencer::Record(const SequencerEvent& event)
{
    if (m_list.count() >= m_list.capacity())
        return 0;
    if (m_list.count() == 0) {
        m_recordClock = 0;
        setRecordClockRunning(true);
    }
    SequencerEvent stored = event;
    stored.flags |= sequencer::kRecordedFlag;
    if (m_list.Insert(static_cast<float>(m_recordClock), stored) == 0)
        return 0;
    // The list's position is one past the new event, which is the song
    // pointer advanced by one whenever the two agree.
    setSongPointer(m_list.position());
    m_playClock = ticksOf(melodyEvent(m_songPointer).time);
    m_recordTaken = true;
    return 1;
}

int CSequencer::StepBack(int n)
{
    setRecordClockRunning(false);
    if (m_list.count() == 0)
        return 0;
    float earliest = 0.0f;
    for (int i = 0; i < n; ++i) {
        const int position = std::clamp(m_list.position(), 0, m_list.count());
        earliest = m_list.at(position > 0 ? position - 1 : 0).time;
        m_list.Delete();
        setSongPointer(std::max(m_songPointer - 1, 0));
    }
    // What followed the removed events moves to where the earliest one was.
    if (n > 0)
        m_list.Retime(m_list.position(), earliest);
    const SequencerEvent& next = m_list.at(std::min(m_list.position() + 1, m_list.count()));
    if (next.time >= 0.0f)
        m_recordClock = ticksOf(next.time);
    return 1;
}

int CSequencer::Step(int retime)
{
    if (sequencer::isEnd(melodyEvent(m_songPointer))) {
        m_playing = false;
        return 0;
    }
    // Re-timing moves this event and the rest of the recorded melody to the
    // moment of the key stroke.
    if (retime && !m_demoSelected) {
        if (m_songPointer == 0)
            m_recordClock = 0;
        if (!m_recordClockRunning)
            setRecordClockRunning(true);
        m_recordClock = std::max(m_recordClock, m_playClock);
        m_list.Retime(m_songPointer, static_cast<float>(m_recordClock));
    }
    DoEvent(melodyEvent(m_songPointer));
    setSongPointer(m_songPointer + 1);
    return 1;
}

int CSequencer::Tick()
{
    if (m_paused)
        return 1;
    if (m_playClock < INT_MAX)
        ++m_playClock;
    while (isDue(melodyEvent(m_songPointer))) {
        if (Step(0) == 0)
            return 0;
    }
    return 1;
}

void CSequencer::CountStep()
{
    if (m_recordClock < INT_MAX)
        ++m_recordClock;
}

void CSequencer::Empty()
{
    m_list.Empty();
}

void CSequencer::SaveBlock(unsigned char* out) const
{
    byteorder::putInt32(out, m_playing ? 1 : 0);
    byteorder::putInt32(out + 4, m_paused ? 1 : 0);
    byteorder::putInt32(out + 8, m_songPointer);
    m_list.Save(out + 12);
}

// The event list decides whether the block is usable. The playback flags
// become 0 or 1. The song pointer is brought into 0..count: a block saved
// while the demonstration melody played has it past the recorded events.
// A loaded memory with events closes the recording; an empty one arms it.
bool CSequencer::LoadBlock(const unsigned char* in)
{
    if (!m_list.Load(in + 12))
        return false;
    m_playing = byteorder::getInt32(in) != 0;
    m_paused = byteorder::getInt32(in + 4) != 0;
    m_songPointer = std::clamp(byteorder::getInt32(in + 8), 0, m_list.count());
    debugTrace("song pointer = %d\n", m_songPointer);
    if (m_list.count() == 0) {
        m_list.Empty();
        m_recordArmed = true;
    } else {
        m_recordArmed = false;
    }
    m_recordTaken = false;
    return true;
}

int CSequencer::noteBeforeSongPointer(int back) const
{
    for (int i = std::min(m_songPointer, m_list.count()) - 1; i >= 0; --i) {
        if (m_list.at(i).status == sequencer::kNoteOn && --back <= 0)
            return m_list.at(i).data1;
    }
    return 0;
}

const SequencerEvent& CSequencer::melodyEvent(int index) const
{
    if (!m_demoSelected)
        return m_list.at(index);
    if (index < 0 || index >= kDemoMelodyLength)
        return kEndMarker;
    return kDemoMelody[index];
}

// The end marker is always due, so the end is found on the tick that plays
// the last event or on the next one.
bool CSequencer::isDue(const SequencerEvent& event) const
{
    return sequencer::isEnd(event) || static_cast<float>(m_playClock) >= event.time;
}

void CSequencer::setSongPointer(int value)
{
    m_songPointer = value;
    m_list.setPosition(value);
    debugTrace("song pointer = %d\n", value);
}

void CSequencer::setRecordClockRunning(bool running)
{
    m_recordClockRunning = running;
    if (m_owner != nullptr)
        m_owner->setClockFlag(CPanelHost::kClockCountSteps, running ? 1 : 0);
}

void CSequencer::setSequencerRunning(bool running)
{
    if (m_owner != nullptr)
        m_owner->setClockFlag(CPanelHost::kClockSequencerRunning, running ? 1 : 0);
}
