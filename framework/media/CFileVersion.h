// A file's version number with 16-bit parts and a release stage; formats and compares
// itself (here a newer version must be strictly greater).
#pragma once

#include "framework/media/CVersionParts.h"

#include <cstdint>

namespace NSWayfarer
{

class CFileVersion : public CVersionParts<CFileVersion, uint16_t, true>
{
public:
    using CVersionParts::CVersionParts;
    CFileVersion() = default;
    CFileVersion(const CFileVersion&) = default;
    CFileVersion& operator=(const CFileVersion&) = default;
    virtual ~CFileVersion() = default;

    // out needs room for 32 bytes: "1.2", "1.2.3b4", "2.0Dev7".
    void GetString(char* out) const;
};

} // namespace NSWayfarer
