// Clipboard data that can also be offered in other kinds; subclasses supply
// the conversions.
#pragma once

#include "framework/files/ClippingData.h"

namespace NSWayfarer
{

class CDynamicClipping
{
public:
    static constexpr int kMaxKindLength = kMaxClippingKindLength;

    CDynamicClipping(const char* kind, long size, const unsigned char* bytes);
    virtual ~CDynamicClipping();
    CDynamicClipping(const CDynamicClipping&) = delete;
    CDynamicClipping& operator=(const CDynamicClipping&) = delete;

    virtual bool CanConvertToType(const char*) const { return false; }
    virtual void Convert(const char*, long*, unsigned char**) {}

    bool CanType(const char* kind) const;
    // Own kind: a new copy (caller deletes it) and its size; other kinds:
    // whatever Convert delivers.
    void Get(const char* kind, long* size, unsigned char** data);

protected:
    long fSize = 0;
    unsigned char* fData = nullptr;
    char fKind[kMaxKindLength + 1];
};

} // namespace NSWayfarer
