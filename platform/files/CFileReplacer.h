// Writes a file's new contents so that a failure never costs the old ones: a regular file is
// written to a unique temporary file beside it and renamed into place; devices and pipes are
// written in place; symbolic links are followed, so the file they name is the one replaced.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace NSPlatform
{

class CFileReplacer
{
public:
    // Where a write failed, so callers can tell a refused folder from a full disk.
    enum EStep
    {
        kStepNone,
        kStepCreate,  // the target or its temporary file could not be made or opened
        kStepWrite,   // writing the bytes (or preparing the new file) failed
        kStepReplace, // the finished file could not take the target's name
    };

    // Runs on the new file (its descriptor) before it takes the target's name, for example to
    // give it extended attributes. Returns 0 or an errno value.
    using TPrepare = std::function<int(int fd)>;

    struct SOptions
    {
        // When false, a target that exists and is not a regular file is refused (EINVAL)
        // rather than written in place: a program with a window must not block on a pipe.
        bool mWriteDevicesInPlace = true;
        TPrepare mPrepare;
    };

    // Returns 0 on success, else an errno value with `step` (when given) set to where it failed.
    // A replaced regular file keeps its permission bits; a new one gets 0666 less the umask.
    static int Write(const std::string& path, const void* data, std::size_t size,
                     const SOptions& options, EStep* step = nullptr);
    static int Write(const std::string& path, const void* data, std::size_t size);

    // "cannot write 'PATH': REASON" (or "... it is a folder"), for messages.
    static std::string Describe(const std::string& path, int error);

    // The file a chain of symbolic links ends at, even when that file does not exist yet
    // (relative links are taken from their own folder). ELOOP after 40 links.
    static int ResolveLinks(const std::string& path, std::string* resolved);
};

} // namespace NSPlatform
