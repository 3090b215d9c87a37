// Builds OS images for the instrument tests: a valid header and one CODE section
// of patterned bytes, with hooks to break them.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace NSVirtualImage
{

inline void Put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}

inline void Put32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// Recomputes the header checksum after a test changed the header.
inline void SealHeader(std::vector<uint8_t>& image)
{
    uint32_t sum = 0;
    for (size_t i = 8; i < 724; ++i)
        sum += image[i];
    Put16(&image[6], uint16_t(~sum));
}

inline std::vector<uint8_t> Make(size_t codeSize, uint16_t version = 120, uint16_t build = 7)
{
    std::vector<uint8_t> image(724 + codeSize);
    Put16(&image[0], version);
    image[2] = 1;
    Put16(&image[4], build);
    image[19] = 1;
    uint8_t* s = &image[20];
    std::memcpy(s, "CODE", 4);
    Put32(s + 4, 724);
    Put32(s + 8, uint32_t(codeSize));
    Put32(s + 12, 0x00100000);
    uint32_t sum = 0;
    for (size_t i = 0; i < codeSize; ++i)
    {
        image[724 + i] = uint8_t(i * 7 + (i >> 8));
        sum += image[724 + i];
    }
    Put32(s + 16, ~sum);
    SealHeader(image);
    return image;
}

} // namespace NSVirtualImage
