#pragma once

#include "SequencerEvent.h"

// The recorded melody: up to 200 events in 201 slots. The slot at index
// count always holds the end marker. Position is the insert and delete point.
class CEventList {
public:
    static constexpr int kCapacity = 200;
    static constexpr int kSlots = kCapacity + 1;
    // Slots, capacity, position and count as stored in a chunk.
    static constexpr int kAreaBytes = kSlots * sequencer::kEventBytes + 3 * 4;

    CEventList();

    // Zeroes every slot, ends the melody at slot 0 (and the last slot).
    void Empty();
    // Inserts in front of the position; answers 0 when the list is full.
    int Insert(float time, const SequencerEvent& event);
    // Removes the event before the position; answers 0 at position 0.
    int Delete();
    // Moves events first..count-1 so that event first lands on time.
    void Retime(int first, float time);
    // Lengthens notes shorter than limit ticks, up to the next event.
    void ApplyMinimumNoteLength(float limit);

    int count() const { return m_count; }
    int capacity() const { return kCapacity; }
    int position() const { return m_position; }
    void setPosition(int position) { m_position = position; }
    // The event at index, or the end marker outside 0..count-1.
    const SequencerEvent& at(int index) const;
    const SequencerEvent* slots() const { return m_slots; }

    // Writes slots, capacity, position and count little-endian (kAreaBytes).
    void Save(unsigned char* out) const;
    // Reads an area written by Save; answers false, changing nothing, when
    // it cannot describe a valid list (see the source for the rule).
    bool Load(const unsigned char* in);

    void Dump() const;

private:
    int clampedPosition() const;
    void markEnd();

    SequencerEvent m_slots[kSlots];
    int m_position = 0;
    int m_count = 0;
};
