#pragma once

#include <cstdint>

// The three bytes of a MIDI message, as the event queue hands it over.
struct MidiMessage {
    std::uint8_t status;
    std::uint8_t data1;
    std::uint8_t data2;
};

// Receives the MIDI messages of one channel slot from the event queue.
class CEventListener {
public:
    virtual ~CEventListener() = default;
    virtual int OnEvent(const MidiMessage& message) = 0;
};
