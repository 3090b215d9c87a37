// The updater's application object: reads the OS image from the application's
// resources, creates the protocol handler and the window that shows the update,
// and gives the handler every idle pass.
#pragma once

#include "framework/application/CApplication.h"

#include <string>

namespace NSWayfarer
{
class CMemoryMedia;
class COpenResourceFile;
} // namespace NSWayfarer

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

    // Null when the OS or boot resource is missing, empty or unreadable.
    CUSBHandler* GetHandler() const { return fHandler; }
    // Why the OS or boot resource could not be used (which resource of which file);
    // empty when both were read or when one is simply missing ("No OS resource").
    const std::string& GetStartupError() const { return fStartupError; }

protected:
    // Shows the update to the user; called once the handler has its texts, before it
    // reports an attached instrument, or once the handler is known to be missing.
    // The console front end shows it on the terminal instead.
    virtual void CreateMainWindow() {}

private:
    // The resource as a stream, or null with fStartupError set.
    NSWayfarer::CMemoryMedia* ReadImage(const NSWayfarer::COpenResourceFile& resources,
                                        const char* type);

    CUSBHandler* fHandler = nullptr;
    std::string fStartupError;
};
