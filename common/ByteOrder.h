#pragma once

#include <cstdint>
#include <cstring>

// Little-endian (and, for the preset files, big-endian) reading and writing
// of 32-bit fields in byte buffers, independent of the machine's own byte
// order.
namespace byteorder {

inline void putUint32(unsigned char* out, std::uint32_t value)
{
    out[0] = static_cast<unsigned char>(value);
    out[1] = static_cast<unsigned char>(value >> 8);
    out[2] = static_cast<unsigned char>(value >> 16);
    out[3] = static_cast<unsigned char>(value >> 24);
}

inline std::uint32_t getUint32(const unsigned char* in)
{
    return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
           (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

inline void putInt32(unsigned char* out, std::int32_t value)
{
    putUint32(out, static_cast<std::uint32_t>(value));
}

inline std::int32_t getInt32(const unsigned char* in)
{
    const std::uint32_t bits = getUint32(in);
    std::int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void putFloat(unsigned char* out, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putUint32(out, bits);
}

inline float getFloat(const unsigned char* in)
{
    const std::uint32_t bits = getUint32(in);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void putBigUint32(unsigned char* out, std::uint32_t value)
{
    out[0] = static_cast<unsigned char>(value >> 24);
    out[1] = static_cast<unsigned char>(value >> 16);
    out[2] = static_cast<unsigned char>(value >> 8);
    out[3] = static_cast<unsigned char>(value);
}

inline std::uint32_t getBigUint32(const unsigned char* in)
{
    return (static_cast<std::uint32_t>(in[0]) << 24) | (static_cast<std::uint32_t>(in[1]) << 16) |
           (static_cast<std::uint32_t>(in[2]) << 8) | static_cast<std::uint32_t>(in[3]);
}

} // namespace byteorder
