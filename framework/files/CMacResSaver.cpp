#include "framework/files/CMacResSaver.h"

#include "platform/resources/CResourceManager.h"

namespace NSWayfarer
{

CMacResSaver::CMacResSaver() : fSaved(NSPlatform::CResourceManager::CurResFile()) {}

CMacResSaver::~CMacResSaver()
{
    // A file closed meanwhile cannot be made current again; the platform then
    // keeps the current file it chose on closing.
    NSPlatform::CResourceManager::UseResFile(fSaved);
}

} // namespace NSWayfarer
