#include "framework/files/CVolumeInfo.h"

#include "framework/files/XBase.h"
#include "platform/files/CPosixFiles.h"

#include <algorithm>
#include <cstring>

namespace NSWayfarer
{

using NSPlatform::CPosixFiles;

namespace
{

// False past the last volume; XFile when the volume cannot be read.
bool ReadVolume(unsigned short index, NSPlatform::SVolumeRecord& record)
{
    const NSPlatform::TOSErr result = CPosixFiles::GetVolume(index, &record);
    if (result == NSPlatform::kNoSuchVolumeErr)
        return false;
    if (result != NSPlatform::kNoErr)
        throw XFile();
    return true;
}

CVolumeInfo* FromRecord(const NSPlatform::SVolumeRecord& record)
{
    auto* info = new CVolumeInfo;
    info->mHardwareLocked = record.mHardwareLocked;
    const std::size_t length =
        std::min<std::size_t>(record.mName.size(), CVolumeInfo::kMaxNameLength);
    std::memcpy(info->mName, record.mName.data(), length);
    info->mName[length] = 0;
    info->mAllocationBlocks = record.mAllocationBlocks;
    info->mFreeBlocks = record.mFreeBlocks;
    info->mCreationDate = record.mCreationDate;
    info->mModificationDate = record.mModificationDate;
    info->mFileCount = record.mFileCount;
    info->mDirectoryCount = record.mDirectoryCount;
    return info;
}

} // namespace

CVolumeInfo::CVolumeInfo()
{
    mName[0] = 0;
}

CVolumeInfo* CVolumeInfo::CreateBootVolumeInfo()
{
    NSPlatform::SNativeFileSpec system;
    NSPlatform::SVolumeRecord record;
    if (CPosixFiles::FindFolder(CPosixFiles::kSystemFolder, false, &system) != NSPlatform::kNoErr ||
        CPosixFiles::GetVolumeOfSpec(system, &record) != NSPlatform::kNoErr)
        throw XFile();
    return FromRecord(record);
}

bool CVolumeInfo::CreateEnumVolumeInfo(unsigned short index, CVolumeInfo** info)
{
    NSPlatform::SVolumeRecord record;
    *info = ReadVolume(index, record) ? FromRecord(record) : nullptr;
    return *info != nullptr;
}

bool CVolumeInfo::GetVolumeType(unsigned short index, EVolumeType* type)
{
    NSPlatform::SVolumeRecord record;
    if (!ReadVolume(index, record))
        return false;
    *type = kMountedVolume;
    return true;
}

} // namespace NSWayfarer
