#include "framework/files/CClipping.h"

#include <cstring>

namespace NSWayfarer
{

namespace
{

unsigned char* CopyBytes(const unsigned char* bytes, long size)
{
    if (size <= 0 || bytes == nullptr)
        return nullptr;
    auto* copy = new unsigned char[static_cast<std::size_t>(size)];
    std::memcpy(copy, bytes, static_cast<std::size_t>(size));
    return copy;
}

} // namespace

CClipping::CClipping(const char* kind, long size, const unsigned char* bytes)
    : fSize(size > 0 ? size : 0), fData(CopyBytes(bytes, size))
{
    const char* const source = kind != nullptr ? kind : "";
    const std::size_t length = strnlen(source, kMaxKindLength);
    std::memcpy(fKind, source, length);
    fKind[length] = 0;
}

CClipping::CClipping(const CClipping& other)
    : fSize(other.fSize), fData(CopyBytes(other.fData, other.fSize))
{
    std::memcpy(fKind, other.fKind, sizeof(fKind));
}

CClipping& CClipping::operator=(const CClipping& other)
{
    if (this == &other)
        return *this;
    unsigned char* copy = CopyBytes(other.fData, other.fSize);
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
