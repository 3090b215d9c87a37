#include "Portable/BaseApp/CBaseApp.h"

#include "Portable/update/CUSBHandler.h"
#include "Portable/update/Crc16.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/media/CMemoryMedia.h"

#include <memory>

CBaseApp::CBaseApp(NSWayfarer::CApplicationStartupInfo* info) : NSWayfarer::CApplication(info) {}

CBaseApp::~CBaseApp()
{
    Dispose();
}

void CBaseApp::Initialize()
{
    NSWayfarer::CApplication::Initialize();

    // Every message is sealed with this table, so it comes before the handler.
    CRCinit();

    const NSWayfarer::COpenResourceFile* resources = GetResourceFile();
    if (resources && resources->DoesExist("TQOS", 128) && resources->DoesExist("BOOT", 128))
    {
        std::unique_ptr<NSWayfarer::CMemoryMedia> boot(resources->Read("BOOT", 128));
        std::unique_ptr<NSWayfarer::CMemoryMedia> os(resources->Read("TQOS", 128));
        fHandler = new CUSBHandler(boot.get(), os.get());
    }

    CreateMainWindow();
}

void CBaseApp::CleanUp()
{
    Dispose();
}

void CBaseApp::Idle()
{
    NSWayfarer::CApplication::Idle();
    if (fHandler)
        fHandler->Idle();
}

void CBaseApp::Dispose()
{
    delete fHandler;
    fHandler = nullptr;
}
