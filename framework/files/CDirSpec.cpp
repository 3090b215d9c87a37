#include "framework/files/CDirSpec.h"

#include "framework/files/CFileInfo.h"
#include "framework/files/CFileSpec.h"
#include "framework/files/XBase.h"
#include "platform/files/CPosixFiles.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace NSWayfarer
{

using NSPlatform::CPosixFiles;
using NSPlatform::TOSErr;

namespace
{

bool IsBadLeaf(const char* name)
{
    return name == nullptr || name[0] == 0 || std::strchr(name, '/') != nullptr ||
           std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

} // namespace

CDirSpec::CDirSpec(const NSPlatform::SNativeFileSpec& spec) : fSpec(spec) {}

CDirSpec::CDirSpec(CMedia* media)
{
    CFileSpec file(media);
    file.MacGetFSSpec(&fSpec);
}

CDirSpec::~CDirSpec() = default;

void CDirSpec::Write(CMedia* media) const
{
    CFileSpec(fSpec).Write(media);
}

bool CDirSpec::IsEqual(const CDirSpec* other) const
{
    return other != nullptr && CFileSpec::MacAreFSSpecsEqual(fSpec, other->fSpec);
}

long CDirSpec::MacGetDirID() const
{
    int32_t id = 0;
    if (CPosixFiles::GetDirectoryID(fSpec, &id) != NSPlatform::kNoErr)
        throw XFile();
    return id;
}

long CDirSpec::MacGetParentDirID() const
{
    return CPosixFiles::GetParentID(fSpec);
}

short CDirSpec::MacGetVolumeID() const
{
    return CPosixFiles::GetVolumeID(fSpec);
}

void CDirSpec::GetDirectoryName(char* out) const
{
    const std::string name = fSpec.mName.empty() ? "/" : fSpec.mName;
    const std::size_t length = std::min<std::size_t>(name.size(), CFileSpec::kMaxNameLength);
    std::memcpy(out, name.data(), length);
    out[length] = 0;
}

NSPlatform::SNativeFileSpec CDirSpec::ChildSpec(const char* name) const
{
    if (IsBadLeaf(name))
        throw XFile();
    return NSPlatform::SNativeFileSpec{fSpec.Path(), name};
}

void CDirSpec::GoDownTree(const char* name)
{
    fSpec = ChildSpec(name);
}

void CDirSpec::GoUpTree()
{
    if (fSpec.mName.empty())
        throw XFile(); // the root has no parent
    fSpec = CPosixFiles::SpecForDirectoryPath(fSpec.mDirectory);
}

bool CDirSpec::DoesDirItemExist(const char* name) const
{
    NSPlatform::SCatalogInfo info;
    const TOSErr result = CPosixFiles::GetCatalogInfo(ChildSpec(name), &info);
    if (result == NSPlatform::kNoErr)
        return true;
    if (result == NSPlatform::kFileNotFoundErr)
        return false;
    throw XFile();
}

CFileSpec* CDirSpec::BuildFileSpecForFileInDir(const char* name) const
{
    return new CFileSpec(ChildSpec(name));
}

CDirSpec* CDirSpec::CreatePhysicalDirectory(const char* name) const
{
    if (IsBadLeaf(name))
        throw XBase();
    const NSPlatform::SNativeFileSpec child{fSpec.Path(), name};
    if (CPosixFiles::CreateDirectory(child) != NSPlatform::kNoErr)
        throw XBase();
    return new CDirSpec(child);
}

bool CDirSpec::MacGetFileInfoByIndex(unsigned short index, CFileInfo** info) const
{
    NSPlatform::SCatalogInfo catalog;
    const TOSErr result = CPosixFiles::GetCatalogInfoByIndex(fSpec, int(index) + 1, &catalog);
    if (result == NSPlatform::kFileNotFoundErr)
    {
        *info = nullptr;
        return false;
    }
    if (result != NSPlatform::kNoErr)
        throw XFile();
    *info = new CFileInfo(catalog);
    return true;
}

CDirSpec* CDirSpec::NewFromCurrentDirectory()
{
    NSPlatform::SNativeFileSpec spec;
    CPosixFiles::GetCurrentDirectorySpec(&spec);
    return new CDirSpec(spec);
}

CDirSpec* CDirSpec::NewFromDesktopFolder()
{
    NSPlatform::SNativeFileSpec spec;
    if (CPosixFiles::FindFolder(CPosixFiles::kDesktopFolder, false, &spec) != NSPlatform::kNoErr)
        throw XFile();
    return new CDirSpec(spec);
}

CDirSpec* CDirSpec::MacNewFromSpecialFolder(unsigned long kind)
{
    NSPlatform::SNativeFileSpec spec;
    if (CPosixFiles::FindFolder(uint32_t(kind), true, &spec) != NSPlatform::kNoErr)
        throw XFile();
    return new CDirSpec(spec);
}

CDirSpec* CDirSpec::MacNewFromExtensionFolder()
{
    return MacNewFromSpecialFolder(CPosixFiles::kExtensionFolder);
}

CDirSpec* CDirSpec::NewFromPreferenceFolder()
{
    return MacNewFromSpecialFolder(CPosixFiles::kPreferencesFolder);
}

CDirSpec* CDirSpec::NewFromTemporaryFolder()
{
    return MacNewFromSpecialFolder(CPosixFiles::kTemporaryFolder);
}

CDirSpec* CDirSpec::NewFromVolumeIndex(unsigned short index)
{
    NSPlatform::SVolumeRecord volume;
    if (CPosixFiles::GetVolume(index, &volume) != NSPlatform::kNoErr)
        throw XFile();
    return new CDirSpec(CPosixFiles::SpecForDirectoryPath(volume.mMountPoint));
}

CDirSpec* CDirSpec::NewParentDirForFile(const CFileSpec* file)
{
    NSPlatform::SNativeFileSpec spec;
    file->MacGetFSSpec(&spec);
    return new CDirSpec(CPosixFiles::SpecForDirectoryPath(spec.mDirectory));
}

CFileSpec* CDirSpec::NewFromPreferenceFolder(const char* name)
{
    std::unique_ptr<CDirSpec> folder(NewFromPreferenceFolder());
    return folder->BuildFileSpecForFileInDir(name);
}

} // namespace NSWayfarer
