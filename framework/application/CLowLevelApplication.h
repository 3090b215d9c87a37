// The application's identity (name, own file, creator, version, resource
// file), the process-wide pointer to the one application object, and the
// start-up search for the resource file.
#pragma once

#include "framework/files/CFileCreator.h"
#include "framework/files/CFileSpec.h"
#include "framework/media/CVersion.h"
#include "framework/media/CWayfarerFileVersion.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace NSWayfarer
{

class CDirSpec;
class COpenResourceFile;

class CLowLevelApplication
{
public:
    static constexpr int kMaxNameLength = 65;
    // Value of fVersion's parts and of the build number when unknown.
    static constexpr unsigned short kUnknownVersion = 666;

    // Name, own file, platform reference of the (open) resource file.
    CLowLevelApplication(const char* name, CFileSpec file, short resourceRefNum);
    virtual void Idle() {}
    virtual ~CLowLevelApplication();
    CLowLevelApplication(const CLowLevelApplication&) = delete;
    CLowLevelApplication& operator=(const CLowLevelApplication&) = delete;

    static CLowLevelApplication* Get() { return gCurrent; }

    // The buffer needs kMaxNameLength + 1 bytes.
    void GetName(char* out) const;
    COpenResourceFile* GetResourceFile() const { return fResources; }
    CFileSpec GetFileSpec() const { return fFileSpec; }
    CDirSpec GetStartDirectory() const;
    CWayfarerFileVersion GetVersion() const { return fVersion; }
    CFileCreator MacGetCreator() const { return fMacCreator; }
    short MacGetResourceRefNum() const;

    // The running kernel's version; XInternalError when it cannot be read.
    static CVersion GetSystemVersion();
    // This host has neither of these components: both answer false.
    static bool MacGetOpenTransportVersion(CVersion* version);
    static bool MacGetAppearanceSDKVersion(CVersion* version);

    // Start-up. The resource file is, in this order: the FILE of
    // "--resources FILE" (or "--resources=FILE") on the command line;
    // <name>.rsrc beside the executable; ../share/<name>/<name>.rsrc relative
    // to the executable's folder, where <name> is the executable's file name.
    // Returns the candidates in that order (only the first when the option is
    // given); `error` receives a message for a malformed option.
    static std::vector<std::string> ResourceFileCandidates(int argc, const char* const* argv,
                                                           const std::string& executablePath,
                                                           std::string* error);
    // Opens the first candidate that exists and makes it the current resource
    // file. Returns its reference, or -1 after writing the reason, with the
    // path(s), to `errors` (a missing or malformed file, a bad option).
    static short MacOpenStartupResourceFile(int argc, const char* const* argv,
                                            std::ostream& errors);
    // The same with the running executable's path and standard error.
    static short MacOpenStartupResourceFile(int argc, const char* const* argv);

private:
    void Open(const char* name, short resourceRefNum);

    static CLowLevelApplication* gCurrent;

    COpenResourceFile* fResources = nullptr;
    CFileSpec fFileSpec;
    CFileCreator fMacCreator;
    char fName[kMaxNameLength + 1];
    CWayfarerFileVersion fVersion;
};

} // namespace NSWayfarer
