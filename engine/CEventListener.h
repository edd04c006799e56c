#pragma once

#include "VstAbi.h"

// Receives the MIDI events of one channel slot from the event queue.
class CEventListener {
public:
    virtual ~CEventListener() = default;
    virtual int OnEvent(const VstMidiEvent& event) = 0;
};
