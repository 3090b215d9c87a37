// A snapshot of one mounted volume's information.
#pragma once

#include <cstdint>

namespace NSWayfarer
{

class CVolumeInfo
{
public:
    enum EVolumeType
    {
        kUnknownVolume = 0,
        kMountedVolume = 13 // every existing volume reports this
    };
    static constexpr int kMaxNameLength = 255;

    CVolumeInfo();

    static CVolumeInfo* CreateBootVolumeInfo();
    static bool CreateEnumVolumeInfo(unsigned short index, CVolumeInfo** info);
    static bool GetVolumeType(unsigned short index, EVolumeType* type);

    bool mValid = true;
    bool mHardwareLocked = false;
    char mName[kMaxNameLength + 1];
    uint32_t mAllocationBlocks = 0;
    uint32_t mFreeBlocks = 0;
    uint32_t mCreationDate = 0;
    uint32_t mModificationDate = 0;
    uint32_t mFileCount = 0;
    uint32_t mDirectoryCount = 0;
};

} // namespace NSWayfarer
