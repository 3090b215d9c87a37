#include "Portable/update/SwapAndCheckOSdata.h"

#include "Portable/update/ByteOrder.h"
#include "Portable/update/SumBytes.h"

#include <cstring>

namespace
{

constexpr int kChunkSize = 1024;

void SwapSection(SSectData& s)
{
    s.mOffs = BigToHost32(s.mOffs);
    s.mSize = BigToHost32(s.mSize);
    s.mAddr = BigToHost32(s.mAddr);
    s.mChks = BigToHost32(s.mChks);
    s.mComprSize = BigToHost32(s.mComprSize);
    s.mComprChks = BigToHost32(s.mComprChks);
}

// Sums one section's stored bytes through a fixed chunk buffer and compares the inverted total
// with its checksum.
bool SectionMatches(SFileDesc* fdp, const SSectData& s, int64_t imageLen)
{
    const bool compressed = s.mComprSize != 0;
    const uint32_t stored = compressed ? s.mComprSize : s.mSize;
    const uint32_t expected = compressed ? s.mComprChks : s.mChks;
    if (int64_t{s.mOffs} + int64_t{stored} > imageLen)
        return false;
    if (!dseek(fdp, s.mOffs))
        return false;

    uint8_t buffer[kChunkSize];
    uint32_t sum = 0;
    uint32_t left = stored;
    while (left > 0)
    {
        const int n = left < kChunkSize ? static_cast<int>(left) : kChunkSize;
        if (dread(buffer, n, fdp) != n)
            return false;
        sum = SumBytes(buffer, static_cast<size_t>(n), sum);
        left -= static_cast<uint32_t>(n);
    }
    return static_cast<uint32_t>(~sum) == expected;
}

} // namespace

uint32_t SwapAndCheckOSdata(SFileDesc* fdp)
{
    if (fdp == nullptr)
        return kOSCheckFailed;
    SOSData& header = fdp->mOSData;
    header.mVersion = BigToHost16(header.mVersion);
    header.mBuild = BigToHost16(header.mBuild);
    header.mChks = BigToHost16(header.mChks);

    const int64_t imageLen = dlength(fdp);
    if (imageLen < kOSHeaderSize || header.mSectCnt > kOSMaxSections)
        return kOSCheckFailed;

    bool haveCode = false;
    uint32_t startAddr = kOSCheckFailed;
    for (int i = 0; i < header.mSectCnt; ++i)
    {
        SSectData& s = header.mSect[i];
        SwapSection(s);
        if (std::memcmp(s.mName, "CODE", 4) == 0)
        {
            startAddr = s.mAddr;
            haveCode = true;
        }
    }

    if (CalcOSHeaderChecksum(header) != header.mChks || !haveCode)
        return kOSCheckFailed;

    for (int i = 0; i < header.mSectCnt; ++i)
    {
        if (!SectionMatches(fdp, header.mSect[i], imageLen))
            return kOSCheckFailed;
    }
    return startAddr;
}
