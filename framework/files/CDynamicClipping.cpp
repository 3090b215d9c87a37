#include "framework/files/CDynamicClipping.h"

#include <cstring>

namespace NSWayfarer
{

CDynamicClipping::CDynamicClipping(const char* kind, long size, const unsigned char* bytes)
    : fData(CopyClippingBytes(bytes, size))
{
    CopyClippingKind(fKind, kind);
    if (fData != nullptr)
        fSize = size;
}

CDynamicClipping::~CDynamicClipping()
{
    delete[] fData;
}

bool CDynamicClipping::CanType(const char* kind) const
{
    return std::strcmp(kind, fKind) == 0 || CanConvertToType(kind);
}

void CDynamicClipping::Get(const char* kind, long* size, unsigned char** data)
{
    if (std::strcmp(kind, fKind) != 0)
    {
        Convert(kind, size, data);
        return;
    }
    *size = fSize;
    *data = CopyClippingBytes(fData, fSize);
}

} // namespace NSWayfarer
