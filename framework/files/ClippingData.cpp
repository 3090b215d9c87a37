#include "framework/files/ClippingData.h"

#include <cstring>

namespace NSWayfarer
{

void CopyClippingKind(char* out, const char* kind)
{
    const char* const source = kind != nullptr ? kind : "";
    const std::size_t length = strnlen(source, kMaxClippingKindLength);
    std::memcpy(out, source, length);
    out[length] = 0;
}

unsigned char* CopyClippingBytes(const unsigned char* bytes, long size)
{
    if (size <= 0 || bytes == nullptr)
        return nullptr;
    auto* copy = new unsigned char[static_cast<std::size_t>(size)];
    std::memcpy(copy, bytes, static_cast<std::size_t>(size));
    return copy;
}

} // namespace NSWayfarer
