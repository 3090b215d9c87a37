#include "framework/files/CUnknownFileType.h"

#include <cctype>
#include <cstring>

namespace NSWayfarer
{

CUnknownFileType::CUnknownFileType()
{
    std::memset(fCode, 0, sizeof(fCode));
}

CUnknownFileType::CUnknownFileType(const char* code) : CUnknownFileType()
{
    Set(code);
}

CUnknownFileType::CUnknownFileType(unsigned long code) : CUnknownFileType()
{
    MacSet(code);
}

CUnknownFileType::~CUnknownFileType() = default;

void CUnknownFileType::Get(char* out) const
{
    std::strcpy(out, fCode);
}

void CUnknownFileType::Set(const char* code)
{
    std::memset(fCode, 0, sizeof(fCode));
    if (code != nullptr)
        std::memcpy(fCode, code, strnlen(code, kMaxLength));
}

unsigned long CUnknownFileType::MacGet() const
{
    // The buffer is zero-filled, so a shorter code packs with zero bytes.
    unsigned long code = 0;
    for (int i = 0; i < 4; ++i)
        code = (code << 8) | static_cast<unsigned char>(fCode[i]);
    return code;
}

void CUnknownFileType::MacSet(unsigned long code)
{
    std::memset(fCode, 0, sizeof(fCode));
    for (int i = 0; i < 4; ++i)
        fCode[i] = static_cast<char>((code >> (24 - 8 * i)) & 0xFF);
}

bool CUnknownFileType::IsEqual(const char* code) const
{
    if (code == nullptr || std::strlen(code) != std::strlen(fCode))
        return false;
    for (std::size_t i = 0; fCode[i] != 0; ++i)
    {
        if (std::tolower(static_cast<unsigned char>(fCode[i])) !=
            std::tolower(static_cast<unsigned char>(code[i])))
            return false;
    }
    return true;
}

bool CUnknownFileType::IsEqual(const CUnknownFileType* other) const
{
    return other != nullptr && IsEqual(other->fCode);
}

} // namespace NSWayfarer
