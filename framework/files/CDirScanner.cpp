#include "framework/files/CDirScanner.h"

#include "framework/files/CDirSpec.h"
#include "framework/files/CFileInfo.h"

namespace NSWayfarer
{

CDirScanner::CDirScanner(CDirSpec* dir) : fDir(dir) {}

CFileInfo* CDirScanner::CreateFileInfoAndStepToNext()
{
    CFileInfo* info = nullptr;
    if (!fDir->MacGetFileInfoByIndex(fIndex, &info))
        return nullptr;
    ++fIndex;
    return info;
}

} // namespace NSWayfarer
