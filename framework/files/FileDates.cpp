#include "framework/files/FileDates.h"

#include "platform/files/CPosixFiles.h"

namespace NSWayfarer
{

void PackDate(uint32_t date, unsigned char* out)
{
    out[0] = static_cast<unsigned char>(date >> 24);
    out[1] = static_cast<unsigned char>(date >> 16);
    out[2] = static_cast<unsigned char>(date >> 8);
    out[3] = static_cast<unsigned char>(date);
    out[4] = out[5] = out[6] = out[7] = 0;
}

uint32_t UnpackDate(const unsigned char* in)
{
    return (uint32_t(in[0]) << 24) | (uint32_t(in[1]) << 16) | (uint32_t(in[2]) << 8) | in[3];
}

uint32_t GetNowDate()
{
    return NSPlatform::CPosixFiles::NowDate();
}

} // namespace NSWayfarer
