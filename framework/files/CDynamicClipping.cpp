#include "framework/files/CDynamicClipping.h"

#include <cstring>

namespace NSWayfarer
{

CDynamicClipping::CDynamicClipping(const char* kind, long size, const unsigned char* bytes)
{
    const char* const source = kind != nullptr ? kind : "";
    const std::size_t length = strnlen(source, kMaxKindLength);
    std::memcpy(fKind, source, length);
    fKind[length] = 0;
    if (size > 0 && bytes != nullptr)
    {
        fData = new unsigned char[static_cast<std::size_t>(size)];
        std::memcpy(fData, bytes, static_cast<std::size_t>(size));
        fSize = size;
    }
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
    *data = nullptr;
    if (fSize > 0)
    {
        *data = new unsigned char[static_cast<std::size_t>(fSize)];
        std::memcpy(*data, fData, static_cast<std::size_t>(fSize));
    }
}

} // namespace NSWayfarer
