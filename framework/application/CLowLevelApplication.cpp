#include "framework/application/CLowLevelApplication.h"

#include "framework/files/CDirSpec.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/files/XBase.h"
#include "platform/files/CPosixFiles.h"
#include "platform/resources/CResourceManager.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <ostream>
#include <sys/stat.h>
#include <sys/utsname.h>

namespace NSWayfarer
{

using NSPlatform::CResourceManager;

CLowLevelApplication* CLowLevelApplication::gCurrent = nullptr;

namespace
{

const char* const kResourcesOption = "--resources";
const char* const kResourceExtension = ".rsrc";

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string LeafOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

CLowLevelApplication::CLowLevelApplication(const char* name, CFileSpec file, short resourceRefNum)
    : fFileSpec(file), fMacCreator("????")
{
    CLowLevelApplication* const previous = gCurrent;
    gCurrent = this;
    try
    {
        Open(name, resourceRefNum);
    }
    catch (...)
    {
        // A pointer to an object that was never built must not outlive it.
        gCurrent = previous;
        throw;
    }
}

void CLowLevelApplication::Open(const char* name, short resourceRefNum)
{
    const char* const source = name != nullptr ? name : "";
    const std::size_t length = strnlen(source, kMaxNameLength);
    std::memcpy(fName, source, length);
    fName[length] = 0;
    NSPlatform::CPosixFiles::SetApplicationName(fName);

    std::unique_ptr<COpenResourceFile> resources(new COpenResourceFile(resourceRefNum));
    fVersion = resources->GetWayfarerFileVersion();
    if (resources->DoesExist("BNDL", 128))
    {
        unsigned char creator[4];
        long count = 0;
        resources->Read("BNDL", 128, creator, &count, 4);
        if (count == 4)
        {
            fMacCreator.MacSet((static_cast<unsigned long>(creator[0]) << 24) |
                               (static_cast<unsigned long>(creator[1]) << 16) |
                               (static_cast<unsigned long>(creator[2]) << 8) | creator[3]);
        }
    }
    fResources = resources.release();
}

CLowLevelApplication::~CLowLevelApplication()
{
    delete fResources;
    fResources = nullptr;
    if (gCurrent == this)
        gCurrent = nullptr;
}

void CLowLevelApplication::GetName(char* out) const
{
    std::strcpy(out, fName);
}

CDirSpec CLowLevelApplication::GetStartDirectory() const
{
    std::unique_ptr<CDirSpec> folder(CDirSpec::NewParentDirForFile(&fFileSpec));
    return *folder;
}

short CLowLevelApplication::MacGetResourceRefNum() const
{
    return fResources != nullptr ? fResources->MacGetRefNum() : CResourceManager::kNoFile;
}

CVersion CLowLevelApplication::GetSystemVersion()
{
    utsname info;
    if (uname(&info) != 0)
        throw XInternalError();
    unsigned parts[3] = {0, 0, 0};
    const int found = std::sscanf(info.release, "%u.%u.%u", &parts[0], &parts[1], &parts[2]);
    if (found < 1)
        throw XInternalError();
    for (unsigned& part : parts)
        part = part > 255 ? 255 : part;
    return CVersion(static_cast<uint8_t>(parts[0]), static_cast<uint8_t>(parts[1]),
                    static_cast<uint8_t>(parts[2]));
}

bool CLowLevelApplication::MacGetOpenTransportVersion(CVersion*)
{
    return false;
}

bool CLowLevelApplication::MacGetAppearanceSDKVersion(CVersion*)
{
    return false;
}

std::vector<std::string>
CLowLevelApplication::ResourceFileCandidates(int argc, const char* const* argv,
                                             const std::string& executablePath, std::string* error)
{
    error->clear();
    const std::size_t optionLength = std::strlen(kResourcesOption);
    for (int i = 1; i < argc; ++i)
    {
        const char* arg = argv[i];
        if (std::strcmp(arg, kResourcesOption) == 0)
        {
            if (i + 1 >= argc || argv[i + 1][0] == 0)
            {
                *error = std::string(kResourcesOption) + " needs a file name";
                return {};
            }
            return {argv[i + 1]};
        }
        if (std::strncmp(arg, kResourcesOption, optionLength) == 0 && arg[optionLength] == '=')
        {
            if (arg[optionLength + 1] == 0)
            {
                *error = std::string(kResourcesOption) + " needs a file name";
                return {};
            }
            return {arg + optionLength + 1};
        }
    }
    const std::string folder = FolderOf(executablePath);
    const std::string name = LeafOf(executablePath);
    return {folder + "/" + name + kResourceExtension,
            folder + "/../share/" + name + "/" + name + kResourceExtension};
}

short CLowLevelApplication::MacOpenStartupResourceFile(int argc, const char* const* argv,
                                                       std::ostream& errors)
{
    NSPlatform::SNativeFileSpec self;
    std::string executable;
    if (NSPlatform::CPosixFiles::GetExecutableSpec(&self) == NSPlatform::kNoErr)
        executable = self.Path();
    else if (argc > 0)
        executable = argv[0];
    const std::string program = LeafOf(executable.empty() ? "application" : executable);

    std::string error;
    const std::vector<std::string> candidates =
        ResourceFileCandidates(argc, argv, executable, &error);
    if (!error.empty())
    {
        errors << program << ": " << error << '\n';
        return CResourceManager::kNoFile;
    }
    // The option names the file to use; without it the first one present wins.
    std::string chosen = candidates.front();
    if (candidates.size() > 1)
    {
        chosen.clear();
        for (const std::string& candidate : candidates)
        {
            if (IsFile(candidate))
            {
                chosen = candidate;
                break;
            }
        }
        if (chosen.empty())
        {
            errors << program << ": resource file not found (looked for " << candidates[0]
                   << " and " << candidates[1] << ")\n";
            return CResourceManager::kNoFile;
        }
    }
    const short ref = CResourceManager::OpenResFile(chosen);
    if (ref == CResourceManager::kNoFile)
    {
        errors << program << ": cannot use resource file " << chosen << ": "
               << CResourceManager::GetOpenFailure() << '\n';
    }
    return ref;
}

short CLowLevelApplication::MacOpenStartupResourceFile(int argc, const char* const* argv)
{
    return MacOpenStartupResourceFile(argc, argv, std::cerr);
}

} // namespace NSWayfarer
