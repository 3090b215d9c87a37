#include "framework/files/CFileInfo.h"

#include "framework/files/CDirSpec.h"
#include "framework/files/CFileSpec.h"
#include "platform/files/CPosixFiles.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace NSWayfarer
{

namespace
{

int32_t Clip(int64_t size)
{
    return static_cast<int32_t>(std::min<int64_t>(size, INT32_MAX));
}

} // namespace

CFileInfo::CFileInfo()
{
    mName[0] = 0;
}

CFileInfo::CFileInfo(const NSPlatform::SCatalogInfo& catalog) : CFileInfo()
{
    const std::size_t length = std::min<std::size_t>(catalog.mName.size(), kMaxNameLength);
    std::memcpy(mName, catalog.mName.data(), length);
    mName[length] = 0;
    if (catalog.mIsDirectory)
    {
        mIsDirectory = true;
        return;
    }
    mType.MacSet(catalog.mType);
    mCreator.MacSet(catalog.mCreator);
    mCreationDate = catalog.mCreationDate;
    mModificationDate = catalog.mModificationDate;
    mInvisible = (catalog.mFinderFlags & NSPlatform::CPosixFiles::kInvisibleFlag) != 0;
    mDataForkSize = Clip(catalog.mDataForkSize);
    mResourceForkSize = Clip(catalog.mResourceForkSize);
}

CFileSpec* CFileInfo::CreateFileSpec(const CDirSpec* parent) const
{
    return parent->BuildFileSpecForFileInDir(mName);
}

CDirSpec* CFileInfo::CreateDirSpec(const CDirSpec* parent) const
{
    auto dir = std::make_unique<CDirSpec>(*parent);
    dir->GoDownTree(mName);
    return dir.release();
}

} // namespace NSWayfarer
