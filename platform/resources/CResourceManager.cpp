#include "platform/resources/CResourceManager.h"

#include "platform/resources/CResourceFork.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace NSPlatform
{

namespace
{

// One open resource file: its index, and where the bytes come from: the file itself (read
// when a resource is asked for) or an image handed over in memory.
struct SOpenFile
{
    SOpenFile() = default;
    SOpenFile(const SOpenFile&) = delete;
    SOpenFile& operator=(const SOpenFile&) = delete;
    ~SOpenFile()
    {
        if (mFD >= 0)
            close(mFD);
    }

    bool ReadAt(std::uint64_t offset, std::size_t size, std::uint8_t* into) const
    {
        if (mFD < 0)
        {
            if (offset > mImage.size() || size > mImage.size() - offset)
                return false;
            std::copy(mImage.begin() + long(offset), mImage.begin() + long(offset + size), into);
            return true;
        }
        std::size_t done = 0;
        while (done < size)
        {
            const ssize_t got = pread(mFD, into + done, size - done, off_t(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false; // an error, or the file shrank since it was opened
            done += std::size_t(got);
        }
        return true;
    }

    const SResourceInfo* Find(std::uint32_t type, std::int16_t id) const
    {
        const auto found = mByKey.find({type, id});
        return found == mByKey.end() ? nullptr : &mIndex[found->second];
    }

    std::string mPath;
    int mFD = -1;
    std::vector<std::uint8_t> mImage;
    std::vector<SResourceInfo> mIndex;
    std::map<std::pair<std::uint32_t, std::int16_t>, std::size_t> mByKey;
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

const SOpenFile* Current()
{
    auto found = gFiles.find(gCurrent);
    return found == gFiles.end() ? nullptr : found->second.get();
}

// Reads the index of `file` (whose bytes ReadAt already reaches); false with the
// failure recorded.
bool Index(SOpenFile* file, std::uint64_t size)
{
    std::string why;
    std::uint16_t attributes = 0;
    const TOSErr result = CResourceFork::ParseIndex(
        [file](std::uint64_t offset, std::size_t length, std::uint8_t* into)
        { return file->ReadAt(offset, length, into); },
        size, &file->mIndex, &attributes, &why);
    if (result != kNoErr)
    {
        gResError = result;
        gOpenFailure = result == kMapReadErr ? "not a valid resource file: " + why : why;
        return false;
    }
    for (std::size_t i = 0; i < file->mIndex.size(); ++i)
        file->mByKey.emplace(std::make_pair(file->mIndex[i].mType, file->mIndex[i].mID), i);
    return true;
}

// The bytes of one resource as a new resource handle; null with gResError set.
THandle ReadResource(const SOpenFile& file, const SResourceInfo& info)
{
    THandle handle = CMemoryHandles::NewResourceHandle(nullptr, info.mSize);
    if (handle == nullptr)
    {
        gResError = kMemFullErr;
        return nullptr;
    }
    if (info.mSize > 0 &&
        !file.ReadAt(info.mDataPos, info.mSize, reinterpret_cast<std::uint8_t*>(*handle)))
    {
        CMemoryHandles::DisposeHandle(handle);
        gResError = kIOErr;
        return nullptr;
    }
    return handle;
}

} // namespace

std::int16_t CResourceManager::OpenResFile(const SNativeFileSpec& spec)
{
    return OpenResFile(spec.Path());
}

std::int16_t CResourceManager::OpenResFile(const std::string& path)
{
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    auto file = std::make_unique<SOpenFile>();
    file->mPath = path;
    // O_NONBLOCK: opening a named pipe must not wait for a writer; it is refused below.
    file->mFD = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (file->mFD < 0)
    {
        const int error = errno;
        gResError = error == ENOENT || error == ENOTDIR ? kResFileNotFoundErr
                    : error == EACCES || error == EPERM ? kPermissionErr
                                                        : ResultFromErrno(error);
        gOpenFailure = std::strerror(error);
        return kNoFile;
    }
    struct stat info;
    if (fstat(file->mFD, &info) != 0)
    {
        gResError = kIOErr;
        gOpenFailure = std::strerror(errno);
        return kNoFile;
    }
    if (!S_ISREG(info.st_mode))
    {
        gResError = kResFileNotFoundErr;
        gOpenFailure =
            S_ISDIR(info.st_mode) ? "is a folder, not a resource file" : "not a regular file";
        return kNoFile;
    }
    if (std::uint64_t(info.st_size) > kMaxFileSize)
    {
        gResError = kMapReadErr;
        gOpenFailure = "too large for a resource file (" + std::to_string(info.st_size) +
                       " bytes; at most " + std::to_string(kMaxFileSize) + ")";
        return kNoFile;
    }
    if (!Index(file.get(), std::uint64_t(info.st_size)))
        return kNoFile;
    return Install(std::move(file));
}

std::int16_t CResourceManager::OpenResImage(const std::uint8_t* bytes, std::size_t size)
{
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    auto file = std::make_unique<SOpenFile>();
    file->mImage.assign(bytes, bytes + size);
    if (!Index(file.get(), size))
        return kNoFile;
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
    const SOpenFile* file = Current();
    if (file == nullptr)
    {
        gResError = kResFileNotFoundErr;
        return nullptr;
    }
    const SResourceInfo* info = file->Find(type, id);
    if (info == nullptr)
    {
        gResError = kResNotFoundErr;
        return nullptr;
    }
    THandle handle = ReadResource(*file, *info);
    if (handle == nullptr)
        return nullptr;
    DialogToHostOrder(type, reinterpret_cast<std::uint8_t*>(*handle), info->mSize);
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
    const SOpenFile* file = Current();
    const SResourceInfo* info = file == nullptr ? nullptr : file->Find(kSTRList, id);
    if (info == nullptr)
    {
        gResError = file == nullptr ? kResFileNotFoundErr : kResNotFoundErr;
        return;
    }
    std::vector<std::uint8_t> data(info->mSize);
    if (!data.empty() && !file->ReadAt(info->mDataPos, data.size(), data.data()))
    {
        gResError = kIOErr;
        return;
    }
    gResError = kNoErr;
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
