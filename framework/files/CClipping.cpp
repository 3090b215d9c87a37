#include "framework/files/CClipping.h"

#include <cstring>

namespace NSWayfarer
{

CClipping::CClipping(const char* kind, long size, const unsigned char* bytes)
    : fData(CopyClippingBytes(bytes, size))
{
    CopyClippingKind(fKind, kind);
    // Without bytes there is nothing to measure: a size with a null block would
    // send readers past the end of nothing.
    if (fData != nullptr)
        fSize = size;
}

CClipping::CClipping(const CClipping& other)
    : fSize(other.fSize), fData(CopyClippingBytes(other.fData, other.fSize))
{
    std::memcpy(fKind, other.fKind, sizeof(fKind));
}

CClipping& CClipping::operator=(const CClipping& other)
{
    if (this == &other)
        return *this;
    unsigned char* copy = CopyClippingBytes(other.fData, other.fSize);
    delete[] fData;
    fData = copy;
    fSize = other.fSize;
    std::memcpy(fKind, other.fKind, sizeof(fKind));
    return *this;
}

CClipping::~CClipping()
{
    delete[] fData;
}

void CClipping::GetKind(char* out) const
{
    std::strcpy(out, fKind);
}

} // namespace NSWayfarer
