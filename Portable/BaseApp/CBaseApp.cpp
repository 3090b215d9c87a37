#include "Portable/BaseApp/CBaseApp.h"

#include "Portable/MainWindow/CMainWindow.h"
#include "Portable/update/CUSBHandler.h"
#include "Portable/update/Crc16.h"
#include "framework/application/CApplicationWindowSystem.h"
#include "framework/application/CMacAppleMenu.h"
#include "framework/application/CMacHelpMenu.h"
#include "framework/application/CMenuBar.h"
#include "framework/application/Verify.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/files/XBase.h"
#include "framework/media/CMemoryMedia.h"
#include "framework/windows/CABCWindow.h"
#include "framework/windows/CAlertBox.h"
#include "platform/display/CDisplayTheme.h"
#include "platform/resources/CResourceManager.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <thread>

namespace
{

std::thread::id gAlertThread;

// A failed internal check, in the caution alert; only the window's own thread shows
// alerts (a check failing elsewhere goes to standard error). Continue goes on.
short ShowVerifyAlert(const char* text)
{
    if (std::this_thread::get_id() != gAlertThread)
    {
        std::fprintf(stderr, "%s\n", text);
        return 1;
    }
    try
    {
        return NSWayfarer::CAlertBox::DoDefaultAlert(CBaseApp::kVerifyAlertID, text) ==
                       NSWayfarer::CAlertBox::kItem1
                   ? 1
                   : 2;
    }
    catch (...)
    {
        std::fprintf(stderr, "%s\n", text);
        return 1;
    }
}

// The memory reserve was given up: the user hears of it once, in the caution alert.
class CLowMemoryWarning : public NSWayfarer::CApplicationWindowSystem
{
public:
    void WarnLowMemory() override
    {
        NSWayfarer::CAlertBox::DoDefaultAlert(CBaseApp::kLowMemoryAlertID);
    }
};

CLowMemoryWarning gLowMemoryWarning;

} // namespace

CBaseApp::CBaseApp(NSWayfarer::CApplicationStartupInfo* info) : NSWayfarer::CApplication(info) {}

CBaseApp::~CBaseApp()
{
    Dispose();
}

std::string CBaseApp::GetIconFile()
{
    try
    {
        const std::filesystem::path program = GetFileSpecForCurrentApplication().GetPath();
        return (program.parent_path().parent_path() / "share" / "icons" / "hicolor" / "scalable" /
                "apps" / (std::string(kIconName) + ".svg"))
            .string();
    }
    catch (...)
    {
        return {};
    }
}

void CBaseApp::Initialize()
{
    NSWayfarer::CApplication::Initialize();

    // The terminal front end has no menus to show them in.
    if (UsesDisplay())
    {
        fMenuBar = new NSWayfarer::CMenuBar;
        try
        {
            fAppleMenu = new NSWayfarer::CMacAppleMenu(kAboutItemTextID, kAboutCommand);
        }
        catch (...)
        {
            fStartupError = "the About item's text (\"SSTR\" 128) in " + ResourceFileName() +
                            " is missing";
            throw;
        }
        fMenuBar->AppendMenu(fAppleMenu);
        try
        {
            fHelpMenu = new NSWayfarer::CMacHelpMenu;
            fMenuBar->AppendMenu(fHelpMenu);
        }
        catch (...)
        {
            // The window system offers no help menu: the program goes on without one.
            fHelpMenu = nullptr;
        }
        fMenuBar->Enable();
        NSPlatform::CDisplayTheme::SetDefaultWindowIcon(kIconName, GetIconFile());
        gAlertThread = std::this_thread::get_id();
        NSWayfarer::SetVerifyReporter(ShowVerifyAlert);
        RegisterWindowSystem(&gLowMemoryWarning);
        fShowsFrameworkAlerts = true;
    }

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
                // The window was shown with the handler that failed: it must not read it.
                if (fMainWindow && NSWayfarer::CABCWindow::IsWindow(fMainWindow))
                {
                    fMainWindow->MarkForClosing();
                    NSWayfarer::CABCWindow::CloseAllMarkedForClosing();
                }
                fMainWindow = nullptr;
                throw;
            }
            fImageUsable = fHandler && fHandler->IsImageInstallable();
            return;
        }
    }

    CreateMainWindow();
}

void CBaseApp::CreateMainWindow()
{
    try
    {
        const NSWayfarer::COpenResourceFile* resources = GetResourceFile();
        if (!resources || !resources->DoesExist("DLOG", CMainWindow::kDialogID) ||
            !resources->DoesExist("DITL", CMainWindow::kDialogID))
            throw NSWayfarer::XNotFound();
        fMainWindow = new CMainWindow(fHandler);
    }
    catch (...)
    {
        fStartupError = "the main window's dialog (\"DLOG\" and \"DITL\" 128) in " +
                        ResourceFileName() + " is missing or incomplete";
        throw;
    }
    fMainWindow->Prime();
    // Looking at the bus comes next and holds the loop for a moment (longer with many
    // devices attached): the window is on the screen before that.
    fMainWindow->WaitUntilOnScreen(kFirstFrameWaitMs);
}

std::string CBaseApp::ResourceFileName() const
{
    const NSWayfarer::COpenResourceFile* resources = GetResourceFile();
    std::string file =
        resources ? NSPlatform::CResourceManager::GetPath(resources->MacGetRefNum()) : "";
    return file.empty() ? "the application's resource file" : file;
}

NSWayfarer::CMemoryMedia* CBaseApp::ReadImage(const NSWayfarer::COpenResourceFile& resources,
                                              const char* type)
{
    const std::string file = ResourceFileName();
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

void CBaseApp::SetupMenus(NSWayfarer::CMenuBar* bar)
{
    bar->SetMenuItem(kAboutCommand, true, false);
    NSWayfarer::CApplication::SetupMenus(bar);
}

void CBaseApp::HandleMenuSelection(NSWayfarer::CMenuBar* bar, unsigned long command)
{
    if (command == kQuitCommand)
    {
        RequestQuit();
        return;
    }
    if (command == kAboutCommand)
    {
        OpenAbout();
        return;
    }
    if (bar)
        bar->HandleMenuSelection(command);
    NSWayfarer::CApplication::HandleMenuSelection(bar, command);
}

void CBaseApp::OpenAbout()
{
    NSWayfarer::CAlertBox::DoDefaultAlert(kAboutAlertID);
}

void CBaseApp::CleanUp()
{
    NoteRunState();
    // The window is gone by now (the quit closed every window); forget it.
    fMainWindow = nullptr;
    Dispose();
}

void CBaseApp::Idle()
{
    NSWayfarer::CApplication::Idle();
    if (fHandler)
        fHandler->Idle();
    NoteRunState();
}

void CBaseApp::NoteRunState()
{
    switch (GetUpdaterRunState())
    {
    case kURSReboot:
    case kURSRebooted:
    case kURSSending:
    case kURSWorking:
        fUpdateStarted = true;
        break;
    case kURSFinish:
        fUpdated = true;
        break;
    default:
        break;
    }
}

int CBaseApp::GetWindowExitCode() const
{
    if (fUpdated)
        return kExitUpdated;
    if (fUpdateStarted)
        return kExitFailed;
    if (!fImageUsable)
        return kExitNoImage;
    return kExitNotUpdated;
}

void CBaseApp::Dispose()
{
    if (fShowsFrameworkAlerts)
    {
        NSWayfarer::SetVerifyReporter(nullptr);
        UnregisterWindowSystem(&gLowMemoryWarning);
        fShowsFrameworkAlerts = false;
    }
    delete fMenuBar;
    fMenuBar = nullptr;
    delete fAppleMenu;
    fAppleMenu = nullptr;
    delete fHelpMenu;
    fHelpMenu = nullptr;
    delete fHandler;
    fHandler = nullptr;
}
