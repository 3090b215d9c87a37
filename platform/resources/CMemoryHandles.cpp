#include "platform/resources/CMemoryHandles.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unistd.h>
#include <unordered_set>

namespace NSPlatform
{

namespace
{

// The master pointer comes first, so the handle (its address) and the block
// record are the same address.
struct SBlock
{
    char* mPointer;
    long mSize;
    std::uint8_t mState;
};

std::mutex gMutex;
std::unordered_set<SBlock*> gBlocks;
thread_local TOSErr gMemError = kNoErr;

SBlock* Lookup(THandle handle)
{
    auto* block = reinterpret_cast<SBlock*>(handle);
    if (handle == nullptr || gBlocks.count(block) == 0)
        return nullptr;
    return block;
}

THandle Make(long size, std::uint8_t state)
{
    if (size < 0)
    {
        gMemError = kMemFullErr;
        return nullptr;
    }
    auto* block = new (std::nothrow) SBlock{nullptr, size, state};
    char* pointer = static_cast<char*>(std::calloc(std::size_t(size > 0 ? size : 1), 1));
    if (block == nullptr || pointer == nullptr)
    {
        delete block;
        std::free(pointer);
        gMemError = kMemFullErr;
        return nullptr;
    }
    block->mPointer = pointer;
    std::lock_guard<std::mutex> lock(gMutex);
    gBlocks.insert(block);
    gMemError = kNoErr;
    return &block->mPointer;
}

} // namespace

THandle CMemoryHandles::NewHandleClear(long size)
{
    return Make(size, 0);
}

THandle CMemoryHandles::NewResourceHandle(const std::uint8_t* bytes, std::size_t size)
{
    if (size > std::size_t(LONG_MAX))
    {
        gMemError = kMemFullErr;
        return nullptr;
    }
    THandle handle = Make(long(size), kResource);
    if (handle != nullptr && size > 0 && bytes != nullptr)
        std::memcpy(*handle, bytes, size);
    return handle;
}

void CMemoryHandles::DisposeHandle(THandle handle)
{
    SBlock* block = nullptr;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        block = Lookup(handle);
        if (block == nullptr)
        {
            gMemError = handle == nullptr ? kNilHandleErr : kMemWrongZoneErr;
            return;
        }
        gBlocks.erase(block);
    }
    std::free(block->mPointer);
    delete block;
    gMemError = kNoErr;
}

long CMemoryHandles::GetHandleSize(THandle handle)
{
    std::lock_guard<std::mutex> lock(gMutex);
    SBlock* block = Lookup(handle);
    gMemError = block == nullptr ? kNilHandleErr : kNoErr;
    return block == nullptr ? 0 : block->mSize;
}

void CMemoryHandles::HLock(THandle handle)
{
    std::lock_guard<std::mutex> lock(gMutex);
    if (SBlock* block = Lookup(handle))
        block->mState |= kLocked;
}

void CMemoryHandles::HUnlock(THandle handle)
{
    std::lock_guard<std::mutex> lock(gMutex);
    if (SBlock* block = Lookup(handle))
        block->mState &= std::uint8_t(~kLocked);
}

void CMemoryHandles::HNoPurge(THandle handle)
{
    std::lock_guard<std::mutex> lock(gMutex);
    if (SBlock* block = Lookup(handle))
        block->mState &= std::uint8_t(~kPurgeable);
}

std::uint8_t CMemoryHandles::HGetState(THandle handle)
{
    std::lock_guard<std::mutex> lock(gMutex);
    SBlock* block = Lookup(handle);
    return block == nullptr ? 0 : block->mState;
}

bool CMemoryHandles::IsKnown(THandle handle)
{
    std::lock_guard<std::mutex> lock(gMutex);
    return Lookup(handle) != nullptr;
}

bool CMemoryHandles::IsResource(THandle handle)
{
    std::lock_guard<std::mutex> lock(gMutex);
    SBlock* block = Lookup(handle);
    return block != nullptr && (block->mState & kResource) != 0;
}

long CMemoryHandles::MaxBlock()
{
    // There is no fixed heap here: the largest block is bounded by the memory
    // the system still has free.
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return LONG_MAX;
    if (pages > LONG_MAX / pageSize)
        return LONG_MAX;
    return pages * pageSize;
}

TOSErr CMemoryHandles::MemError()
{
    return gMemError;
}

} // namespace NSPlatform
