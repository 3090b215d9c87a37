#include "platform/files/CPosixFiles.h"

#include "platform/files/CFileReplacer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace NSPlatform
{

namespace
{

const char* const kTypeAttribute = "user.wayfarer.type";
const char* const kCreatorAttribute = "user.wayfarer.creator";
const char* const kFlagsAttribute = "user.wayfarer.flags";
const char* const kCreationDateAttribute = "user.wayfarer.crdate";

std::mutex gNameMutex;
std::string gApplicationName = "wayfarer";

std::uint32_t Code(const char* text)
{
    return (std::uint32_t(std::uint8_t(text[0])) << 24) |
           (std::uint32_t(std::uint8_t(text[1])) << 16) |
           (std::uint32_t(std::uint8_t(text[2])) << 8) | std::uint32_t(std::uint8_t(text[3]));
}

const std::uint32_t kUnknownCode = Code("????");

// Lexically normalised absolute path: no ".", "..", empty components or
// trailing '/'.
std::string Normalise(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= path.size())
    {
        std::size_t slash = path.find('/', i);
        if (slash == std::string::npos)
            slash = path.size();
        std::string part = path.substr(i, slash - i);
        if (part == "..")
        {
            if (!parts.empty())
                parts.pop_back();
        }
        else if (!part.empty() && part != ".")
            parts.push_back(part);
        i = slash + 1;
    }
    std::string out;
    for (const std::string& part : parts)
        out += "/" + part;
    return out.empty() ? "/" : out;
}

std::string CurrentDirectory()
{
    std::vector<char> buffer(PATH_MAX);
    if (getcwd(buffer.data(), buffer.size()) == nullptr)
        return "/";
    return buffer.data();
}

std::string HomeDirectory()
{
    const char* home = getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return home;
    const passwd* entry = getpwuid(getuid());
    if (entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return "/";
}

std::string EnvDirectory(const char* variable, const std::string& fallback)
{
    const char* value = getenv(variable);
    if (value != nullptr && value[0] == '/')
        return value;
    return fallback;
}

// The desktop folder as the user's XDG settings name it.
std::string DesktopDirectory()
{
    const std::string home = HomeDirectory();
    const std::string config = EnvDirectory("XDG_CONFIG_HOME", home + "/.config");
    std::ifstream dirs(config + "/user-dirs.dirs");
    std::string line;
    while (std::getline(dirs, line))
    {
        const std::string key = "XDG_DESKTOP_DIR=";
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0)
            value = home + value.substr(5);
        if (!value.empty() && value[0] == '/')
            return value;
    }
    return home + "/Desktop";
}

TOSErr MakeDirectories(const std::string& path)
{
    std::string sofar;
    std::size_t i = 1;
    while (i <= path.size())
    {
        std::size_t slash = path.find('/', i);
        if (slash == std::string::npos)
            slash = path.size();
        sofar = path.substr(0, slash);
        if (mkdir(sofar.c_str(), 0777) != 0 && errno != EEXIST)
            return ResultFromErrno(errno);
        i = slash + 1;
    }
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return ResultFromErrno(errno);
    return S_ISDIR(info.st_mode) ? kNoErr : kDirNotFoundErr;
}

bool ReadAttribute(const std::string& path, const char* name, void* value, std::size_t size)
{
    const ssize_t got = getxattr(path.c_str(), name, value, size);
    return got == ssize_t(size);
}

std::uint32_t ReadCodeAttribute(const std::string& path, const char* name, bool* found)
{
    std::uint8_t bytes[4];
    *found = ReadAttribute(path, name, bytes, sizeof(bytes));
    if (!*found)
        return 0;
    return (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) |
           (std::uint32_t(bytes[2]) << 8) | bytes[3];
}

// Writes one attribute; a file system without extended attributes is not an
// error (the type then comes from the extension).
TOSErr WriteCodeAttribute(const std::string& path, const char* name, std::uint32_t code)
{
    const std::uint8_t bytes[4] = {std::uint8_t(code >> 24), std::uint8_t(code >> 16),
                                   std::uint8_t(code >> 8), std::uint8_t(code)};
    if (setxattr(path.c_str(), name, bytes, sizeof(bytes), 0) == 0)
        return kNoErr;
    if (errno == ENOTSUP || errno == EOPNOTSUPP || errno == EPERM)
        return kNoErr;
    return ResultFromErrno(errno);
}

void FillCatalogInfo(const std::string& path, const std::string& name, const struct stat& info,
                     SCatalogInfo* out)
{
    *out = SCatalogInfo();
    out->mName = name.empty() ? "/" : name;
    out->mIsDirectory = S_ISDIR(info.st_mode);
    std::uint8_t flags[2];
    if (ReadAttribute(path, kFlagsAttribute, flags, sizeof(flags)))
        out->mFinderFlags = std::uint16_t((flags[0] << 8) | flags[1]);
    if (!name.empty() && name[0] == '.')
        out->mFinderFlags |= CPosixFiles::kInvisibleFlag;
    if (out->mIsDirectory)
        return;

    bool found = false;
    out->mType = ReadCodeAttribute(path, kTypeAttribute, &found);
    if (!found)
        out->mType = CPosixFiles::TypeFromExtension(name);
    out->mCreator = ReadCodeAttribute(path, kCreatorAttribute, &found);
    if (!found)
        out->mCreator = kUnknownCode;

    out->mModificationDate = CPosixFiles::DateFromUnix(info.st_mtime);
    std::uint32_t created = ReadCodeAttribute(path, kCreationDateAttribute, &found);
    if (!found)
    {
        struct statx extended;
        if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &extended) == 0 &&
            (extended.stx_mask & STATX_BTIME) != 0)
            created = CPosixFiles::DateFromUnix(extended.stx_btime.tv_sec);
        else
            created = CPosixFiles::DateFromUnix(info.st_mtime);
    }
    out->mCreationDate = created;
    out->mDataForkSize = info.st_size;
    out->mResourceForkSize = 0;
}

std::vector<std::string> SortedEntries(const std::string& path, TOSErr* result)
{
    std::vector<std::string> names;
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr)
    {
        *result = errno == ENOENT || errno == ENOTDIR ? kDirNotFoundErr : ResultFromErrno(errno);
        return names;
    }
    while (const dirent* entry = readdir(dir))
    {
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    *result = kNoErr;
    return names;
}

struct SMount
{
    std::string mDevice;
    std::string mPoint;
};

// Mounted volumes: the root first, then every file system on a device.
std::vector<SMount> Mounts()
{
    std::vector<SMount> mounts{{"rootfs", "/"}};
    std::ifstream table("/proc/self/mounts");
    std::string device, point, rest;
    while (table >> device >> point)
    {
        std::getline(table, rest);
        if (device.compare(0, 5, "/dev/") != 0 || point == "/")
            continue;
        // Mount points escape blanks as octal.
        std::string decoded;
        for (std::size_t i = 0; i < point.size(); ++i)
        {
            if (point[i] == '\\' && i + 3 < point.size())
            {
                decoded += char(std::strtol(point.substr(i + 1, 3).c_str(), nullptr, 8));
                i += 3;
            }
            else
                decoded += point[i];
        }
        bool seen = false;
        for (const SMount& m : mounts)
            seen = seen || m.mPoint == decoded;
        if (!seen)
            mounts.push_back({device, decoded});
    }
    return mounts;
}

TOSErr FillVolume(const SMount& mount, SVolumeRecord* volume)
{
    struct statvfs info;
    if (statvfs(mount.mPoint.c_str(), &info) != 0)
        return ResultFromErrno(errno);
    *volume = SVolumeRecord();
    volume->mMountPoint = mount.mPoint;
    const std::size_t slash = mount.mPoint.find_last_of('/');
    volume->mName = mount.mPoint == "/" ? "/" : mount.mPoint.substr(slash + 1);
    volume->mHardwareLocked = (info.f_flag & ST_RDONLY) != 0;
    auto clip = [](unsigned long long v)
    { return std::uint32_t(std::min<unsigned long long>(v, UINT32_MAX)); };
    volume->mAllocationBlocks = clip(info.f_blocks);
    volume->mFreeBlocks = clip(info.f_bavail);
    volume->mFileCount = clip(info.f_files - info.f_ffree);
    struct stat root;
    if (stat(mount.mPoint.c_str(), &root) == 0)
        volume->mModificationDate = CPosixFiles::DateFromUnix(root.st_mtime);
    return kNoErr;
}

} // namespace

void CPosixFiles::SetApplicationName(const std::string& name)
{
    std::lock_guard<std::mutex> lock(gNameMutex);
    gApplicationName = name;
}

std::string CPosixFiles::GetApplicationName()
{
    std::lock_guard<std::mutex> lock(gNameMutex);
    return gApplicationName;
}

SNativeFileSpec CPosixFiles::SpecForDirectoryPath(const std::string& absolutePath)
{
    const std::string path = Normalise(absolutePath);
    SNativeFileSpec spec;
    if (path == "/")
        return spec;
    const std::size_t slash = path.find_last_of('/');
    spec.mDirectory = slash == 0 ? "/" : path.substr(0, slash);
    spec.mName = path.substr(slash + 1);
    return spec;
}

TOSErr CPosixFiles::MakeSpec(const std::string& path, SNativeFileSpec* spec)
{
    if (path.empty() || path.find('\0') != std::string::npos)
        return kBadNameErr;
    *spec = SpecForDirectoryPath(path[0] == '/' ? path : CurrentDirectory() + "/" + path);
    struct stat info;
    if (stat(spec->mDirectory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return kDirNotFoundErr;
    if (lstat(spec->Path().c_str(), &info) != 0)
        return errno == ENOENT ? kFileNotFoundErr : ResultFromErrno(errno);
    return kNoErr;
}

TOSErr CPosixFiles::GetExecutableSpec(SNativeFileSpec* spec)
{
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), PATH_MAX);
    if (length <= 0)
        return ResultFromErrno(errno);
    return MakeSpec(std::string(buffer.data(), std::size_t(length)), spec);
}

TOSErr CPosixFiles::GetCurrentDirectorySpec(SNativeFileSpec* spec)
{
    *spec = SpecForDirectoryPath(CurrentDirectory());
    return kNoErr;
}

TOSErr CPosixFiles::OpenDataFork(const SNativeFileSpec& spec, bool forWriting, std::int16_t* ref)
{
    *ref = 0;
    // Without O_NONBLOCK, opening a named pipe waits for its other end forever.
    int fd = open(spec.Path().c_str(), (forWriting ? O_WRONLY : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return ResultFromErrno(errno);
    struct stat info;
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode))
    {
        close(fd);
        return kFileNotFoundErr; // a folder has no data to open
    }
    if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))
    {
        close(fd);
        return kIOErr; // a stream without an end is no file's data
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
    {
        const TOSErr result = ResultFromErrno(errno);
        close(fd);
        return result;
    }
    if (fd == 0)
    {
        // Reference 0 means "not open", so never hand out descriptor 0.
        const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 1);
        close(fd);
        if (moved < 0)
            return ResultFromErrno(errno);
        fd = moved;
    }
    if (fd > INT16_MAX)
    {
        close(fd);
        return kTooManyFilesOpenErr;
    }
    *ref = std::int16_t(fd);
    return kNoErr;
}

TOSErr CPosixFiles::Create(const SNativeFileSpec& spec, std::uint32_t creator, std::uint32_t type)
{
    const std::string path = spec.Path();
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return ResultFromErrno(errno);
    close(fd);
    TOSErr result = WriteCodeAttribute(path, kTypeAttribute, type);
    if (result == kNoErr)
        result = WriteCodeAttribute(path, kCreatorAttribute, creator);
    if (result != kNoErr)
        unlink(path.c_str());
    return result;
}

TOSErr CPosixFiles::Read(std::int16_t ref, std::int32_t* count, void* buffer)
{
    if (ref <= 0)
        return kRefNumErr;
    if (*count < 0)
        return kParamErr;
    std::int32_t done = 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (done < *count)
    {
        const ssize_t got = read(ref, out + done, std::size_t(*count - done));
        if (got < 0)
        {
            if (errno == EINTR)
                continue;
            *count = done;
            return ResultFromErrno(errno);
        }
        if (got == 0)
            break;
        done += std::int32_t(got);
    }
    const bool short_read = done < *count;
    *count = done;
    return short_read ? kEOFErr : kNoErr;
}

TOSErr CPosixFiles::Write(std::int16_t ref, std::int32_t* count, const void* buffer)
{
    if (ref <= 0)
        return kRefNumErr;
    if (*count < 0)
        return kParamErr;
    std::int32_t done = 0;
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    while (done < *count)
    {
        const ssize_t put = write(ref, in + done, std::size_t(*count - done));
        if (put < 0)
        {
            if (errno == EINTR)
                continue;
            *count = done;
            return ResultFromErrno(errno);
        }
        if (put == 0)
        {
            *count = done;
            return kIOErr;
        }
        done += std::int32_t(put);
    }
    return kNoErr;
}

TOSErr CPosixFiles::GetPosition(std::int16_t ref, std::int32_t* pos)
{
    // Reference 0 is "not open", never standard input.
    if (ref <= 0)
        return kRefNumErr;
    const off_t at = lseek(ref, 0, SEEK_CUR);
    if (at < 0)
        return ResultFromErrno(errno);
    if (at > INT32_MAX)
        return kPositionErr;
    *pos = std::int32_t(at);
    return kNoErr;
}

TOSErr CPosixFiles::SetPosition(std::int16_t ref, std::int32_t pos)
{
    if (pos < 0)
        return kPositionErr;
    std::int32_t size = 0;
    const TOSErr result = GetEOF(ref, &size);
    if (result != kNoErr)
        return result;
    if (pos > size)
        return kEOFErr;
    if (lseek(ref, pos, SEEK_SET) < 0)
        return ResultFromErrno(errno);
    return kNoErr;
}

TOSErr CPosixFiles::GetEOF(std::int16_t ref, std::int32_t* size)
{
    struct stat info;
    if (ref <= 0 || fstat(ref, &info) != 0)
        return kRefNumErr;
    if (info.st_size > INT32_MAX)
        return kParamErr;
    *size = std::int32_t(info.st_size);
    return kNoErr;
}

TOSErr CPosixFiles::Close(std::int16_t ref)
{
    if (ref <= 0)
        return kRefNumErr;
    if (close(ref) != 0)
        return ResultFromErrno(errno);
    return kNoErr;
}

TOSErr CPosixFiles::SaveReplacing(const SNativeFileSpec& spec, std::uint32_t creator,
                                  std::uint32_t type, const void* data, std::size_t size)
{
    const std::string path = spec.Path();
    std::string target;
    if (CFileReplacer::ResolveLinks(path, &target) != 0)
        target = path;
    struct stat old = {};
    const bool existed = stat(target.c_str(), &old) == 0;
    std::uint8_t flags[2];
    const bool hadFlags = existed && ReadAttribute(target, kFlagsAttribute, flags, sizeof(flags));

    CFileReplacer::SOptions options;
    // A program with a window must not block on a pipe, nor write into a device.
    options.mWriteDevicesInPlace = false;
    options.mPrepare = [&](int fd)
    {
        const auto set = [fd](const char* name, const void* value, std::size_t length)
        {
            if (fsetxattr(fd, name, value, length, 0) == 0 || errno == ENOTSUP ||
                errno == EOPNOTSUPP || errno == EPERM)
                return 0; // without attributes the type comes from the extension
            return errno;
        };
        const std::uint8_t typeBytes[4] = {std::uint8_t(type >> 24), std::uint8_t(type >> 16),
                                           std::uint8_t(type >> 8), std::uint8_t(type)};
        const std::uint8_t creatorBytes[4] = {std::uint8_t(creator >> 24),
                                              std::uint8_t(creator >> 16),
                                              std::uint8_t(creator >> 8), std::uint8_t(creator)};
        int error = set(kTypeAttribute, typeBytes, sizeof(typeBytes));
        if (error == 0)
            error = set(kCreatorAttribute, creatorBytes, sizeof(creatorBytes));
        if (error == 0 && hadFlags)
            error = set(kFlagsAttribute, flags, sizeof(flags));
        return error;
    };
    CFileReplacer::EStep step = CFileReplacer::kStepNone;
    const int error = CFileReplacer::Write(path, data, size, options, &step);
    if (error == 0)
        return kNoErr;
    if (error == ENOSPC || error == EDQUOT)
        return kDiskFullErr;
    if (existed && step != CFileReplacer::kStepWrite &&
        (error == EACCES || error == EPERM || error == EROFS || error == EBUSY))
        return kFileLockedErr;
    if (step == CFileReplacer::kStepWrite)
        return kIOErr;
    const TOSErr result = ResultFromErrno(error);
    return result == kNoErr ? kIOErr : result;
}

TOSErr CPosixFiles::Delete(const SNativeFileSpec& spec)
{
    if (remove(spec.Path().c_str()) == 0)
        return kNoErr;
    switch (errno)
    {
    case EACCES:
    case EPERM:
        return kFileLockedErr; // the folder or the file refuses the change
    case EROFS:
        return kWritePermissionErr;
    case EBUSY:
        return kFileBusyErr;
    case ENOTDIR:
        return kFileNotFoundErr; // no folder, so no file to delete
    default:
        return ResultFromErrno(errno);
    }
}

TOSErr CPosixFiles::GetCatalogInfo(const SNativeFileSpec& spec, SCatalogInfo* info)
{
    const std::string path = spec.Path();
    struct stat status;
    if (stat(path.c_str(), &status) != 0 && lstat(path.c_str(), &status) != 0)
        return errno == ENOTDIR ? kDirNotFoundErr : ResultFromErrno(errno);
    FillCatalogInfo(path, spec.mName, status, info);
    return kNoErr;
}

TOSErr CPosixFiles::GetCatalogInfoByIndex(const SNativeFileSpec& dir, int index, SCatalogInfo* info)
{
    if (index < 1)
        return kParamErr;
    TOSErr result = kNoErr;
    const std::vector<std::string> names = SortedEntries(dir.Path(), &result);
    if (result != kNoErr)
        return result;
    if (std::size_t(index) > names.size())
        return kFileNotFoundErr;
    SNativeFileSpec entry{Normalise(dir.Path()), names[std::size_t(index) - 1]};
    return GetCatalogInfo(entry, info);
}

TOSErr CPosixFiles::SetCatalogInfo(const SNativeFileSpec& spec, const SCatalogInfo& info)
{
    const std::string path = spec.Path();
    struct stat status;
    if (stat(path.c_str(), &status) != 0)
        return ResultFromErrno(errno);
    TOSErr result = WriteCodeAttribute(path, kTypeAttribute, info.mType);
    if (result == kNoErr)
        result = WriteCodeAttribute(path, kCreatorAttribute, info.mCreator);
    if (result == kNoErr)
        result = WriteCodeAttribute(path, kCreationDateAttribute, info.mCreationDate);
    if (result == kNoErr)
    {
        const std::uint8_t flags[2] = {std::uint8_t(info.mFinderFlags >> 8),
                                       std::uint8_t(info.mFinderFlags)};
        if (setxattr(path.c_str(), kFlagsAttribute, flags, sizeof(flags), 0) != 0 &&
            errno != ENOTSUP && errno != EOPNOTSUPP && errno != EPERM)
            result = ResultFromErrno(errno);
    }
    if (result != kNoErr)
        return result;
    timespec times[2];
    times[0].tv_nsec = UTIME_OMIT;
    times[0].tv_sec = 0;
    times[1].tv_sec = time_t(std::int64_t(info.mModificationDate) - kEpochDelta);
    times[1].tv_nsec = 0;
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        return ResultFromErrno(errno);
    return kNoErr;
}

TOSErr CPosixFiles::CreateDirectory(const SNativeFileSpec& spec)
{
    if (mkdir(spec.Path().c_str(), 0777) != 0)
        return ResultFromErrno(errno);
    return kNoErr;
}

TOSErr CPosixFiles::GetDirectoryID(const SNativeFileSpec& dir, std::int32_t* id)
{
    struct stat info;
    if (stat(dir.Path().c_str(), &info) != 0)
        return ResultFromErrno(errno);
    if (!S_ISDIR(info.st_mode))
        return kDirNotFoundErr;
    *id = std::int32_t(info.st_ino & 0x7FFFFFFF);
    return kNoErr;
}

std::int16_t CPosixFiles::GetVolumeID(const SNativeFileSpec& spec)
{
    struct stat info;
    if (stat(spec.mDirectory.c_str(), &info) != 0)
        return -1;
    const std::uint64_t dev = info.st_dev;
    return std::int16_t(-1 - std::int16_t((dev ^ (dev >> 16) ^ (dev >> 32)) & 0x3FFF));
}

std::int32_t CPosixFiles::GetParentID(const SNativeFileSpec& spec)
{
    std::int32_t id = 0;
    SNativeFileSpec parent = SpecForDirectoryPath(spec.mDirectory);
    if (GetDirectoryID(parent, &id) != kNoErr)
        return 0;
    return id;
}

bool CPosixFiles::IsLink(const SNativeFileSpec& spec)
{
    struct stat info;
    return lstat(spec.Path().c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

TOSErr CPosixFiles::ResolveLinks(SNativeFileSpec* spec)
{
    char* resolved = realpath(spec->Path().c_str(), nullptr);
    if (resolved == nullptr)
        return ResultFromErrno(errno);
    *spec = SpecForDirectoryPath(resolved);
    free(resolved);
    return kNoErr;
}

std::uint32_t CPosixFiles::TypeFromExtension(const std::string& name)
{
    static const struct
    {
        const char* mExtension;
        const char* mType;
    } kTable[] = {{".txt", "TEXT"}, {".text", "TEXT"}, {".doc", "TEXT"},  {".bmp", "BMP "},
                  {".jpg", "JPEG"}, {".jpeg", "JPEG"}, {".wav", "WAVE"},  {".wave", "WAVE"},
                  {".aif", "AIFF"}, {".aiff", "AIFF"}, {".mid", "Midi"},  {".midi", "Midi"},
                  {".bin", "BINA"}, {".rsrc", "rsrc"}, {".pref", "pref"}, {".prefs", "pref"}};
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return kUnknownCode;
    std::string extension = name.substr(dot);
    for (char& c : extension)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& entry : kTable)
    {
        if (extension == entry.mExtension)
            return Code(entry.mType);
    }
    return kUnknownCode;
}

TOSErr CPosixFiles::FindFolder(std::uint32_t kind, bool create, SNativeFileSpec* spec)
{
    const std::string home = HomeDirectory();
    std::string path;
    switch (kind)
    {
    case kPreferencesFolder:
        path = EnvDirectory("XDG_CONFIG_HOME", home + "/.config") + "/" + GetApplicationName();
        break;
    case kTemporaryFolder:
        path = EnvDirectory("TMPDIR", "/tmp");
        break;
    case kDesktopFolder:
        path = DesktopDirectory();
        break;
    case kExtensionFolder:
        path = EnvDirectory("XDG_DATA_HOME", home + "/.local/share") + "/" + GetApplicationName() +
               "/extensions";
        break;
    case kSystemFolder:
        path = "/";
        break;
    default:
        return kDirNotFoundErr;
    }
    path = Normalise(path);
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
    {
        if (!create)
            return kFileNotFoundErr;
        const TOSErr result = MakeDirectories(path);
        if (result != kNoErr)
            return result;
    }
    *spec = SpecForDirectoryPath(path);
    return kNoErr;
}

TOSErr CPosixFiles::GetVolume(int index, SVolumeRecord* volume)
{
    const std::vector<SMount> mounts = Mounts();
    if (index < 0 || std::size_t(index) >= mounts.size())
        return kNoSuchVolumeErr;
    return FillVolume(mounts[std::size_t(index)], volume);
}

TOSErr CPosixFiles::GetVolumeOfSpec(const SNativeFileSpec& spec, SVolumeRecord* volume)
{
    const std::string path = Normalise(spec.Path());
    const SMount* best = nullptr;
    const std::vector<SMount> mounts = Mounts();
    for (const SMount& mount : mounts)
    {
        const bool inside =
            mount.mPoint == "/" ||
            (path.compare(0, mount.mPoint.size(), mount.mPoint) == 0 &&
             (path.size() == mount.mPoint.size() || path[mount.mPoint.size()] == '/'));
        if (inside && (best == nullptr || mount.mPoint.size() > best->mPoint.size()))
            best = &mount;
    }
    return FillVolume(*best, volume);
}

std::vector<std::uint8_t> CPosixFiles::MakeAlias(const SNativeFileSpec& spec)
{
    const std::string path = Normalise(spec.Path());
    return std::vector<std::uint8_t>(path.begin(), path.end());
}

TOSErr CPosixFiles::ResolveAlias(const std::uint8_t* data, std::size_t size, SNativeFileSpec* spec)
{
    if (size == 0 || size > PATH_MAX || data[0] != '/')
        return kParamErr;
    const std::string path(reinterpret_cast<const char*>(data), size);
    if (path.find('\0') != std::string::npos)
        return kParamErr;
    *spec = SpecForDirectoryPath(path);
    if (spec->mName.empty())
        return kNoErr;
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return kFileNotFoundErr;
    return kNoErr;
}

std::uint32_t CPosixFiles::DateFromUnix(std::int64_t seconds)
{
    return std::uint32_t(seconds + kEpochDelta);
}

std::uint32_t CPosixFiles::NowDate()
{
    return DateFromUnix(std::int64_t(time(nullptr)));
}

} // namespace NSPlatform
