// The file-system calls the framework's file classes stand on, over POSIX.
// Every call reports its outcome as a platform result code (never errno), so
// the framework can pick its exception types exactly as on the original host.
#pragma once

#include "platform/files/MacResultCodes.h"
#include "platform/files/SNativeFileSpec.h"

#include <cstdint>
#include <string>
#include <vector>

namespace NSPlatform
{

// Catalogue information of one entry.
struct SCatalogInfo
{
    std::string mName;
    bool mIsDirectory = false;
    std::uint32_t mType = 0;             // four-character code
    std::uint32_t mCreator = 0;          // four-character code
    std::uint32_t mCreationDate = 0;     // seconds since 1 January 1904
    std::uint32_t mModificationDate = 0; // seconds since 1 January 1904
    std::uint16_t mFinderFlags = 0;      // 0x4000 = invisible
    std::int64_t mDataForkSize = 0;
    std::int64_t mResourceForkSize = 0;
};

struct SVolumeRecord
{
    std::string mName;
    std::string mMountPoint;
    bool mHardwareLocked = false;
    std::uint32_t mAllocationBlocks = 0;
    std::uint32_t mFreeBlocks = 0;
    std::uint32_t mCreationDate = 0;
    std::uint32_t mModificationDate = 0;
    std::uint32_t mFileCount = 0;
    std::uint32_t mDirectoryCount = 0;
};

class CPosixFiles
{
public:
    static constexpr std::uint16_t kInvisibleFlag = 0x4000;
    // Seconds between 1 January 1904 and 1 January 1970.
    static constexpr std::int64_t kEpochDelta = 2082844800;

    // Special folders, by their four-character kind.
    static constexpr std::uint32_t kPreferencesFolder = 0x70726566; // 'pref'
    static constexpr std::uint32_t kTemporaryFolder = 0x74656D70;   // 'temp'
    static constexpr std::uint32_t kDesktopFolder = 0x6465736B;     // 'desk'
    static constexpr std::uint32_t kExtensionFolder = 0x6578746E;   // 'extn'
    static constexpr std::uint32_t kSystemFolder = 0x6D616373;      // 'macs'

    // The name used for per-application folders (preferences, extensions).
    static void SetApplicationName(const std::string& name);
    static std::string GetApplicationName();

    // Builds a specification from a path (relative paths start in the current
    // directory). kNoErr when the entry exists, kFileNotFoundErr when only its
    // parent exists, kDirNotFoundErr when the parent does not exist either.
    static TOSErr MakeSpec(const std::string& path, SNativeFileSpec* spec);
    static TOSErr GetExecutableSpec(SNativeFileSpec* spec);
    static TOSErr GetCurrentDirectorySpec(SNativeFileSpec* spec);
    // Specification of a folder itself from its path.
    static SNativeFileSpec SpecForDirectoryPath(const std::string& absolutePath);

    // Open files, by a reference number > 0.
    static TOSErr OpenDataFork(const SNativeFileSpec& spec, bool forWriting, std::int16_t* ref);
    static TOSErr Create(const SNativeFileSpec& spec, std::uint32_t creator, std::uint32_t type);
    static TOSErr Read(std::int16_t ref, std::int32_t* count, void* buffer);
    static TOSErr Write(std::int16_t ref, std::int32_t* count, const void* buffer);
    static TOSErr GetPosition(std::int16_t ref, std::int32_t* pos);
    static TOSErr SetPosition(std::int16_t ref, std::int32_t pos);
    static TOSErr GetEOF(std::int16_t ref, std::int32_t* size);
    static TOSErr Close(std::int16_t ref);
    static TOSErr Delete(const SNativeFileSpec& spec);
    // Saves a whole file without ever losing the old one: the bytes go to a new file beside it
    // with the given type and creator (and the old file's flags), which then takes its name; a
    // link is followed. kDiskFullErr, kFileLockedErr (the file or its folder refuses the
    // change), kIOErr (writing failed) or another code for a file that cannot be created.
    static TOSErr SaveReplacing(const SNativeFileSpec& spec, std::uint32_t creator,
                                std::uint32_t type, const void* data, std::size_t size);

    // Catalogue.
    static TOSErr GetCatalogInfo(const SNativeFileSpec& spec, SCatalogInfo* info);
    // Entry `index` (counting from 1) of a directory, in name order.
    static TOSErr GetCatalogInfoByIndex(const SNativeFileSpec& dir, int index, SCatalogInfo* info);
    static TOSErr SetCatalogInfo(const SNativeFileSpec& spec, const SCatalogInfo& info);
    static TOSErr CreateDirectory(const SNativeFileSpec& spec);
    static TOSErr GetDirectoryID(const SNativeFileSpec& dir, std::int32_t* id);
    static std::int16_t GetVolumeID(const SNativeFileSpec& spec);
    static std::int32_t GetParentID(const SNativeFileSpec& spec);
    static bool IsLink(const SNativeFileSpec& spec);
    // Follows symbolic links (the host's aliases) to the final target.
    static TOSErr ResolveLinks(SNativeFileSpec* spec);

    // The type and creator live in extended attributes; when the file system
    // keeps none, the type is derived from the name's extension.
    static std::uint32_t TypeFromExtension(const std::string& name);

    static TOSErr FindFolder(std::uint32_t kind, bool create, SNativeFileSpec* spec);
    // Mounted volumes, counting from 0 (0 is the root file system).
    static TOSErr GetVolume(int index, SVolumeRecord* volume);
    static TOSErr GetVolumeOfSpec(const SNativeFileSpec& spec, SVolumeRecord* volume);

    // The stand-in for an alias record: the absolute path.
    static std::vector<std::uint8_t> MakeAlias(const SNativeFileSpec& spec);
    // kNoErr: found; kFileNotFoundErr: names a missing file (spec filled in);
    // kParamErr: not an alias record.
    static TOSErr ResolveAlias(const std::uint8_t* data, std::size_t size, SNativeFileSpec* spec);

    static std::uint32_t NowDate();
    static std::uint32_t DateFromUnix(std::int64_t seconds);
};

} // namespace NSPlatform
