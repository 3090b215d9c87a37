// Data of one kind taken from the clipboard: the kind, the size and a copy of
// the bytes.
#pragma once

#include "framework/files/ClippingData.h"

namespace NSWayfarer
{

class CClipping
{
public:
    static constexpr int kMaxKindLength = kMaxClippingKindLength;

    CClipping(const char* kind, long size, const unsigned char* bytes);
    CClipping(const CClipping& other);
    CClipping& operator=(const CClipping& other);
    ~CClipping();

    void GetKind(char* out) const;
    long GetSize() const { return fSize; }
    const unsigned char* GetData() const { return fData; }

private:
    char fKind[kMaxKindLength + 1];
    long fSize = 0;
    unsigned char* fData = nullptr;
};

} // namespace NSWayfarer
