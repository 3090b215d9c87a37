// The application's pictures by identifier: each decoded once into the screen's format
// and kept, in registration order, until flushed.
#pragma once

#include "framework/graphics/TBitmapID.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace NSWayfarer
{

class CABCBitmap;
class CBitmapDest;

class CBitmapCache
{
public:
    CBitmapCache();
    ~CBitmapCache();
    CBitmapCache(const CBitmapCache&) = delete;
    CBitmapCache& operator=(const CBitmapCache&) = delete;

    // Appends an entry and takes the bitmap over (null, or a bitmap the cache already owns,
    // is not registered). An identifier registered twice has two entries; lookups find the
    // first.
    void Register(CABCBitmap* bitmap, TBitmapID id);
    // The first entry's bitmap, or null.
    CABCBitmap* Find(TBitmapID id) const;
    // Decodes "JPEG" resource id.GetResourceNumber() for dest and registers it; on failure nothing
    // is registered and the exception goes on.
    CABCBitmap* LoadAndRegisterFromJPEGResource(const CBitmapDest* dest, TBitmapID id);
    // Destroys the first entry of that identifier, if any.
    void Flush(TBitmapID id);
    void FlushAll();
    size_t CountEntries() const { return fEntries.size(); }

private:
    struct SEntry
    {
        TBitmapID mID;
        std::unique_ptr<CABCBitmap> mBitmap;
    };
    std::vector<SEntry> fEntries;
};

} // namespace NSWayfarer
