#include "framework/files/MacResources.h"

#include "framework/files/FourCharCode.h"
#include "framework/files/XBase.h"
#include "platform/resources/CMemoryHandles.h"
#include "platform/resources/CResourceManager.h"

#include <cstring>

namespace NSWayfarer
{

using NSPlatform::CMemoryHandles;
using NSPlatform::CResourceManager;

unsigned long MacResourceTypeCode(const char* type)
{
    // Codes shorter than four characters are padded with blanks, as the
    // resource tool writes them.
    return PackFourCharCode(type, ' ');
}

char** MacNewHandle(long size)
{
    char** handle = CMemoryHandles::NewHandleClear(size);
    if (handle == nullptr)
        throw XMacSystemOOM();
    return handle;
}

char** MacNewLockedHandle(long size)
{
    char** handle = MacNewHandle(size);
    CMemoryHandles::HLock(handle);
    CMemoryHandles::HNoPurge(handle);
    return handle;
}

bool MacIsHandleLocked(char** handle)
{
    return (CMemoryHandles::HGetState(handle) & CMemoryHandles::kLocked) != 0;
}

void MacLockHandle(char** handle)
{
    CMemoryHandles::HLock(handle);
}

void MacUnlockHandle(char** handle)
{
    CMemoryHandles::HUnlock(handle);
}

long MacGetHandleSize(char** handle)
{
    const long size = CMemoryHandles::GetHandleSize(handle);
    if (size <= 0)
        throw XBase();
    return size;
}

void MacDeletePossiblyLockedHandle(char*** handle)
{
    if (*handle == nullptr)
        return;
    if (MacIsHandleLocked(*handle))
        MacUnlockHandle(*handle);
    CMemoryHandles::DisposeHandle(*handle);
    *handle = nullptr;
}

char** MacGet1Resource(const char* type, short id)
{
    char** handle =
        CResourceManager::Get1Resource(static_cast<uint32_t>(MacResourceTypeCode(type)), id);
    if (handle != nullptr)
        return handle;
    switch (CResourceManager::ResError())
    {
    case NSPlatform::kNoErr:
    case NSPlatform::kResNotFoundErr:
        throw XNotFound();
    case NSPlatform::kResFileNotFoundErr:
        throw XFileNotFound();
    case NSPlatform::kMemFullErr:
        throw XMacSystemOOM();
    default:
        throw XBase();
    }
}

void MacReleaseResource(char*** handle)
{
    if (*handle == nullptr)
        return;
    if (MacIsHandleLocked(*handle))
        MacUnlockHandle(*handle);
    CResourceManager::ReleaseResource(*handle);
    *handle = nullptr;
    if (CResourceManager::ResError() != NSPlatform::kNoErr)
        throw XInternalError();
}

bool MacDoesResourceExist(const char* type, short id)
{
    char** handle =
        CResourceManager::Get1Resource(static_cast<uint32_t>(MacResourceTypeCode(type)), id);
    if (handle == nullptr)
    {
        (void)CResourceManager::ResError();
        return false;
    }
    MacReleaseResource(&handle);
    return true;
}

long MacPreflightMemory(long size)
{
    const long largest = CMemoryHandles::MaxBlock();
    if (largest < size)
        throw XMacSystemOOM();
    return largest;
}

} // namespace NSWayfarer
