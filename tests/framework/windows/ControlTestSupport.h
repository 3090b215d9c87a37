// What the control and alert tests share: the updater's resource file opened
// before the application (dialog layouts come from it) and the real pointer,
// moved and pressed through the X server so the toolkit tracks it as a user's.
#pragma once

#include "WindowTestSupport.h"

#include "platform/resources/CResourceManager.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdlib>
#include <string>

namespace NSWindowTests
{

class CPointer
{
public:
    CPointer() : fDisplay(XOpenDisplay(nullptr)) {}
    ~CPointer()
    {
        if (fDisplay)
            XCloseDisplay(fDisplay);
    }
    CPointer(const CPointer&) = delete;
    CPointer& operator=(const CPointer&) = delete;
    bool IsOpen() const { return fDisplay != nullptr; }
    void MoveTo(CABCWindow& window, short x, short y)
    {
        short gx = 0;
        short gy = 0;
        window.LocalToGlobal(x, y, &gx, &gy);
        XTestFakeMotionEvent(fDisplay, -1, gx, gy, CurrentTime);
        Settle();
    }
    void Button(bool press)
    {
        XTestFakeButtonEvent(fDisplay, 1, press ? True : False, CurrentTime);
        Settle();
    }
    void Click(CABCWindow& window, short x, short y)
    {
        MoveTo(window, x, y);
        Button(true);
        Button(false);
    }

private:
    void Settle()
    {
        XSync(fDisplay, False);
        NSPlatform::CDisplay::Sync();
        NSTestSupport::PumpUntil([] { return false; }, 60);
    }
    Display* fDisplay;
};

class ControlTest : public WindowTest
{
protected:
    void SetUp() override
    {
        const std::string path = std::string(KELT_BINARY_DIR) + "/Portable/kelt-podium-update.rsrc";
        fResourceRef = NSPlatform::CResourceManager::OpenResFile(path);
        ASSERT_NE(fResourceRef, NSPlatform::CResourceManager::kNoFile) << path;
        NSPlatform::CResourceManager::UseResFile(fResourceRef);
        WindowTest::SetUp();
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        NSPlatform::CResourceManager::CloseResFile(fResourceRef);
    }
    // Runs the application's loop for a while (the toolkit's clicks come through it).
    void Settle(int ms = 150)
    {
        LoopUntil([] { return false; }, ms);
    }
    // Saves the whole screen as a small PNG when SCREENSHOT_DIR is set.
    static void Screenshot(const char* name)
    {
        const char* dir = std::getenv("SCREENSHOT_DIR");
        if (!dir)
            return;
        const std::string command =
            std::string("import -window root -depth 8 ") + dir + "/" + name + ".png 2>/dev/null";
        if (std::system(command.c_str()) != 0)
            ADD_FAILURE() << "screenshot " << name;
    }

    int16_t fResourceRef = NSPlatform::CResourceManager::kNoFile;
};

} // namespace NSWindowTests
