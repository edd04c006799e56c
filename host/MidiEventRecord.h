#pragma once

#include "VstAbi.h"

// An event record as the plug-in makes it for its own queue: MIDI type,
// 24 as its size, the time in frames and three MIDI bytes.
inline VstMidiEvent makeMidiEvent(int delta, int status, int data1, int data2, int flags = 0)
{
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = 24;
    event.deltaFrames = delta;
    event.flags = flags;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}
