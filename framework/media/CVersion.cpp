#include "framework/media/CVersion.h"

#include "framework/files/XBase.h"
#include "framework/media/CMedia.h"

#include <cstdio>

namespace NSWayfarer
{

CVersion::CVersion(uint16_t nibbles)
    : CVersionParts((nibbles >> 8) & 0xF, (nibbles >> 4) & 0xF, nibbles & 0xF)
{
}

CVersion::CVersion(SNumVersion version)
    : CVersionParts(uint8_t(version.mValue >> 24), (version.mValue >> 20) & 0xF,
                    (version.mValue >> 16) & 0xF)
{
}

CVersion::CVersion(CMedia* media)
{
    uint8_t packed[5];
    media->Read(5, packed);
    if (!Unpack(packed))
        throw XBadFormat();
}

uint16_t CVersion::GetMajorMinorInHiLoByte() const
{
    return uint16_t(fMajor * 256 + fMinor);
}

uint32_t CVersion::GetLongVersion() const
{
    return uint32_t(fMajor) * 65536 + uint32_t(fMinor) * 256 + fRevision;
}

void CVersion::GetString(char* out, EStringFormat format) const
{
    switch (format)
    {
    case kMajorDotMinor:
    case kMajorDotZeroPadMinor:
        std::snprintf(out, 32, "%d.%d", fMajor, fMinor);
        break;
    case kMajorDotMinorDotRevision:
    case kMajorDotZeroPadMinorDotZeroPadRevision:
        std::snprintf(out, 32, "%d.%d.%d", fMajor, fMinor, fRevision);
        break;
    case kDefault:
        FormatParts(out);
        break;
    }
}

void CVersion::Pack(uint8_t* out) const
{
    out[0] = kPackedTag;
    out[1] = fMajor;
    out[2] = fMinor;
    out[3] = fRevision;
    out[4] = 0;
}

bool CVersion::Unpack(const uint8_t* in)
{
    if (in[0] != kPackedTag)
        return false;
    fMajor = in[1];
    fMinor = in[2];
    fRevision = in[3];
    return true;
}

void CVersion::Write(CMedia* media) const
{
    uint8_t packed[5];
    Pack(packed);
    media->Write(5, packed);
}

void CVersion::Pack2ByteMajorMinor(uint8_t* out) const
{
    out[0] = fMajor;
    out[1] = fMinor;
}

void CVersion::Unpack2ByteMajorMinor(const uint8_t* in)
{
    fMajor = in[0];
    fMinor = in[1];
    fRevision = 0;
    fStage = kRelease;
}

bool CVersion::IsSupported(const CVersion& other) const
{
    return other.IsNewEnough(*this);
}

bool CVersion::IsEqual(const CVersion& other) const
{
    return IsSameNumber(other);
}

} // namespace NSWayfarer
