#pragma once

#include <cstdint>

// 16-bit shift register noise source (taps 16, 15, 13, 4, inverted feedback).
// Starting from 0 it runs through all 65535 states except 0xFFFF, so the
// noise it gives is the same at every start.
class CLfsr16 {
public:
    CLfsr16() = default;

    // Shifts once and answers the new top bit (0 or 1).
    int NextBit();
    void Reset() { m_register = 0; }
    uint16_t Value() const { return m_register; }

private:
    uint16_t m_register = 0;
};
