#include "framework/files/COpenFile.h"

#include "framework/files/CFileCreator.h"
#include "framework/files/CFileSpec.h"
#include "framework/files/CFileType.h"
#include "framework/files/XBase.h"
#include "framework/media/CMemoryMedia.h"
#include "platform/files/CPosixFiles.h"

#include <memory>

namespace NSWayfarer
{

using NSPlatform::CPosixFiles;
using NSPlatform::TOSErr;

COpenFile::COpenFile(const CFileSpec* spec)
{
    NSPlatform::SNativeFileSpec native;
    spec->MacGetFSSpec(&native);
    const TOSErr result = CPosixFiles::OpenDataFork(native, false, &fRefNum);
    if (result == NSPlatform::kFileNotFoundErr)
        throw XFileNotFound();
    if (result != NSPlatform::kNoErr)
        throw XOpenFailed();
}

COpenFile::COpenFile(const CFileSpec* spec, const CFileCreator* creator, const CFileType* type)
{
    Create(spec, creator, type);
}

COpenFile::~COpenFile()
{
    Close();
}

void COpenFile::Create(const CFileSpec* spec, const CFileCreator* creator, const CFileType* type)
{
    spec->DeletePhysicalFile();
    NSPlatform::SNativeFileSpec native;
    spec->MacGetFSSpec(&native);
    const uint32_t creatorCode = creator != nullptr ? uint32_t(creator->MacGet()) : 0x3F3F3F3F;
    const uint32_t typeCode = type != nullptr ? uint32_t(type->MacGetFileType()) : 0x3F3F3F3F;
    if (CPosixFiles::Create(native, creatorCode, typeCode) != NSPlatform::kNoErr)
        throw XCreateFailed();
    if (CPosixFiles::OpenDataFork(native, true, &fRefNum) != NSPlatform::kNoErr)
        throw XCreateFailed();
}

void COpenFile::Read(TMediaPos len, void* dst)
{
    int32_t count = len;
    const TOSErr result = CPosixFiles::Read(fRefNum, &count, dst);
    if (result != NSPlatform::kNoErr || count != len)
        throw XRead();
}

void COpenFile::Write(TMediaPos len, const void* src)
{
    int32_t count = len;
    const TOSErr result = CPosixFiles::Write(fRefNum, &count, src);
    if (result == NSPlatform::kDiskFullErr)
        throw XDiskFull();
    if (result != NSPlatform::kNoErr || count != len)
        throw XWrite();
}

TMediaPos COpenFile::GetPos() const
{
    int32_t pos = 0;
    if (CPosixFiles::GetPosition(fRefNum, &pos) != NSPlatform::kNoErr)
        throw XPosition();
    return pos;
}

void COpenFile::SetPos(TMediaPos pos)
{
    if (CPosixFiles::SetPosition(fRefNum, pos) != NSPlatform::kNoErr)
        throw XPosition();
}

TMediaPos COpenFile::GetSize() const
{
    int32_t size = 0;
    if (CPosixFiles::GetEOF(fRefNum, &size) != NSPlatform::kNoErr)
        throw XFile();
    return size;
}

void COpenFile::Close()
{
    if (fRefNum != 0)
    {
        CPosixFiles::Close(fRefNum);
        fRefNum = 0;
    }
}

void COpenFile::CloseAndDelete(const CFileSpec* spec)
{
    Close();
    spec->DeletePhysicalFile();
}

long COpenFile::GetFileSize(const CFileSpec* spec)
{
    COpenFile file(spec);
    return file.GetSize();
}

CMemoryMedia* COpenFile::LoadFile(const CFileSpec* spec)
{
    COpenFile file(spec);
    const TMediaPos size = file.GetSize();
    auto media = std::make_unique<CMemoryMedia>(size);
    file.Read(size, media->GetBufferPtr());
    return media.release();
}

void COpenFile::LoadFile(const CFileSpec* spec, unsigned char* out, long count)
{
    COpenFile file(spec);
    file.Read(static_cast<TMediaPos>(count), out);
}

void COpenFile::SaveFile(const CFileSpec* spec, const CFileCreator* creator, const CFileType* type,
                         const unsigned char* bytes, long count)
{
    // Written beside the old file and renamed over it, so a failed save leaves the old
    // contents as they were instead of deleting them first.
    if (count < 0)
        throw XWrite();
    NSPlatform::SNativeFileSpec native;
    spec->MacGetFSSpec(&native);
    const uint32_t creatorCode = creator != nullptr ? uint32_t(creator->MacGet()) : 0x3F3F3F3F;
    const uint32_t typeCode = type != nullptr ? uint32_t(type->MacGetFileType()) : 0x3F3F3F3F;
    switch (CPosixFiles::SaveReplacing(native, creatorCode, typeCode, bytes, size_t(count)))
    {
    case NSPlatform::kNoErr:
        return;
    case NSPlatform::kDiskFullErr:
        throw XDiskFull();
    case NSPlatform::kFileLockedErr:
        throw XFileLocked();
    case NSPlatform::kIOErr:
        throw XWrite();
    default:
        throw XCreateFailed();
    }
}

} // namespace NSWayfarer
