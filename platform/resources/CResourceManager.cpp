#include "platform/resources/CResourceManager.h"

#include "platform/resources/CResourceFork.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>

namespace NSPlatform
{

namespace
{

struct SOpenFile
{
    std::string mPath;
    CResourceFork mFork;
};

std::recursive_mutex gMutex;
std::map<std::int16_t, std::unique_ptr<SOpenFile>> gFiles;
std::vector<std::int16_t> gOpenOrder; // most recently opened last
std::int16_t gCurrent = CResourceManager::kNoFile;
std::int16_t gNextRef = 2;
TOSErr gResError = kNoErr;
std::string gOpenFailure;

const std::uint32_t kDLOG = 0x444C4F47;
const std::uint32_t kDITL = 0x4449544C;
const std::uint32_t kSTRList = 0x53545223; // 'STR#'

void Swap16(std::uint8_t* bytes, std::size_t size, std::size_t at)
{
    if (at + 2 <= size)
        std::swap(bytes[at], bytes[at + 1]);
}

void Swap32(std::uint8_t* bytes, std::size_t size, std::size_t at)
{
    if (at + 4 <= size)
    {
        std::swap(bytes[at], bytes[at + 3]);
        std::swap(bytes[at + 1], bytes[at + 2]);
    }
}

std::int16_t NewRef()
{
    for (int tries = 0; tries < 0x7FFF; ++tries)
    {
        const std::int16_t ref = gNextRef;
        gNextRef = gNextRef >= 0x7FFE ? 2 : std::int16_t(gNextRef + 1);
        if (gFiles.count(ref) == 0)
            return ref;
    }
    return CResourceManager::kNoFile;
}

std::int16_t Install(std::unique_ptr<SOpenFile> file)
{
    const std::int16_t ref = NewRef();
    if (ref == CResourceManager::kNoFile)
    {
        gResError = kTooManyFilesOpenErr;
        gOpenFailure = "too many resource files open";
        return ref;
    }
    gFiles[ref] = std::move(file);
    gOpenOrder.push_back(ref);
    gCurrent = ref;
    gResError = kNoErr;
    gOpenFailure.clear();
    return ref;
}

const CResourceFork* Current()
{
    auto found = gFiles.find(gCurrent);
    return found == gFiles.end() ? nullptr : &found->second->mFork;
}

} // namespace

std::int16_t CResourceManager::OpenResFile(const SNativeFileSpec& spec)
{
    return OpenResFile(spec.Path());
}

std::int16_t CResourceManager::OpenResFile(const std::string& path)
{
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
    {
        gResError =
            errno == ENOENT || errno == ENOTDIR ? kResFileNotFoundErr : ResultFromErrno(errno);
        gOpenFailure = std::strerror(errno);
        return kNoFile;
    }
    if (!S_ISREG(info.st_mode))
    {
        gResError = kResFileNotFoundErr;
        gOpenFailure = "not a regular file";
        return kNoFile;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        gResError = kPermissionErr;
        gOpenFailure = std::strerror(errno);
        return kNoFile;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (in.bad())
    {
        gResError = kIOErr;
        gOpenFailure = "read error";
        return kNoFile;
    }
    auto file = std::make_unique<SOpenFile>();
    file->mPath = path;
    std::string why;
    if (CResourceFork::Parse(bytes.data(), bytes.size(), &file->mFork, &why) != kNoErr)
    {
        gResError = kMapReadErr;
        gOpenFailure = "not a valid resource file: " + why;
        return kNoFile;
    }
    return Install(std::move(file));
}

std::int16_t CResourceManager::OpenResImage(const std::uint8_t* bytes, std::size_t size)
{
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    auto file = std::make_unique<SOpenFile>();
    std::string why;
    if (CResourceFork::Parse(bytes, size, &file->mFork, &why) != kNoErr)
    {
        gResError = kMapReadErr;
        gOpenFailure = "not a valid resource file: " + why;
        return kNoFile;
    }
    return Install(std::move(file));
}

void CResourceManager::CloseResFile(std::int16_t ref)
{
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (gFiles.erase(ref) == 0)
    {
        gResError = kRefNumErr;
        return;
    }
    gOpenOrder.erase(std::remove(gOpenOrder.begin(), gOpenOrder.end(), ref), gOpenOrder.end());
    // Closing the current file makes the most recently opened one current.
    if (gCurrent == ref)
        gCurrent = gOpenOrder.empty() ? kNoFile : gOpenOrder.back();
    gResError = kNoErr;
}

void CResourceManager::UseResFile(std::int16_t ref)
{
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (ref != kNoFile && gFiles.count(ref) == 0)
    {
        gResError = kResFileNotFoundErr;
        return;
    }
    gCurrent = ref;
    gResError = kNoErr;
}

std::int16_t CResourceManager::CurResFile()
{
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    return gCurrent;
}

TOSErr CResourceManager::ResError()
{
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    return gResError;
}

std::string CResourceManager::GetOpenFailure()
{
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    return gOpenFailure;
}

std::string CResourceManager::GetPath(std::int16_t ref)
{
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    auto found = gFiles.find(ref);
    return found == gFiles.end() ? std::string() : found->second->mPath;
}

THandle CResourceManager::Get1Resource(std::uint32_t type, std::int16_t id)
{
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    const CResourceFork* fork = Current();
    if (fork == nullptr)
    {
        gResError = kResFileNotFoundErr;
        return nullptr;
    }
    const SResourceEntry* entry = fork->Find(type, id);
    if (entry == nullptr)
    {
        gResError = kResNotFoundErr;
        return nullptr;
    }
    THandle handle = CMemoryHandles::NewResourceHandle(entry->mData.data(), entry->mData.size());
    if (handle == nullptr)
    {
        gResError = kMemFullErr;
        return nullptr;
    }
    DialogToHostOrder(type, reinterpret_cast<std::uint8_t*>(*handle), entry->mData.size());
    gResError = kNoErr;
    return handle;
}

void CResourceManager::ReleaseResource(THandle handle)
{
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (!CMemoryHandles::IsResource(handle))
    {
        gResError = kResNotAResourceErr;
        return;
    }
    CMemoryHandles::DisposeHandle(handle);
    gResError = kNoErr;
}

void CResourceManager::GetIndString(unsigned char* text, std::int16_t id, std::int16_t index)
{
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    text[0] = 0;
    const CResourceFork* fork = Current();
    const SResourceEntry* entry = fork == nullptr ? nullptr : fork->Find(kSTRList, id);
    if (entry == nullptr)
    {
        gResError = fork == nullptr ? kResFileNotFoundErr : kResNotFoundErr;
        return;
    }
    gResError = kNoErr;
    const std::vector<std::uint8_t>& data = entry->mData;
    if (data.size() < 2 || index < 1)
        return;
    const int count = (data[0] << 8) | data[1];
    if (index > count)
        return;
    std::size_t at = 2;
    for (int i = 1; i < index; ++i)
    {
        if (at >= data.size())
            return;
        at += 1 + data[at];
    }
    if (at >= data.size() || at + 1 + data[at] > data.size())
        return;
    std::memcpy(text, data.data() + at, 1 + data[at]);
}

void CResourceManager::DialogToHostOrder(std::uint32_t type, std::uint8_t* bytes, std::size_t size)
{
    if (type == kDLOG)
    {
        for (std::size_t at : {0, 2, 4, 6, 8})
            Swap16(bytes, size, at);
        Swap32(bytes, size, 14);
        Swap16(bytes, size, 18);
        return;
    }
    if (type != kDITL || size < 2)
        return;
    const unsigned count = unsigned((bytes[0] << 8) | bytes[1]) + 1;
    Swap16(bytes, size, 0);
    std::size_t at = 2;
    for (unsigned i = 0; i < count && at + 14 <= size; ++i)
    {
        Swap32(bytes, size, at);
        for (std::size_t field = 4; field < 12; field += 2)
            Swap16(bytes, size, at + field);
        const std::uint8_t kind = bytes[at + 12] & 0x7F;
        const std::size_t length = bytes[at + 13];
        // Picture, icon and resource-control items carry a 16-bit resource id
        // as their data.
        const bool resourceID = (kind & 0x60) != 0 || (kind & 0x1F) == 7;
        if (resourceID && length >= 2)
            Swap16(bytes, size, at + 14);
        at += 14 + length + (length & 1);
    }
}

} // namespace NSPlatform
