// A version number with 8-bit parts and a release stage, as used for system components,
// preferences and packed binary records; formats, packs and compares itself.
#pragma once

#include "framework/media/CVersionParts.h"

#include <cstdint>

namespace NSWayfarer
{

class CMedia;

// The platform's 32-bit version record: major in the top byte, then minor and revision
// nibbles, then stage and pre-release bytes.
struct SNumVersion
{
    uint32_t mValue = 0;
};

// An equal version is new enough here.
class CVersion : public CVersionParts<CVersion, uint8_t, false>
{
public:
    enum EStringFormat
    {
        kMajorDotMinor = 10,
        kMajorDotZeroPadMinor = 11,
        kMajorDotMinorDotRevision = 12,
        kMajorDotZeroPadMinorDotZeroPadRevision = 13,
        kDefault = 14
    };

    static constexpr uint8_t kPackedTag = 0xBC;

    using CVersionParts::CVersionParts;
    CVersion() = default;
    CVersion(const CVersion&) = default;
    CVersion& operator=(const CVersion&) = default;
    // Nibbles 0x0MmR: major in bits 8-11, minor in 4-7, revision in 0-3.
    explicit CVersion(uint16_t nibbles);
    explicit CVersion(SNumVersion version);
    // Reads the 5-byte packed form; throws XBadFormat when it does not start with the tag.
    explicit CVersion(CMedia* media);
    virtual ~CVersion() = default;

    uint16_t GetMajorMinorInHiLoByte() const;
    uint32_t GetLongVersion() const;

    // out needs room for 32 bytes. Unknown formats leave out unchanged.
    void GetString(char* out, EStringFormat format = kDefault) const;

    static long GetPackedSize() { return 5; }
    void Pack(uint8_t* out) const;
    // False, and nothing changed, when in does not start with the tag. Stage is kept.
    bool Unpack(const uint8_t* in);
    void Write(CMedia* media) const;
    void Pack2ByteMajorMinor(uint8_t* out) const;
    void Unpack2ByteMajorMinor(const uint8_t* in);

    bool IsSupported(const CVersion& other) const;
    bool IsEqual(const CVersion& other) const;
};

} // namespace NSWayfarer
