#pragma once

// What a front tells its host about one parameter, the same for every
// instance of the instrument. Values run from 0 to 1.
struct ParameterFacts {
    // The name as a host lists it, without the display's padding.
    const char* name;
    // The value a new instrument starts with.
    float defaultValue;
    // The number of positions the value steps through at even spacing, the
    // first at 0 and the last at 1 (Octave: 3, at 0, 0.5 and 1); 0: the value
    // is continuous.
    int steps;
    // The display's text at each of the steps positions, unpadded; null for a
    // continuous value.
    const char* const* positionLabels;
    // The unit shown beside the value ("dB", "%"), "" for none.
    const char* unit;
    // Whether a host may record and play back its changes.
    bool automatable;
};
