#pragma once

#include "ParameterFacts.h"

#include <cstdint>

// The texts a host shows for the fifteen parameters: the names padded to the
// display's width, the units and each value as the display reads it. Every
// text fits CInstrument::kTextSize; an index out of range gets "". The facts
// (name, start-up value, positions and their labels, unit) come from the same
// tables.
class CParameterTexts {
public:
    static void name(std::int32_t index, char* text);
    static void label(std::int32_t index, char* text);
    static void display(std::int32_t index, float value, char* text);
    // Null for an index out of range.
    static const ParameterFacts* facts(std::int32_t index);
};
