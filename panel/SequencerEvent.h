#pragma once

#include "PanelCodes.h"

#include <cstdint>

// One event of a melody, 12 bytes, the same layout in memory, in the chunk
// and in the demonstration melody. A negative time ends a melody.
struct SequencerEvent {
    float time; // ticks from the start of the melody
    std::uint8_t status; // MIDI status byte
    std::uint8_t data1; // note, controller or program number
    std::uint8_t data2; // velocity or controller value
    std::uint8_t zero;
    std::int32_t flags; // bit 0: recorded on the panel
};
static_assert(sizeof(SequencerEvent) == 12, "a sequencer event is 12 bytes");

namespace sequencer {
constexpr std::uint8_t kNoteOff = kStatusNoteOff;
constexpr std::uint8_t kNoteOn = kStatusNoteOn;
constexpr std::uint8_t kController = kStatusController;
constexpr std::uint8_t kProgramChange = kStatusProgramChange;
constexpr float kEndTime = -1.0f;
constexpr std::int32_t kRecordedFlag = 1;
constexpr int kEventBytes = 12;

inline bool isEnd(const SequencerEvent& event)
{
    return !(event.time >= 0.0f);
}
} // namespace sequencer
