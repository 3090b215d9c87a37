#include "framework/files/FileDates.h"

#include "framework/media/BinaryPacking.h"
#include "platform/files/CPosixFiles.h"

namespace NSWayfarer
{

void PackDate(uint32_t date, unsigned char* out)
{
    Pack32BitUnsignedBig(out, date);
    out[4] = out[5] = out[6] = out[7] = 0;
}

uint32_t UnpackDate(const unsigned char* in)
{
    return Unpack32BitUnsignedBig(in);
}

uint32_t GetNowDate()
{
    return NSPlatform::CPosixFiles::NowDate();
}

} // namespace NSWayfarer
