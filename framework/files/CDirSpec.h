// Names one folder (its parent folder and its own name) and moves through the
// folder tree.
#pragma once

#include "platform/files/SNativeFileSpec.h"

#include <string>

namespace NSWayfarer
{

class CFileInfo;
class CFileSpec;
class CMedia;

class CDirSpec
{
public:
    explicit CDirSpec(const NSPlatform::SNativeFileSpec& spec);
    // Reads a packed specification (the format CFileSpec writes).
    explicit CDirSpec(CMedia* media);
    CDirSpec(const CDirSpec&) = default;
    CDirSpec& operator=(const CDirSpec&) = default;
    virtual ~CDirSpec();

    void Write(CMedia* media) const;
    bool IsEqual(const CDirSpec* other) const;
    std::string GetPath() const { return fSpec.Path(); }

    long MacGetDirID() const;
    long MacGetParentDirID() const;
    short MacGetVolumeID() const;
    void GetDirectoryName(char* out) const;
    void MacGetFSSpec(NSPlatform::SNativeFileSpec* out) const { *out = fSpec; }

    void GoDownTree(const char* name);
    void GoUpTree();
    bool DoesDirItemExist(const char* name) const;
    CFileSpec* BuildFileSpecForFileInDir(const char* name) const;
    CDirSpec* CreatePhysicalDirectory(const char* name) const;
    // Entry `index` (from 0); false with a null result past the last entry.
    bool MacGetFileInfoByIndex(unsigned short index, CFileInfo** info) const;

    static CDirSpec* NewFromCurrentDirectory();
    static CDirSpec* NewFromDesktopFolder();
    static CDirSpec* MacNewFromSpecialFolder(unsigned long kind);
    static CDirSpec* MacNewFromExtensionFolder();
    static CDirSpec* NewFromPreferenceFolder();
    static CDirSpec* NewFromTemporaryFolder();
    static CDirSpec* NewFromVolumeIndex(unsigned short index);
    static CDirSpec* NewParentDirForFile(const CFileSpec* file);
    static CFileSpec* NewFromPreferenceFolder(const char* name);

private:
    // The path of an entry inside this folder.
    NSPlatform::SNativeFileSpec ChildSpec(const char* name) const;

    NSPlatform::SNativeFileSpec fSpec;
};

} // namespace NSWayfarer
