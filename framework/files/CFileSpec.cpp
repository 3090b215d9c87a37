#include "framework/files/CFileSpec.h"

#include "framework/files/CFileInfo.h"
#include "framework/files/COpenFile.h"
#include "framework/files/XBase.h"
#include "framework/media/BinaryPacking.h"
#include "framework/media/CMedia.h"
#include "platform/files/CPosixFiles.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace NSWayfarer
{

using NSPlatform::CPosixFiles;
using NSPlatform::TOSErr;

namespace
{

// Alias records are paths here; anything longer than a path can be is not one.
constexpr uint32_t kMaxAliasLength = 4096;

void CopyName(const std::string& name, char* out)
{
    const std::size_t length = std::min<std::size_t>(name.size(), CFileSpec::kMaxNameLength);
    std::memcpy(out, name.data(), length);
    out[length] = 0;
}

// A missing file is XFileNotFound, any other failure XFile.
void ThrowOnFileError(TOSErr result)
{
    if (result == NSPlatform::kFileNotFoundErr)
        throw XFileNotFound();
    if (result != NSPlatform::kNoErr)
        throw XFile();
}

NSPlatform::SCatalogInfo CatalogInfoOf(const NSPlatform::SNativeFileSpec& spec)
{
    NSPlatform::SCatalogInfo info;
    ThrowOnFileError(CPosixFiles::GetCatalogInfo(spec, &info));
    return info;
}

} // namespace

CFileSpec::CFileSpec() = default;

CFileSpec::CFileSpec(const NSPlatform::SNativeFileSpec& spec) : fSpec(spec) {}

CFileSpec::CFileSpec(const CFileSpec& other) : CABCMediaSpec(other), fSpec(other.fSpec) {}

CFileSpec& CFileSpec::operator=(const CFileSpec& other)
{
    CABCMediaSpec::operator=(other);
    fSpec = other.fSpec;
    return *this;
}

CFileSpec::CFileSpec(CMedia* media)
{
    if (media->Read32Bit() != kPackedMagic)
        throw XBadFormat();
    const uint32_t length = media->Read32Bit();
    const TMediaPos left = media->GetSize() - media->GetPos();
    if (length > kMaxAliasLength || left < 0 || length > uint32_t(left))
        throw XBadFormat();
    std::vector<unsigned char> alias(length);
    media->Read(static_cast<TMediaPos>(length), alias.data());
    ReadPacked(alias.data(), length, true);
}

CFileSpec::CFileSpec(const unsigned char* packed, long size)
{
    if (size < 8 || Unpack32BitUnsignedBig(packed) != kPackedMagic)
        throw XBadFormat();
    const uint32_t length = Unpack32BitUnsignedBig(packed + 4);
    if (length > kMaxAliasLength || length > uint32_t(size - 8))
        throw XBadFormat();
    ReadPacked(packed + 8, length, false);
}

CFileSpec::~CFileSpec() = default;

void CFileSpec::ReadPacked(const unsigned char* alias, uint32_t length, bool acceptMissing)
{
    NSPlatform::SNativeFileSpec spec;
    const TOSErr result = CPosixFiles::ResolveAlias(alias, length, &spec);
    if (result == NSPlatform::kNoErr || (acceptMissing && result == NSPlatform::kFileNotFoundErr))
    {
        fSpec = spec;
        return;
    }
    throw XFileNotFound();
}

CFileSpec CFileSpec::FromPath(const std::string& path)
{
    NSPlatform::SNativeFileSpec spec;
    const TOSErr result = CPosixFiles::MakeSpec(path, &spec);
    if (result != NSPlatform::kNoErr && result != NSPlatform::kFileNotFoundErr)
        throw XFileNotFound();
    return CFileSpec(spec);
}

CMedia* CFileSpec::CreateMedia() const
{
    return new COpenFile(this);
}

CFileSpec* CFileSpec::Clone() const
{
    return new CFileSpec(*this);
}

long CFileSpec::Pack(unsigned char** out) const
{
    const std::vector<uint8_t> alias = CPosixFiles::MakeAlias(fSpec);
    if (alias.empty() || alias.size() > kMaxAliasLength)
        throw XBase();
    const uint32_t length = static_cast<uint32_t>(alias.size());
    auto* buffer = new unsigned char[length + 8];
    Pack32BitUnsignedBig(buffer, kPackedMagic);
    Pack32BitUnsignedBig(buffer + 4, length);
    std::memcpy(buffer + 8, alias.data(), length);
    *out = buffer;
    return static_cast<long>(length + 8);
}

void CFileSpec::Write(CMedia* media) const
{
    unsigned char* raw = nullptr;
    const long length = Pack(&raw);
    std::unique_ptr<unsigned char[]> buffer(raw);
    media->Write(static_cast<TMediaPos>(length), buffer.get());
}

void CFileSpec::SetFileNameWithExtension(const char* name)
{
    // A '/' would silently name a file in another folder.
    std::string leaf(name);
    for (char& c : leaf)
    {
        if (c == '/')
            c = ':';
    }
    fSpec.mName = leaf.substr(0, kMaxNameLength);
}

void CFileSpec::GetFileNameWithExtension(char* out) const
{
    CopyName(fSpec.mName, out);
}

void CFileSpec::GetFileNameOnly(char* out) const
{
    CopyName(fSpec.mName, out);
}

void CFileSpec::GetUserFriendlyFileName(char* out) const
{
    CopyName(fSpec.mName, out);
}

void CFileSpec::FilenameWithExtensionToParts(const char* name, char* base, char* extension)
{
    const char* dot = std::strrchr(name, '.');
    if (dot != nullptr && std::strlen(dot) <= std::size_t(kMaxExtensionLength))
    {
        std::strcpy(extension, dot);
        const std::size_t baseLength = std::size_t(dot - name);
        std::memmove(base, name, baseLength);
        base[baseLength] = 0;
        return;
    }
    if (base != name)
        std::memmove(base, name, std::strlen(name) + 1);
    extension[0] = 0;
}

void CFileSpec::ExtractExtension(const char* name, char* extension)
{
    std::vector<char> base(std::strlen(name) + 1);
    FilenameWithExtensionToParts(name, base.data(), extension);
}

short CFileSpec::MacGetVolumeID() const
{
    return CPosixFiles::GetVolumeID(fSpec);
}

long CFileSpec::MacGetDirID() const
{
    return CPosixFiles::GetParentID(fSpec);
}

void CFileSpec::MacGetVolumeName(char* out) const
{
    NSPlatform::SVolumeRecord volume;
    if (CPosixFiles::GetVolumeOfSpec(fSpec, &volume) != NSPlatform::kNoErr)
        throw XBase();
    CopyName(volume.mName, out);
}

bool CFileSpec::IsEqual(const CFileSpec* other) const
{
    return other != nullptr && MacAreFSSpecsEqual(fSpec, other->fSpec);
}

bool CFileSpec::MacAreFSSpecsEqual(const NSPlatform::SNativeFileSpec& a,
                                   const NSPlatform::SNativeFileSpec& b)
{
    // The folder path names the volume as well as the folder.
    return a.mName == b.mName && a.mDirectory == b.mDirectory;
}

void CFileSpec::Resolve()
{
    if (!CPosixFiles::IsLink(fSpec))
        return;
    if (CPosixFiles::ResolveLinks(&fSpec) != NSPlatform::kNoErr)
        throw XFile();
}

bool CFileSpec::DoesFileExist() const
{
    int16_t ref = 0;
    if (CPosixFiles::OpenDataFork(fSpec, false, &ref) != NSPlatform::kNoErr)
        return false;
    CPosixFiles::Close(ref);
    return true;
}

CUnknownFileType CFileSpec::GetFileType() const
{
    return CUnknownFileType(static_cast<unsigned long>(CatalogInfoOf(fSpec).mType));
}

CFileCreator CFileSpec::MacGetCreator() const
{
    NSPlatform::SCatalogInfo info;
    if (CPosixFiles::GetCatalogInfo(fSpec, &info) != NSPlatform::kNoErr)
        throw XFile();
    return CFileCreator(static_cast<unsigned long>(info.mCreator));
}

CFileInfo* CFileSpec::GetFileInfo() const
{
    return new CFileInfo(CatalogInfoOf(fSpec));
}

void CFileSpec::SetFileInfo(const CFileInfo* info) const
{
    NSPlatform::SCatalogInfo catalog;
    TOSErr result = CPosixFiles::GetCatalogInfo(fSpec, &catalog);
    if (result == NSPlatform::kNoErr)
    {
        catalog.mType = static_cast<uint32_t>(info->mType.MacGet());
        catalog.mCreator = static_cast<uint32_t>(info->mCreator.MacGet());
        catalog.mCreationDate = info->mCreationDate;
        catalog.mModificationDate = info->mModificationDate;
        if (info->mInvisible)
            catalog.mFinderFlags |= CPosixFiles::kInvisibleFlag;
        else
            catalog.mFinderFlags &= static_cast<uint16_t>(~CPosixFiles::kInvisibleFlag);
        result = CPosixFiles::SetCatalogInfo(fSpec, catalog);
    }
    ThrowOnFileError(result);
}

void CFileSpec::DeletePhysicalFile() const
{
    const TOSErr result = CPosixFiles::Delete(fSpec);
    if (result == NSPlatform::kNoErr || result == NSPlatform::kFileNotFoundErr)
        return;
    if (result <= NSPlatform::kWritePermissionErr && result >= NSPlatform::kFileBusyErr)
        throw XFileLocked();
    throw XBase();
}

} // namespace NSWayfarer
