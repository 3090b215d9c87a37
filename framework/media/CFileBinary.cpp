#include "framework/media/CFileBinary.h"

#include "framework/media/BinaryPacking.h"
#include "framework/media/CMedia.h"

#include <cstring>

namespace NSWayfarer
{

CFileBinary::CFileBinary(uint32_t type, const CVersion* version, const char* name)
    : fType(type), fVersion(*version)
{
    std::strncpy(fName, name, kMaxNameLength);
    fName[kMaxNameLength] = 0;
}

CFileBinary::CFileBinary(const uint8_t* packed)
{
    Unpack(packed);
}

CFileBinary::CFileBinary(CMedia* media)
{
    uint8_t packed[kPackedSize];
    media->Read(kPackedSize, packed);
    Unpack(packed);
}

void CFileBinary::Pack(uint8_t* out) const
{
    ClearBinary(out, kPackedSize);
    Pack32BitUnsignedBig(out, fType);
    fVersion.Pack(out + 4);
    PackStringWithZero(out + 9, kMaxNameLength, fName);
}

void CFileBinary::Write(CMedia* media) const
{
    uint8_t packed[kPackedSize];
    Pack(packed);
    media->Write(kPackedSize, packed);
}

void CFileBinary::Unpack(const uint8_t* in)
{
    fType = Unpack32BitUnsignedBig(in);
    fVersion.Unpack(in + 4);
    UnpackStringWithZero(in + 9, kMaxNameLength, fName);
}

} // namespace NSWayfarer
