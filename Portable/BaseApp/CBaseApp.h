// The updater's application object: reads the OS image from the application's
// resources, creates the protocol handler and the window that shows the update,
// and gives the handler every idle pass.
#pragma once

#include "framework/application/CApplication.h"

class CUSBHandler;

class CBaseApp : public NSWayfarer::CApplication
{
public:
    static constexpr const char* kApplicationName = "Kelt Podium LX OS Update";

    explicit CBaseApp(NSWayfarer::CApplicationStartupInfo* info);
    ~CBaseApp() override;

    static NSWayfarer::CApplication* GetApp() { return NSWayfarer::CApplication::Get(); }

    void Initialize() override;
    void CleanUp() override;
    void Idle() override;
    void Dispose();

    // Null when the OS or boot resource is missing.
    CUSBHandler* GetHandler() const { return fHandler; }

protected:
    // Shows the update to the user; called once the handler exists (or is known to
    // be missing). The console front end shows it on the terminal instead.
    virtual void CreateMainWindow() {}

private:
    CUSBHandler* fHandler = nullptr;
};
