#pragma once

#include <cstdint>

// Byte-order helpers for the chunk records, which are little-endian whatever
// the machine's own order.
namespace LittleEndian {

inline void putInt32(unsigned char* dest, int32_t value)
{
    const uint32_t bits = static_cast<uint32_t>(value);
    dest[0] = static_cast<unsigned char>(bits & 0xFFu);
    dest[1] = static_cast<unsigned char>((bits >> 8) & 0xFFu);
    dest[2] = static_cast<unsigned char>((bits >> 16) & 0xFFu);
    dest[3] = static_cast<unsigned char>((bits >> 24) & 0xFFu);
}

inline int32_t getInt32(const unsigned char* src)
{
    const uint32_t bits = static_cast<uint32_t>(src[0]) | (static_cast<uint32_t>(src[1]) << 8)
        | (static_cast<uint32_t>(src[2]) << 16) | (static_cast<uint32_t>(src[3]) << 24);
    return static_cast<int32_t>(bits);
}

} // namespace LittleEndian
