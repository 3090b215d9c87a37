// The 256-byte header record of a binary file: a type value, a version and a name of at
// most 128 characters, in a fixed big-endian layout.
#pragma once

#include "framework/media/CVersion.h"

#include <cstdint>

namespace NSWayfarer
{

class CMedia;

class CFileBinary
{
public:
    static constexpr long kPackedSize = 256;
    static constexpr long kMaxNameLength = 128;

    // The name is cut to 128 characters.
    CFileBinary(uint32_t type, const CVersion* version, const char* name);
    explicit CFileBinary(const uint8_t* packed);
    // Reads 256 bytes from the media's current position.
    explicit CFileBinary(CMedia* media);

    // Writes the 256-byte layout: type, packed version, name without line feeds, zeros.
    void Pack(uint8_t* out) const;
    void Write(CMedia* media) const;
    // The version stays as it was when its tag is wrong.
    void Unpack(const uint8_t* in);

    uint32_t GetType() const { return fType; }
    const CVersion& GetVersion() const { return fVersion; }
    const char* GetName() const { return fName; }

private:
    uint32_t fType = 0;
    CVersion fVersion;
    char fName[kMaxNameLength + 1] = {};
};

} // namespace NSWayfarer
