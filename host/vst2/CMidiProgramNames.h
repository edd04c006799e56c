#pragma once

#include "VstAbi.h"

// The names a host shows for the instrument's MIDI programs: the six programs
// on channel 1, and on channel 10 the rhythm box with its three sounds.
class CMidiProgramNames {
public:
    // Fills the record named by its thisProgramIndex; answers the number of
    // programs on the channel, 0 for none.
    static VstInt32 programName(VstInt32 channel, MidiProgramName* record);
    // The program that the Program value selects; answers its index.
    static VstInt32 currentProgram(VstInt32 channel, float programValue, MidiProgramName* record);
    static bool keyName(VstInt32 channel, MidiKeyName* keyName);
};
