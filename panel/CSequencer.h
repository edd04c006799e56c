#pragma once

#include "CEventList.h"
#include "SequencerEvent.h"

class CPanelHost;

// The melody recorder and player. Records panel notes in tempo ticks, plays
// the recorded or the demonstration melody by the tempo clock or one event
// per key stroke, and keeps its memory in the bank chunk.
//
// Threads: it runs on the audio thread with panel access, and its block is
// saved and loaded on a host thread holding the panel lock.
class CSequencer {
public:
    // Three words of playback state and the event list area.
    static constexpr int kBlockBytes = 12 + CEventList::kAreaBytes;
    static constexpr float kMinimumNoteLength = 75.0f;
    enum class Melody { Recorded, Demo };

    CSequencer();
    void setOwner(CPanelHost* owner) { m_owner = owner; }

    // Idle state: rewound, recorded melody selected, paused, not playing.
    void Reset();
    // Starts the tempo clock's ticks; playback begins at the song pointer.
    int Play();
    // Holds (1) or resumes (0) playback; holding ends a sounding note.
    int Pause(int on);
    void Stop();
    void Rewind();
    // Sends one event to the event queue; answers the queue's result.
    int DoEvent(const SequencerEvent& event);
    // Moves the song pointer to the next event with the status; with wrap it
    // searches once more from the start. Answers 1 when found.
    int GotoEvent(int status, int wrap);
    void SelectMelody(Melody melody);
    // Stores a panel note at the song pointer; answers 0 when full.
    int Record(const SequencerEvent& event);
    // Removes the n events before the song pointer; answers 0 when empty.
    int StepBack(int n);
    // Plays the event at the song pointer (one-key play); with retime the
    // rest of the melody moves to the record clock. Answers 0 at the end.
    int Step(int retime);
    // One tempo tick of playback; answers 0 when the melody has ended.
    int Tick();
    // One tick of the record clock (the tempo clock's count-steps switch).
    void CountStep();
    // Erases the recorded memory.
    void Empty();

    // Writes exactly kBlockBytes little-endian bytes.
    void SaveBlock(unsigned char* out) const;
    // Reads kBlockBytes; answers false and changes nothing for a block that
    // cannot hold a valid memory (see CEventList::Load).
    bool LoadBlock(const unsigned char* in);

    bool playing() const { return m_playing; }
    bool paused() const { return m_paused; }
    int songPointer() const { return m_songPointer; }
    int eventCount() const { return m_list.count(); }
    int capacity() const { return m_list.capacity(); }
    bool recordArmed() const { return m_recordArmed; }
    bool recordTaken() const { return m_recordTaken; }
    void setRecordArmed(bool armed) { m_recordArmed = armed; }
    void setRecordTaken(bool taken) { m_recordTaken = taken; }
    // Holds playback without ending a note, as one-key play starts it.
    void setPaused(bool paused) { m_paused = paused; }
    int playClock() const { return m_playClock; }
    int recordClock() const { return m_recordClock; }
    bool recordClockRunning() const { return m_recordClockRunning; }
    bool demoSelected() const { return m_demoSelected; }
    const CEventList& memory() const { return m_list; }
    // The note of the back-th recorded note-on before the song pointer
    // (1 the last one), or 0 when there are fewer.
    int noteBeforeSongPointer(int back = 1) const;

private:
    const SequencerEvent& melodyEvent(int index) const;
    bool isDue(const SequencerEvent& event) const;
    void setSongPointer(int value);
    void setRecordClockRunning(bool running);
    void setSequencerRunning(bool running);
    void releaseSoundingNote();

    CPanelHost* m_owner = nullptr;
    CEventList m_list;
    bool m_playing = false;
    bool m_paused = false;
    int m_songPointer = 0;
    bool m_recordTaken = false;
    bool m_recordArmed = true;
    int m_playClock = 0;
    bool m_demoSelected = false;
    int m_recordClock = 0;
    bool m_recordClockRunning = false;
};
