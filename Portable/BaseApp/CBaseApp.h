// The updater's application object: builds the menu bar, reads the OS image from
// the application's resources, creates the protocol handler and the window that
// shows the update, and gives the handler every idle pass.
#pragma once

#include "Portable/update/UpdaterRunState.h"
#include "framework/application/CApplication.h"

#include <string>

namespace NSWayfarer
{
class CFileCreator;
class CFileSpec;
class CMacAppleMenu;
class CMacHelpMenu;
class CMemoryMedia;
class CMenuBar;
class COpenResourceFile;
class CUnknownFileType;
} // namespace NSWayfarer

class CMainWindow;
class CUSBHandler;

// The window application's entry, called by the process entry: names the
// application, runs it and returns the window's exit status.
int APPMain(NSWayfarer::CApplicationStartupInfo* info);

class CBaseApp : public NSWayfarer::CApplication
{
public:
    static constexpr const char* kApplicationName = "Kelt Podium LX OS Update";
    // The About item's text, its command, and the alert it shows.
    static constexpr long kAboutItemTextID = 400128015;
    static constexpr unsigned long kAboutCommand = 400;
    static constexpr long kAboutAlertID = 500128001;
    static constexpr unsigned long kQuitCommand = 15;
    // The framework's own alerts in window mode: a failed internal check (caution,
    // its text as the variable) and the warning that memory runs low.
    static constexpr long kVerifyAlertID = 510004001;
    static constexpr long kLowMemoryAlertID = 510007001;
    // The window's icon: its name in the icon theme and the file beside the program.
    static constexpr const char* kIconName = "kelt-podium-update";
    // How long the bus waits for the main window to reach the screen (a window
    // manager that never maps it must not keep the instrument from being found).
    static constexpr int kFirstFrameWaitMs = 300;

    // Exit status of window mode.
    enum EExitCode
    {
        kExitUpdated = 0,
        kExitFailed = 1,    // an update was started and did not complete
        kExitNoImage = 2,   // nothing could have been installed: the OS image is missing or damaged
        kExitNotUpdated = 0 // quit by the user without updating: nothing went wrong
    };

    explicit CBaseApp(NSWayfarer::CApplicationStartupInfo* info);
    ~CBaseApp() override;

    static NSWayfarer::CApplication* GetApp() { return NSWayfarer::CApplication::Get(); }

    void Idle() override;
    void Initialize() override;
    void CleanUp() override;
    NSWayfarer::CMenuBar* GetMenuBar() override { return fMenuBar; }
    void SetupMenus(NSWayfarer::CMenuBar* bar) override;
    void HandleMenuSelection(NSWayfarer::CMenuBar* bar, unsigned long command) override;
    // No documents: dropped files and files to open are ignored.
    void OpenDragNDropFile(const NSWayfarer::CFileSpec*, const NSWayfarer::CUnknownFileType*,
                           const NSWayfarer::CFileCreator*) override
    {
    }
    void OpenFromFileSpec(const NSWayfarer::CFileSpec*) {}
    void OpenAbout();
    void Dispose();

    // Null when the OS or boot resource is missing, empty or unreadable.
    CUSBHandler* GetHandler() const { return fHandler; }
    // Null in the terminal, and until the window has been made.
    CMainWindow* GetMainWindow() const { return fMainWindow; }
    // Why the OS or boot resource or the main window's dialog could not be used
    // (which resource of which file); empty when they were read or when the OS or boot
    // resource is simply missing ("No OS resource").
    const std::string& GetStartupError() const { return fStartupError; }
    // How the window-mode run ended, from the run states seen (EExitCode).
    int GetWindowExitCode() const;

    // The icon file shown when the icon theme has none: share/icons/... beside the
    // program's folder, as installed or as laid out in the build tree.
    static std::string GetIconFile();

protected:
    // Shows the update to the user; called once the handler has its texts, before it
    // reports an attached instrument, or once the handler is known to be missing.
    // The window, in window mode; the console front end shows it on the terminal instead.
    virtual void CreateMainWindow();

private:
    // The resource as a stream, or null with fStartupError set.
    NSWayfarer::CMemoryMedia* ReadImage(const NSWayfarer::COpenResourceFile& resources,
                                        const char* type);
    void NoteRunState();
    // The path of the application's resource file, for messages.
    std::string ResourceFileName() const;

    NSWayfarer::CMenuBar* fMenuBar = nullptr;
    NSWayfarer::CMacAppleMenu* fAppleMenu = nullptr;
    // The window system's Help menu; opens the installed help book.
    NSWayfarer::CMacHelpMenu* fHelpMenu = nullptr;
    CMainWindow* fMainWindow = nullptr;
    CUSBHandler* fHandler = nullptr;
    std::string fStartupError;
    bool fImageUsable = false;
    bool fShowsFrameworkAlerts = false;
    bool fUpdateStarted = false;
    bool fUpdated = false;
};
