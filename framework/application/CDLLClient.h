// A loaded shared library (code fragment) and the functions it exports.
#pragma once

#include "framework/media/CFileVersion.h"

namespace NSWayfarer
{

class CFileSpec;

class CDLLClient
{
public:
    // Loads the library in the file; XFileNotFound when it is missing,
    // XInternalError for unresolved imports, XFailedLoadingDLL when a library
    // it needs cannot be loaded, XBadFormat for a file that is no library.
    explicit CDLLClient(const CFileSpec* file);
    ~CDLLClient();
    CDLLClient(const CDLLClient&) = delete;
    CDLLClient& operator=(const CDLLClient&) = delete;

    // XNotFound when the library exports no such symbol.
    void* FindFunction(const char* name);
    bool DoesFunctionExist(const char* name) const;
    // The version in the library's resource file, <library>.rsrc beside it.
    static CFileVersion GetDLLVersion(const CFileSpec* file);

private:
    void* fConnection = nullptr;
};

} // namespace NSWayfarer
