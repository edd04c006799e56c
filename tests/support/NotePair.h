#pragma once
// A host event list with a note on at the start of a block and its note off
// in the middle.

#include "PanelCodes.h"
#include "VstAbi.h"

namespace testhost {

struct NotePair {
    VstMidiEvent events[2] = {};
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[2];
    } list{};

    NotePair(int note, int frames)
    {
        for (int i = 0; i < 2; ++i) {
            events[i].type = kVstMidiType;
            events[i].byteSize = sizeof(VstMidiEvent);
            events[i].deltaFrames = i * (frames / 2);
            events[i].midiData[0] = static_cast<char>(i == 0 ? kStatusNoteOn : kStatusNoteOff);
            events[i].midiData[1] = static_cast<char>(note);
            events[i].midiData[2] = 100;
            list.events[i] = reinterpret_cast<VstEvent*>(&events[i]);
        }
        list.numEvents = 2;
    }
    VstEvents* get() { return reinterpret_cast<VstEvents*>(&list); }
};

} // namespace testhost
