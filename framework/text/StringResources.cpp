#include "framework/text/StringResources.h"

#include "framework/files/XBase.h"
#include "framework/text/CStringManager.h"

namespace NSWayfarer
{

namespace
{

void GetTyped(const char* type, long id, char* out, long max)
{
    unsigned char category = 0;
    unsigned short resourceID = 0;
    unsigned short index = 0;
    SplitID(id, &category, &resourceID, &index);
    if (CStringManager::gStringMgr == nullptr)
        throw XInternalError();
    CStringManager::gStringMgr->GetString(type, static_cast<short>(resourceID), index, out, max);
}

} // namespace

void SplitID(long id, unsigned char* category, unsigned short* resourceID, unsigned short* index)
{
    *category = static_cast<unsigned char>(id / 100000000);
    *resourceID = static_cast<unsigned short>((id % 100000000) / 1000);
    *index = static_cast<unsigned short>(id % 1000);
}

void GetMenuScriptString(long id, char* out, long max)
{
    GetTyped("SMNU", id, out, max);
}

void GetAlertString(long id, char* out, long max)
{
    GetTyped("SALR", id, out, max);
}

void GetMaxedResourceString(long id, char* out, long max)
{
    GetTyped("SSTR", id, out, max);
}

} // namespace NSWayfarer
