// A volume that arrived on the desktop, as the disk event hands it to windows and
// the application: the event's message split into error and drive, and the
// volume's name and reference number.
#pragma once

#include <cstdint>
#include <cstring>

namespace NSWayfarer
{

class CMacDiskMountInfo
{
public:
    CMacDiskMountInfo() { fVolumeName[0] = 0; }

    // The message's high word is the error, its low word the drive number.
    explicit CMacDiskMountInfo(uint32_t message)
        : fMessage(message), fErr(static_cast<int16_t>(message >> 16)),
          fDriveNumber(static_cast<int16_t>(message & 0xFFFF))
    {
        fVolumeName[0] = 0;
    }

    // Cut to 27 bytes, always terminated.
    void SetVolumeName(const char* name)
    {
        const size_t length = name ? ::strnlen(name, sizeof fVolumeName - 1) : 0;
        if (length)
            std::memcpy(fVolumeName, name, length);
        fVolumeName[length] = 0;
    }

    uint32_t fMessage = 0;
    int16_t fErr = 0;
    int16_t fDriveNumber = 0;
    char fVolumeName[28];
    int16_t fVolumeRefNum = 0;
};

} // namespace NSWayfarer
