#include "framework/graphics/CBitmapCache.h"

#include "framework/graphics/CABCBitmap.h"
#include "framework/graphics/CBitmapUtils.h"

#include <algorithm>

namespace NSWayfarer
{

CBitmapCache::CBitmapCache() = default;

CBitmapCache::~CBitmapCache()
{
    FlushAll();
}

void CBitmapCache::Register(CABCBitmap* bitmap, TBitmapID id)
{
    if (bitmap == nullptr)
        return;
    // A bitmap the cache already owns is not taken a second time: it would be freed twice.
    if (std::any_of(fEntries.begin(), fEntries.end(),
                    [bitmap](const SEntry& e) { return e.mBitmap.get() == bitmap; }))
        return;
    std::unique_ptr<CABCBitmap> owned(bitmap);
    fEntries.push_back(SEntry{id, std::move(owned)});
}

CABCBitmap* CBitmapCache::Find(TBitmapID id) const
{
    const auto it = std::find_if(fEntries.begin(), fEntries.end(),
                                 [&id](const SEntry& e) { return e.mID == id; });
    return it != fEntries.end() ? it->mBitmap.get() : nullptr;
}

CABCBitmap* CBitmapCache::LoadAndRegisterFromJPEGResource(const CBitmapDest* dest, TBitmapID id)
{
    std::unique_ptr<CABCBitmap> bitmap(CBitmapUtils::LoadBitmapFromJPEGResource(dest, id));
    CABCBitmap* result = bitmap.get();
    Register(bitmap.release(), id);
    return result;
}

void CBitmapCache::Flush(TBitmapID id)
{
    const auto it = std::find_if(fEntries.begin(), fEntries.end(),
                                 [&id](const SEntry& e) { return e.mID == id; });
    if (it == fEntries.end())
        return;
    // Out of the list first: the bitmap's destructor must not find itself still listed.
    std::unique_ptr<CABCBitmap> doomed = std::move(it->mBitmap);
    fEntries.erase(it);
}

void CBitmapCache::FlushAll()
{
    std::vector<SEntry> doomed;
    doomed.swap(fEntries);
}

} // namespace NSWayfarer
