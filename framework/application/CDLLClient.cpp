#include "framework/application/CDLLClient.h"

#include "framework/files/CFileSpec.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/files/XBase.h"
#include "platform/files/CSharedLibrary.h"

namespace NSWayfarer
{

using NSPlatform::CSharedLibrary;

CDLLClient::CDLLClient(const CFileSpec* file)
{
    switch (CSharedLibrary::Load(file->GetPath(), &fConnection))
    {
    case NSPlatform::kNoErr:
        return;
    case NSPlatform::kFragInitFailedErr:
    case NSPlatform::kFragLibConnErr:
        throw XFailedLoadingDLL();
    case NSPlatform::kFragUnresolvedErr:
        throw XInternalError();
    case NSPlatform::kFragFormatErr:
        throw XBadFormat();
    case NSPlatform::kMemFullErr:
        throw XMacSystemOOM();
    case NSPlatform::kFragNoLibraryErr:
        throw XFileNotFound();
    default:
        throw XBase();
    }
}

CDLLClient::~CDLLClient()
{
    CSharedLibrary::Close(fConnection);
    fConnection = nullptr;
}

void* CDLLClient::FindFunction(const char* name)
{
    void* address = nullptr;
    const NSPlatform::TOSErr result = CSharedLibrary::FindSymbol(fConnection, name, &address);
    if (result == NSPlatform::kFragNoSymbolErr)
        throw XNotFound();
    if (result != NSPlatform::kNoErr)
        throw XBase();
    return address;
}

bool CDLLClient::DoesFunctionExist(const char* name) const
{
    void* address = nullptr;
    const NSPlatform::TOSErr result = CSharedLibrary::FindSymbol(fConnection, name, &address);
    if (result == NSPlatform::kFragNoSymbolErr)
        return false;
    if (result != NSPlatform::kNoErr)
        throw XBase();
    return true;
}

CFileVersion CDLLClient::GetDLLVersion(const CFileSpec* file)
{
    const CFileSpec resources = CFileSpec::FromPath(file->GetPath() + ".rsrc");
    COpenResourceFile opened(&resources);
    return opened.GetFileVersion();
}

} // namespace NSWayfarer
