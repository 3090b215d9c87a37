// Relocatable memory blocks ("handles") as the framework's handle functions
// expect them: a pointer to a master pointer, with a lock state and a size.
#pragma once

#include "platform/files/MacResultCodes.h"

#include <cstddef>
#include <cstdint>

namespace NSPlatform
{

using THandle = char**;

class CMemoryHandles
{
public:
    // State bits as HGetState reports them.
    static constexpr std::uint8_t kLocked = 0x80;
    static constexpr std::uint8_t kPurgeable = 0x40;
    static constexpr std::uint8_t kResource = 0x20;

    // A zero-filled block; null (and kMemFullErr from MemError) when the
    // size is negative or no memory is left.
    static THandle NewHandleClear(long size);
    // A block holding a copy of the bytes, marked as a resource; null bytes
    // leave it zero-filled for the caller to fill.
    static THandle NewResourceHandle(const std::uint8_t* bytes, std::size_t size);
    static void DisposeHandle(THandle handle);
    static long GetHandleSize(THandle handle);
    static void HLock(THandle handle);
    static void HUnlock(THandle handle);
    static void HNoPurge(THandle handle);
    static std::uint8_t HGetState(THandle handle);
    static bool IsKnown(THandle handle);
    static bool IsResource(THandle handle);
    static long MaxBlock();
    static TOSErr MemError();
};

} // namespace NSPlatform
