// Byte-order helpers: images and wire messages store numbers big-endian, whatever the host is.
#pragma once

#include <bit>
#include <cstdint>

// Reverse the byte order unconditionally.
inline uint16_t swap16(uint16_t v)
{
    return static_cast<uint16_t>((v >> 8) | (v << 8));
}

inline uint32_t swap32(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}

// Convert between the stored (big-endian) order and the host's. They are their own inverse,
// and do nothing on a big-endian host.
inline uint16_t BigToHost16(uint16_t v)
{
    if constexpr (std::endian::native == std::endian::big)
        return v;
    else
        return swap16(v);
}

inline uint32_t BigToHost32(uint32_t v)
{
    if constexpr (std::endian::native == std::endian::big)
        return v;
    else
        return swap32(v);
}

inline uint16_t HostToBig16(uint16_t v)
{
    return BigToHost16(v);
}

inline uint32_t HostToBig32(uint32_t v)
{
    return BigToHost32(v);
}

// Read and write big-endian numbers at any address.
inline uint16_t LoadBig16(const uint8_t* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

inline uint32_t LoadBig32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

inline void StoreBig16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

inline void StoreBig32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}
