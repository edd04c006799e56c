#pragma once

#include "PanelCodes.h"
#include "VstAbi.h"

// One program: the 88-byte record that is also the program chunk.
struct ProgramRecord {
    static constexpr VstInt32 kMarker = 1000;
    static constexpr int kNameSize = 24;
    static constexpr int kNumValues = kNumParams;

    VstInt32 marker;
    char name[kNameSize];
    float values[kNumValues];
};
static_assert(sizeof(ProgramRecord) == 88, "the program chunk is 88 bytes");
