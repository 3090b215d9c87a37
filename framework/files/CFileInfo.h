// A snapshot of one catalogue entry (file or folder).
#pragma once

#include "framework/files/CFileCreator.h"
#include "framework/files/CUnknownFileType.h"

#include <cstdint>

namespace NSPlatform
{
struct SCatalogInfo;
}

namespace NSWayfarer
{

class CDirSpec;
class CFileSpec;

class CFileInfo
{
public:
    static constexpr int kMaxNameLength = 255;

    CFileInfo();
    explicit CFileInfo(const NSPlatform::SCatalogInfo& catalog);

    CFileSpec* CreateFileSpec(const CDirSpec* parent) const;
    CDirSpec* CreateDirSpec(const CDirSpec* parent) const;

    char mName[kMaxNameLength + 1];
    CUnknownFileType mType;
    uint32_t mCreationDate = 0;
    uint32_t mModificationDate = 0;
    bool mInvisible = false;
    bool mIsDirectory = false;
    int32_t mDataForkSize = 0;
    int32_t mResourceForkSize = 0;
    CFileCreator mCreator;
};

} // namespace NSWayfarer
