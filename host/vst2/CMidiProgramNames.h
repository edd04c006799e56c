#pragma once

#include "VstAbi.h"

class CInstrument;

// The names a host shows for the instrument's MIDI programs: the six programs
// on channel 1, and on channel 10 the rhythm box with its three sounds.
class CMidiProgramNames {
public:
    explicit CMidiProgramNames(CInstrument& instrument)
        : m_instrument(instrument)
    {
    }

    // Fills the record named by its thisProgramIndex; answers the number of
    // programs on the channel, 0 for none.
    VstInt32 programName(VstInt32 channel, MidiProgramName* record);
    // The program that the Program value selects; answers its index.
    VstInt32 currentProgram(VstInt32 channel, MidiProgramName* record);
    static bool keyName(VstInt32 channel, MidiKeyName* keyName);

private:
    CInstrument& m_instrument;
};
