#include "Portable/BaseApp/CBaseApp.h"

#include "Portable/update/CUSBHandler.h"
#include "Portable/update/Crc16.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/media/CMemoryMedia.h"
#include "platform/resources/CResourceManager.h"

#include <memory>
#include <new>

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
        std::unique_ptr<NSWayfarer::CMemoryMedia> boot(ReadImage(*resources, "BOOT"));
        std::unique_ptr<NSWayfarer::CMemoryMedia> os(boot ? ReadImage(*resources, "TQOS")
                                                          : nullptr);
        if (os)
        {
            try
            {
                // The window comes up before an attached instrument is reported: opening
                // one that another program holds is retried for many seconds.
                fHandler = new CUSBHandler(boot.get(), os.get(),
                                           [this](CUSBHandler& handler)
                                           {
                                               fHandler = &handler;
                                               CreateMainWindow();
                                           });
            }
            catch (...)
            {
                fHandler = nullptr;
                throw;
            }
            return;
        }
    }

    CreateMainWindow();
}

NSWayfarer::CMemoryMedia* CBaseApp::ReadImage(const NSWayfarer::COpenResourceFile& resources,
                                              const char* type)
{
    std::string file = NSPlatform::CResourceManager::GetPath(resources.MacGetRefNum());
    if (file.empty())
        file = "the application's resource file";
    const std::string what = std::string("the resource \"") + type + "\" 128 in " + file;
    try
    {
        if (resources.GetSize(type, 128) <= 0)
        {
            fStartupError = what + " is empty";
            return nullptr;
        }
        return resources.Read(type, 128);
    }
    catch (const std::bad_alloc&)
    {
        fStartupError = "cannot read " + what + ": out of memory";
    }
    catch (...)
    {
        fStartupError = "cannot read " + what;
    }
    return nullptr;
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
