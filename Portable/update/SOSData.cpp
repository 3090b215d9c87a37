#include "Portable/update/SOSData.h"

#include "Portable/update/SumBytes.h"

uint16_t CalcOSHeaderChecksum(const uint8_t* header)
{
    const uint32_t sum =
        SumBytes(header + kOSHeaderChecksumStart, kOSHeaderSize - kOSHeaderChecksumStart);
    return static_cast<uint16_t>(~sum);
}

uint16_t CalcOSHeaderChecksum(const SOSData& header)
{
    return CalcOSHeaderChecksum(reinterpret_cast<const uint8_t*>(&header));
}
