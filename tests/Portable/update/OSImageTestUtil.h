// Helpers for tests that need OS images: patching header fields of a built image and running the
// updater's check over it exactly as the sender does.
#pragma once

#include "Portable/update/ByteOrder.h"
#include "Portable/update/SFileDesc.h"
#include "Portable/update/SOSData.h"
#include "Portable/update/SwapAndCheckOSdata.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace OSImageTest
{

inline std::vector<uint8_t> Pattern(size_t size, uint8_t seed)
{
    std::vector<uint8_t> data(size);
    uint32_t x = 0x9E3779B9u ^ seed;
    for (uint8_t& b : data)
    {
        x = x * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(x >> 24);
    }
    return data;
}

inline size_t EntryOffset(int index, size_t field)
{
    return offsetof(SOSData, mSect) + static_cast<size_t>(index) * sizeof(SSectData) + field;
}

inline void SetEntry32(std::vector<uint8_t>& image, int index, size_t field, uint32_t value)
{
    StoreBig32(image.data() + EntryOffset(index, field), value);
}

inline uint32_t GetEntry32(const std::vector<uint8_t>& image, int index, size_t field)
{
    return LoadBig32(image.data() + EntryOffset(index, field));
}

// Recomputes the stored header checksum after a test has patched the header.
inline void FixHeaderChecksum(std::vector<uint8_t>& image)
{
    StoreBig16(image.data() + offsetof(SOSData, mChks), CalcOSHeaderChecksum(image.data()));
}

// Reads the header from memory and checks the image, as the sender does. The descriptor is left
// as the check left it.
inline uint32_t CheckInMemory(std::vector<uint8_t>& image, SFileDesc& desc)
{
    std::memset(&desc, 0, sizeof(desc));
    desc.mFileData = image.data();
    desc.mFileLen = static_cast<int32_t>(image.size());
    dread(&desc.mOSData, kOSHeaderSize, &desc);
    return SwapAndCheckOSdata(&desc);
}

inline uint32_t CheckInMemory(std::vector<uint8_t>& image)
{
    SFileDesc desc;
    return CheckInMemory(image, desc);
}

} // namespace OSImageTest
