// Names one file by the platform's native specification (its folder and leaf
// name) and opens it as a byte stream; can be stored in a packed record.
#pragma once

#include "framework/files/CFileCreator.h"
#include "framework/files/CUnknownFileType.h"
#include "framework/media/CABCMediaSpec.h"
#include "platform/files/SNativeFileSpec.h"

#include <cstdint>
#include <string>

namespace NSWayfarer
{

class CFileInfo;
class CMedia;

class CFileSpec : public CABCMediaSpec
{
public:
    static constexpr uint32_t kPackedMagic = 0xF11E54EC;
    // Leaf names are at most this long; name buffers need one byte more.
    static constexpr int kMaxNameLength = 255;
    static constexpr int kMaxExtensionLength = 8;

    CFileSpec();
    explicit CFileSpec(const NSPlatform::SNativeFileSpec& spec);
    CFileSpec(const CFileSpec& other);
    CFileSpec& operator=(const CFileSpec& other);
    // Reads a packed specification from a stream. A file missing since it was
    // packed is accepted (the file spec then names the missing file).
    explicit CFileSpec(CMedia* media);
    // Unpacks from a buffer of `size` bytes; a missing file throws XFileNotFound.
    CFileSpec(const unsigned char* packed, long size);
    ~CFileSpec() override;

    // A specification for a path; the file need not exist, its folder must
    // (else XFileNotFound).
    static CFileSpec FromPath(const std::string& path);
    std::string GetPath() const { return fSpec.Path(); }

    CMedia* CreateMedia() const override;
    CFileSpec* Clone() const override;

    long Pack(unsigned char** out) const;
    void Write(CMedia* media) const;

    void SetFileNameWithExtension(const char* name);
    void GetFileNameWithExtension(char* out) const;
    void GetFileNameOnly(char* out) const;
    void GetUserFriendlyFileName(char* out) const;
    static void FilenameWithExtensionToParts(const char* name, char* base, char* extension);
    static void ExtractExtension(const char* name, char* extension);

    void MacGetFSSpec(NSPlatform::SNativeFileSpec* out) const { *out = fSpec; }
    short MacGetVolumeID() const;
    long MacGetDirID() const;
    void MacGetVolumeName(char* out) const;

    bool IsEqual(const CFileSpec* other) const;
    static bool MacAreFSSpecsEqual(const NSPlatform::SNativeFileSpec& a,
                                   const NSPlatform::SNativeFileSpec& b);

    // Follows symbolic links (this system's aliases) to the file they name.
    void Resolve();
    bool DoesFileExist() const;
    CUnknownFileType GetFileType() const;
    CFileCreator MacGetCreator() const;
    CFileInfo* GetFileInfo() const;
    void SetFileInfo(const CFileInfo* info) const;
    void DeletePhysicalFile() const;

protected:
    NSPlatform::SNativeFileSpec fSpec;

private:
    void ReadPacked(const unsigned char* alias, uint32_t length, bool acceptMissing);
};

} // namespace NSWayfarer
