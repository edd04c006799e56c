#pragma once

#include <cstdint>

// The texts a host shows for the fifteen parameters: the names padded to the
// display's width, the units and each value as the display reads it. Every
// text fits CInstrument::kTextSize; an index out of range gets "".
class CParameterTexts {
public:
    static void name(std::int32_t index, char* text);
    static void label(std::int32_t index, char* text);
    static void display(std::int32_t index, float value, char* text);
};
