#include "framework/text/CStringManager.h"

#include "framework/application/CLowLevelApplication.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/text/CStringResource.h"

#include <memory>

namespace NSWayfarer
{

CStringManager* CStringManager::gStringMgr = nullptr;

CStringManager::~CStringManager()
{
    Flush();
}

void CStringManager::GetString(const char* type, short id, unsigned short index, char* out,
                               long max)
{
    CStringResource* resource = FindStringResource(type, id);
    if (resource == nullptr)
        resource = LoadResource(type, id);
    resource->GetString(index, out, max);
}

CStringResource* CStringManager::FindStringResource(const char* type, short id) const
{
    for (CStringResource* resource : fResources)
    {
        if (resource->Identify(type, id))
            return resource;
    }
    return nullptr;
}

CStringResource* CStringManager::LoadResource(const char* type, short id)
{
    auto resource = std::make_unique<CStringResource>(type, id);
    fResources.TailInsert(resource.get());
    return resource.release();
}

void CStringManager::Flush()
{
    for (CStringResource* resource : fResources)
        delete resource;
    fResources.RemoveAll();
}

unsigned long CStringManager::CountLoaded() const
{
    return fResources.CountItems();
}

bool CStringManager::DoesExist(const char* type, short id)
{
    CLowLevelApplication* application = CLowLevelApplication::Get();
    if (application == nullptr)
        return false;
    const CFileSpec own = application->GetFileSpec();
    COpenResourceFile file(&own);
    return file.DoesExist(type, id);
}

} // namespace NSWayfarer
