#include "CLfsr16.h"

int CLfsr16::NextBit()
{
    const uint32_t r = m_register;
    const uint32_t taps = (r >> 15) ^ (r >> 14) ^ (r >> 12) ^ (r >> 3);
    const uint32_t feedback = 1u - (taps & 1u);
    m_register = static_cast<uint16_t>(((r << 1) & 0xFFFFu) + feedback);
    return (m_register >> 15) & 1;
}
