// What the window tests share: an application on the fixture's display that records
// what reaches it, a view that records what reaches it and paints itself in one
// colour, and records for scripted events.
#pragma once

#include "framework/application/CApplication.h"
#include "framework/application/CApplicationWindowSystem.h"
#include "framework/application/CClickSpec.h"
#include "framework/application/CKeySpec.h"
#include "framework/application/CMacDiskMountInfo.h"
#include "framework/application/CMenuBar.h"
#include "framework/graphics/CCanvas.h"
#include "framework/windows/CABCWindow.h"
#include "framework/windows/CCanvasToWindowLink.h"
#include "framework/windows/CView.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeWindow.h"
#include "platform/display/SEventRecord.h"

#include "DisplayTestSupport.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace NSWindowTests
{

using namespace NSWayfarer;

class CTestApp : public CApplication
{
public:
    explicit CTestApp(const CApplicationStartupInfo* info) : CApplication(info) {}
    void HandleKeyDownUp(const CKeySpec* key) override { fKeys.push_back(*key); }
    CMenuBar* GetMenuBar() override { return fBar; }
    void SetupMenus(CMenuBar* bar) override
    {
        ++fSetupMenus;
        for (unsigned long command : fEnabledCommands)
            bar->SetMenuItemEnable(command, true);
    }
    void HandleMenuSelection(CMenuBar*, unsigned long command) override
    {
        fCommands.push_back(command);
    }
    void MacHandleDiskMount(const CMacDiskMountInfo* info) override
    {
        fVolumes.push_back(info->fVolumeName);
    }
    std::vector<CKeySpec> fKeys;
    int fSetupMenus = 0;
    std::vector<unsigned long> fCommands;
    std::vector<std::string> fVolumes;
    CMenuBar* fBar = nullptr;
    std::vector<unsigned long> fEnabledCommands;
};

// Paints its rectangle in its colour and remembers what it was sent.
class CProbeView : public CView
{
public:
    CProbeView(CGroupView* super, const CLocalRect& rect, const CRGBColor& color)
        : CView(super), fColor(color)
    {
        Position(&rect);
    }
    void Click(const CClickSpec& spec) override
    {
        fClicks.push_back(spec.fAction);
        CView::Click(spec);
    }
    void Drop(const CDropSpec&) override { ++fDrops; }
    void Release() override { ++fReleases; }
    void HandleKeyDownUp(const CKeySpec* key) override { fKeys.push_back(*key); }
    void SetupMenus(CMenuBar*) override { ++fSetupMenus; }
    void HandleMenuSelection(CMenuBar* bar, unsigned long command) override
    {
        fCommands.push_back(command);
        CView::HandleMenuSelection(bar, command);
    }
    void PositionChanged(const CLocalRect*, const CLocalRect*) override { ++fPositionChanges; }
    void DoMouseWheel(unsigned short, short delta, const CLocalPoint& point) override
    {
        fWheel.push_back({delta, point.GetX(), point.GetY()});
    }
    void HandleChangeRequests() override
    {
        CLocalPoint at;
        if (IsContextMenuRequested(at))
            fContextMenus.push_back(at);
    }
    void Draw() override
    {
        ++fDraws;
        CCanvas canvas(GetCanvasSpec());
        canvas.DrawRect(&fRect, fColor);
    }
    void SetColor(const CRGBColor& color)
    {
        fColor = color;
        Invalidate();
    }

    CRGBColor fColor;
    std::vector<CClickSpec::EAction> fClicks;
    int fDrops = 0;
    int fReleases = 0;
    std::vector<CKeySpec> fKeys;
    int fSetupMenus = 0;
    std::vector<unsigned long> fCommands;
    int fPositionChanges = 0;
    struct SWheel
    {
        short mDelta;
        short mX;
        short mY;
    };
    std::vector<SWheel> fWheel;
    std::vector<CLocalPoint> fContextMenus;
    int fDraws = 0;
};

// An application on the fixture's display for each test; the windows a test left
// are closed after it.
class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::snprintf(fInfo.fApplicationName, sizeof fInfo.fApplicationName, "Window Test");
        fInfo.fUsesDisplay = true;
        fApp = std::make_unique<CTestApp>(&fInfo);
        fApp->Initialize();
        // Into the running state as Run leaves it: a quit that a window layer refuses.
        struct CRefuse : CApplicationWindowSystem
        {
            bool TryClosingAllWindows() override { return false; }
        } refuse;
        CApplication::RegisterWindowSystem(&refuse);
        fApp->RequestQuit();
        fApp->DriveCompleteEventLoop();
        CApplication::UnregisterWindowSystem(&refuse);
        ASSERT_TRUE(fApp->IsRunningEventLoop());
        NSPlatform::CDisplay::FlushEvents(NSPlatform::kEveryEventMask);
    }
    void TearDown() override
    {
        CABCWindow::CloseAll();
        fApp.reset();
    }

    // A record as the window system makes it, at a client point of the window.
    static NSPlatform::SEventRecord At(CABCWindow& window, uint16_t what, short x, short y,
                                       uint32_t when, uint16_t modifiers = 0)
    {
        NSPlatform::SEventRecord event;
        event.mWhat = what;
        short gx = 0;
        short gy = 0;
        window.LocalToGlobal(x, y, &gx, &gy);
        event.mWhereH = gx;
        event.mWhereV = gy;
        event.mWhen = when;
        event.mModifiers = modifiers;
        event.mWindow = window.GetNative();
        event.mButton = 1;
        return event;
    }

    // Turns the application's loop until done() or the time-out.
    bool LoopUntil(const std::function<bool()>& done, int timeoutMs = 5000)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done())
        {
            if (std::chrono::steady_clock::now() > end)
                return false;
            fApp->DriveCompleteEventLoop();
        }
        return true;
    }

    // Handles what the window system recorded so far (and what that handling posts).
    void Drain()
    {
        NSPlatform::SEventRecord event;
        for (int i = 0;
             i < 1000 && NSPlatform::CDisplay::GetNextEvent(NSPlatform::kEveryEventMask, event);
             ++i)
            fApp->MacHandleNativeEvent(event);
    }

    CApplicationStartupInfo fInfo;
    std::unique_ptr<CTestApp> fApp;
};

inline uint32_t StorePixel(NSPlatform::CNativeWindow* window, int x, int y)
{
    cairo_surface_t* store = window->GetBackingStore();
    cairo_surface_flush(store);
    const int scale = window->GetScale();
    const unsigned char* row =
        cairo_image_surface_get_data(store) +
        static_cast<size_t>(y * scale) * cairo_image_surface_get_stride(store);
    return reinterpret_cast<const uint32_t*>(row)[x * scale] & 0xFFFFFF;
}

} // namespace NSWindowTests
