#include "platform/files/CFileReplacer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace NSPlatform
{

namespace
{

// Writes everything; 0 or an errno value.
int WriteAll(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size)
    {
        const ssize_t n = write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        done += std::size_t(n);
    }
    return 0;
}

int Fail(CFileReplacer::EStep* step, CFileReplacer::EStep where, int error)
{
    if (step != nullptr)
        *step = where;
    return error;
}

std::string Folder(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

int CFileReplacer::ResolveLinks(const std::string& path, std::string* resolved)
{
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops)
    {
        struct stat info = {};
        if (lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        {
            *resolved = at;
            return 0;
        }
        std::vector<char> target(std::size_t(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t length = readlink(at.c_str(), target.data(), target.size());
        if (length < 0)
            return errno;
        if (std::size_t(length) >= target.size())
            return ENAMETOOLONG; // the link changed while it was read
        const std::string next(target.data(), std::size_t(length));
        at = !next.empty() && next[0] == '/' ? next : Folder(at) + "/" + next;
    }
    return ELOOP;
}

int CFileReplacer::Write(const std::string& outputPath, const void* data, std::size_t size,
                         const SOptions& options, EStep* step)
{
    if (step != nullptr)
        *step = kStepNone;
    // The kernel follows links here, the special ones of /dev/stdout and /proc too.
    struct stat target = {};
    const bool exists = stat(outputPath.c_str(), &target) == 0;
    if (exists && S_ISDIR(target.st_mode))
        return Fail(step, kStepCreate, EISDIR);
    if (exists && !S_ISREG(target.st_mode))
    {
        // Renaming a new file over a device node or a pipe would replace the node instead of
        // writing to it.
        if (!options.mWriteDevicesInPlace)
            return Fail(step, kStepCreate, EINVAL);
        const int fd = open(outputPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            return Fail(step, kStepCreate, errno);
        int error = WriteAll(fd, data, size);
        if (close(fd) != 0 && error == 0)
            error = errno;
        return error == 0 ? 0 : Fail(step, kStepWrite, error);
    }

    // A planted or old link is followed, so the link stays and the file it names is replaced.
    std::string path;
    if (const int error = ResolveLinks(outputPath, &path); error != 0)
        return Fail(step, kStepCreate, error);

    // mkstemp opens with O_EXCL, so nothing planted under the temporary name is ever followed.
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
        return Fail(step, kStepCreate, errno);
    const std::string temporary = name.data();

    mode_t mode = 0;
    if (exists)
        mode = target.st_mode & 07777;
    else
    {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    int error = WriteAll(fd, data, size);
    if (error == 0 && options.mPrepare)
        error = options.mPrepare(fd);
    if (error == 0 && fchmod(fd, mode) != 0)
        error = errno;
    if (error == 0 && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
    {
        unlink(temporary.c_str());
        return Fail(step, kStepWrite, error);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
    {
        error = errno;
        unlink(temporary.c_str());
        return Fail(step, kStepReplace, error);
    }
    return 0;
}

int CFileReplacer::Write(const std::string& path, const void* data, std::size_t size)
{
    return Write(path, data, size, SOptions());
}

std::string CFileReplacer::Describe(const std::string& path, int error)
{
    if (error == EISDIR)
        return "cannot write '" + path + "': it is a folder";
    return "cannot write '" + path + "': " + std::strerror(error);
}

} // namespace NSPlatform
