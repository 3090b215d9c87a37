#include "framework/files/COpenResourceFile.h"

#include "framework/application/CLowLevelApplication.h"
#include "framework/files/CFileSpec.h"
#include "framework/files/CMacResSaver.h"
#include "framework/files/MacResources.h"
#include "framework/files/XBase.h"
#include "framework/media/CMemoryMedia.h"
#include "platform/resources/CResourceManager.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

namespace NSWayfarer
{

using NSPlatform::CResourceManager;

namespace
{

constexpr unsigned short kUnknownVersion = 666;

// Releases a resource handle on every exit.
class CResourceHolder
{
public:
    explicit CResourceHolder(char** handle) : fHandle(handle) {}
    ~CResourceHolder()
    {
        try
        {
            MacReleaseResource(&fHandle);
        }
        catch (...)
        {
        }
    }
    CResourceHolder(const CResourceHolder&) = delete;
    CResourceHolder& operator=(const CResourceHolder&) = delete;
    char** Get() const { return fHandle; }
    void Release() { MacReleaseResource(&fHandle); }

private:
    char** fHandle;
};

unsigned short FromBCD(unsigned char value)
{
    return static_cast<unsigned short>((value >> 4) * 10 + (value & 0x0F));
}

} // namespace

COpenResourceFile::COpenResourceFile(short refNum) : fOwns(false), fRefNum(refNum) {}

COpenResourceFile::COpenResourceFile(const CFileSpec* spec)
{
    CLowLevelApplication* application = CLowLevelApplication::Get();
    if (application != nullptr)
    {
        const CFileSpec own = application->GetFileSpec();
        if (spec->IsEqual(&own))
        {
            fRefNum = application->MacGetResourceRefNum();
            return;
        }
    }
    CMacResSaver saver;
    NSPlatform::SNativeFileSpec native;
    spec->MacGetFSSpec(&native);
    const int16_t ref = CResourceManager::OpenResFile(native);
    if (ref == CResourceManager::kNoFile)
    {
        switch (CResourceManager::ResError())
        {
        case NSPlatform::kResFileNotFoundErr:
            throw XFileNotFound();
        case NSPlatform::kMapReadErr:
            throw XBadFormat();
        default:
            throw XOpenFailed();
        }
    }
    fRefNum = ref;
    fOwns = true;
}

COpenResourceFile::~COpenResourceFile()
{
    if (fOwns && fRefNum != CResourceManager::kNoFile)
        CResourceManager::CloseResFile(fRefNum);
    fRefNum = CResourceManager::kNoFile;
}

void COpenResourceFile::MakeCurrent() const
{
    if (fRefNum == CResourceManager::kNoFile)
        throw XFileNotFound();
    CResourceManager::UseResFile(fRefNum);
    if (CResourceManager::ResError() != NSPlatform::kNoErr)
        throw XFileNotFound();
}

bool COpenResourceFile::DoesExist(const char* type, short id) const
{
    CMacResSaver saver;
    if (fRefNum == CResourceManager::kNoFile)
        return false;
    CResourceManager::UseResFile(fRefNum);
    if (CResourceManager::ResError() != NSPlatform::kNoErr)
        return false;
    return MacDoesResourceExist(type, id);
}

long COpenResourceFile::GetSize(const char* type, short id) const
{
    CMacResSaver saver;
    MakeCurrent();
    CResourceHolder resource(MacGet1Resource(type, id));
    return NSPlatform::CMemoryHandles::GetHandleSize(resource.Get());
}

CMemoryMedia* COpenResourceFile::Read(const char* type, short id) const
{
    CMacResSaver saver;
    MakeCurrent();
    CResourceHolder resource(MacGet1Resource(type, id));
    MacLockHandle(resource.Get());
    const long size = MacGetHandleSize(resource.Get());
    auto media = std::make_unique<CMemoryMedia>(static_cast<TMediaPos>(size));
    std::memcpy(media->GetBufferPtr(), *resource.Get(), static_cast<std::size_t>(size));
    resource.Release();
    return media.release();
}

void COpenResourceFile::Read(const char* type, short id, unsigned char* dst, long* count,
                             long max) const
{
    CMacResSaver saver;
    MakeCurrent();
    CResourceHolder resource(MacGet1Resource(type, id));
    const long size = NSPlatform::CMemoryHandles::GetHandleSize(resource.Get());
    const long n = std::max(0L, std::min(size, max));
    if (n > 0)
        std::memcpy(dst, *resource.Get(), static_cast<std::size_t>(n));
    *count = n;
    resource.Release();
}

void COpenResourceFile::ReadString(short number, char* dst, long max) const
{
    dst[0] = 0;
    const int list = number / 100 + 128;
    const int entry = number % 100;
    if (entry <= 0 || list > INT16_MAX)
        return;
    CMacResSaver saver;
    MakeCurrent();
    unsigned char text[256];
    CResourceManager::GetIndString(text, static_cast<int16_t>(list), static_cast<int16_t>(entry));
    const long length = std::max(0L, std::min<long>(text[0], max));
    std::memcpy(dst, text + 1, static_cast<std::size_t>(length));
    dst[length] = 0;
}

char* COpenResourceFile::MacGetFileVersion(unsigned short* major, unsigned short* minor,
                                           unsigned short* bugFix, unsigned short* nonRelease,
                                           CFileVersion::EStage* stage) const
{
    unsigned char record[kMaxVersionRecord];
    long count = 0;
    Read("vers", 1, record, &count, kMaxVersionRecord);
    if (count < 7)
        throw XBadFormat();
    *major = FromBCD(record[0]);
    *minor = static_cast<unsigned short>(record[1] >> 4);
    *bugFix = static_cast<unsigned short>(record[1] & 0x0F);
    switch (record[2])
    {
    case 0x20:
        *stage = CFileVersion::kDevelopment;
        break;
    case 0x40:
        *stage = CFileVersion::kAlpha;
        break;
    case 0x60:
        *stage = CFileVersion::kBeta;
        break;
    case 0x80:
        *stage = CFileVersion::kRelease;
        break;
    default:
        break;
    }
    *nonRelease = record[3];
    // A short string that claims more bytes than the record holds is cut.
    const long length = std::min<long>(record[6], count - 7);
    char* text = new char[static_cast<std::size_t>(length) + 1];
    std::memcpy(text, record + 7, static_cast<std::size_t>(length));
    text[length] = 0;
    return text;
}

unsigned short COpenResourceFile::BuildNumberFromVersionString(const char* text)
{
    if (text == nullptr)
        return kUnknownVersion;
    const char* word = std::strstr(text, "build");
    if (word == nullptr)
        return kUnknownVersion;
    const char* space = std::strchr(word, ' ');
    if (space == nullptr || !std::isdigit(static_cast<unsigned char>(space[1])))
        return kUnknownVersion;
    unsigned long value = 0;
    for (const char* c = space + 1; std::isdigit(static_cast<unsigned char>(*c)); ++c)
        value = std::min(value * 10 + static_cast<unsigned long>(*c - '0'), 0xFFFFUL);
    return static_cast<unsigned short>(value);
}

CFileVersion COpenResourceFile::GetFileVersion() const
{
    unsigned short major = kUnknownVersion, minor = kUnknownVersion, bugFix = kUnknownVersion,
                   nonRelease = kUnknownVersion;
    CFileVersion::EStage stage = CFileVersion::kRelease;
    std::unique_ptr<char[]> text(MacGetFileVersion(&major, &minor, &bugFix, &nonRelease, &stage));
    return CFileVersion(major, minor, bugFix, nonRelease, stage);
}

CWayfarerFileVersion COpenResourceFile::GetWayfarerFileVersion() const
{
    unsigned short major = kUnknownVersion, minor = kUnknownVersion, bugFix = kUnknownVersion,
                   nonRelease = kUnknownVersion;
    CFileVersion::EStage stage = CFileVersion::kRelease;
    std::unique_ptr<char[]> text;
    try
    {
        text.reset(MacGetFileVersion(&major, &minor, &bugFix, &nonRelease, &stage));
    }
    catch (const XBase&)
    {
    }
    const unsigned short build = BuildNumberFromVersionString(text.get());
    CWayfarerFileVersion::EStage wayfarerStage = CWayfarerFileVersion::kRelease;
    if (stage >= CFileVersion::kDevelopment && stage <= CFileVersion::kBeta)
        wayfarerStage = static_cast<CWayfarerFileVersion::EStage>(stage);
    return CWayfarerFileVersion(major, minor, bugFix, build, nonRelease, wayfarerStage);
}

} // namespace NSWayfarer
