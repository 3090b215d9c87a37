// Feeds arbitrary bytes to the resource-file reader: parsing must either reject
// the file or give resources whose every byte lies inside it; what parses must
// survive a write and a second read unchanged, and every resource must come
// out of the resource calls (dialog byte-order conversion, string lists).

#include "platform/resources/CMemoryHandles.h"
#include "platform/resources/CResourceFork.h"
#include "platform/resources/CResourceManager.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace NSPlatform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CResourceFork fork;
    std::string why;
    if (CResourceFork::Parse(data, size, &fork, &why) != kNoErr)
    {
        if (why.empty())
            std::abort();
        return 0;
    }

    std::vector<std::uint8_t> written;
    if (fork.Serialize(&written, &why) == kNoErr)
    {
        CResourceFork again;
        if (CResourceFork::Parse(written.data(), written.size(), &again, &why) != kNoErr)
            std::abort();
        if (again.GetEntries().size() != fork.GetEntries().size())
            std::abort();
        for (const SResourceEntry& entry : fork.GetEntries())
        {
            const SResourceEntry* copy = again.Find(entry.mType, entry.mID);
            if (copy == nullptr || copy->mData != entry.mData || copy->mName != entry.mName)
                std::abort();
        }
    }

    const std::int16_t ref = CResourceManager::OpenResImage(data, size);
    if (ref == CResourceManager::kNoFile)
        std::abort(); // the same bytes parsed above
    for (const SResourceEntry& entry : fork.GetEntries())
    {
        THandle handle = CResourceManager::Get1Resource(entry.mType, entry.mID);
        if (handle == nullptr ||
            CMemoryHandles::GetHandleSize(handle) != static_cast<long>(entry.mData.size()))
            std::abort();
        CResourceManager::ReleaseResource(handle);
        if (entry.mType == CResourceFork::PackCode("STR#"))
        {
            unsigned char text[256];
            for (int index = 0; index < 40; ++index)
                CResourceManager::GetIndString(text, entry.mID, static_cast<std::int16_t>(index));
        }
    }
    CResourceManager::CloseResFile(ref);
    return 0;
}
