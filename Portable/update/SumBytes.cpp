#include "Portable/update/SumBytes.h"

#include <cstring>

uint32_t SumBytes(const uint8_t* data, size_t len, uint32_t sum)
{
    // Eight bytes at a time: the even and the odd bytes of a 64-bit word go into four 16-bit
    // lanes. A lane gains at most 510 a word, so 128 words cannot overflow it.
    constexpr uint64_t kEvenBytes = 0x00FF00FF00FF00FFull;
    while (len >= 8)
    {
        const size_t words = len / 8 < 128 ? len / 8 : 128;
        uint64_t lanes = 0;
        for (size_t i = 0; i < words; ++i)
        {
            uint64_t w;
            std::memcpy(&w, data + i * 8, 8);
            lanes += (w & kEvenBytes) + ((w >> 8) & kEvenBytes);
        }
        // Each 16-bit lane holds a partial sum; the order of the lanes does not matter.
        sum += static_cast<uint32_t>((lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) +
                                     ((lanes >> 32) & 0xFFFF) + (lanes >> 48));
        data += words * 8;
        len -= words * 8;
    }
    while (len-- > 0)
        sum += *data++;
    return sum;
}
