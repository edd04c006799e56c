#pragma once

#include <cstdint>

// The number texts of the parameter display, as hosts of the plug-in
// interface show them: at most eight characters and the terminator.
namespace numbertext {

// Decibels of an amplitude factor; "-oo" for 0 and below.
void dB2string(float value, char* text);
// Eight characters: sign, integer digits, point, fractional digits; "Huge!"
// outside -9999999 to 99999999.
void float2string(float value, char* text);
// Right-aligned in seven places; "Huge!" from 100000000 on.
void long2string(std::int32_t value, char* text);

} // namespace numbertext
