// The application object on a real display: input reaching the loop as records,
// the modifier-only key event, quit signals, focus, screens, the desktop clipboard.
#include "framework/application/CApplication.h"
#include "framework/application/CApplicationWindowSystem.h"
#include "framework/application/CKeySpec.h"
#include "framework/application/CMouse.h"
#include "framework/files/CClipping.h"
#include "framework/graphics/CDrawPort.h"
#include "framework/graphics/CFontSpec.h"
#include "framework/graphics/SurfaceCanvas.h"
#include "framework/graphics/CGraphicManager.h"
#include "platform/CMainEventQueue.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeWindow.h"
#include "platform/display/CSyntheticInput.h"
#include "platform/display/SEventRecord.h"

#include "DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace NSWayfarer;
using NSPlatform::SEventRecord;
using NSTestSupport::PumpUntil;

namespace
{

class CDisplayApp : public CApplication
{
public:
    explicit CDisplayApp(const CApplicationStartupInfo* info) : CApplication(info) {}
    void HandleKeyDownUp(const CKeySpec* key) override { fKeys.push_back(*key); }
    void OpenDefaultDocument() override { ++fDefaultOpens; }
    std::vector<CKeySpec> fKeys;
    int fDefaultOpens = 0;
};

// Takes the mouse events, leaves keys to the application.
class CRecorder : public CApplicationWindowSystem
{
public:
    bool HandleNativeEvent(const SEventRecord& event) override
    {
        fEvents.push_back(event);
        return event.mWhat == NSPlatform::kMouseDown || event.mWhat == NSPlatform::kMouseUp;
    }
    std::vector<SEventRecord> fEvents;
};

int RunXdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str());
}

class ApplicationOnDisplay : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::snprintf(fInfo.fApplicationName, sizeof fInfo.fApplicationName, "Display Test");
        fInfo.fUsesDisplay = true;
        fApp = std::make_unique<CDisplayApp>(&fInfo);
        fApp->Initialize();
        // Into the running state as Run leaves it: a quit that a window refuses.
        struct CRefuse : CApplicationWindowSystem
        {
            bool TryClosingAllWindows() override { return false; }
        } refuse;
        CApplication::RegisterWindowSystem(&refuse);
        fApp->RequestQuit();
        fApp->DriveCompleteEventLoop();
        CApplication::UnregisterWindowSystem(&refuse);
        ASSERT_TRUE(fApp->IsRunningEventLoop());
        CApplication::RegisterWindowSystem(&fRecorder);
        fWindow = std::make_unique<NSPlatform::CNativeWindow>(
            NSPlatform::CNativeWindow::kDocument, "loop",
            NSPlatform::SDisplayRect{60, 60, 260, 200});
        fWindow->Show();
        ASSERT_TRUE(PumpUntil([&] { return fWindow->GetPaintCount() > 0; }));
    }
    void TearDown() override
    {
        CApplication::UnregisterWindowSystem(&fRecorder);
        fWindow.reset();
        fApp.reset();
        NSPlatform::CDisplay::FlushEvents(NSPlatform::kEveryEventMask);
    }
    bool TurnUntil(const std::function<bool()>& done, int turns = 200)
    {
        for (int i = 0; i < turns && !done(); ++i)
            fApp->DriveCompleteEventLoop();
        return done();
    }

    CApplicationStartupInfo fInfo;
    std::unique_ptr<CDisplayApp> fApp;
    CRecorder fRecorder;
    std::unique_ptr<NSPlatform::CNativeWindow> fWindow;
};

TEST_F(ApplicationOnDisplay, ShiftKeyAndClickReachTheLoopAsRecords)
{
    // The open-application event of the start comes first and opens the default document.
    ASSERT_TRUE(TurnUntil([&] { return fApp->fDefaultOpens == 1; }));

    NSPlatform::CSyntheticInput::PostKey(*fWindow, true, 38, 0x41, NSPlatform::kShiftKey);
    NSPlatform::CSyntheticInput::PostButton(*fWindow, true, 1, 15, 25, 0);
    auto clicked = [&]
    {
        for (const SEventRecord& e : fRecorder.fEvents)
            if (e.mWhat == NSPlatform::kMouseDown)
                return true;
        return false;
    };
    ASSERT_TRUE(TurnUntil([&] { return !fApp->fKeys.empty() && clicked(); }));

    const CKeySpec& key = fApp->fKeys.front();
    EXPECT_EQ(key.fVirtualKey, CKeySpec::kA);
    EXPECT_EQ(key.fASCII, 'A');
    EXPECT_EQ(key.fState, CKeySpec::kDown);
    EXPECT_TRUE(key.fModifiers.IsShiftKeyDown());
    EXPECT_FALSE(key.fModifiers.IsMenuShortcutKeyDown());

    const SEventRecord* click = nullptr;
    for (const SEventRecord& e : fRecorder.fEvents)
        if (e.mWhat == NSPlatform::kMouseDown)
            click = &e;
    ASSERT_NE(click, nullptr);
    const NSPlatform::SDisplayRect client = fWindow->GetClientRect();
    EXPECT_EQ(click->mWhereH, client.mLeft + 15);
    EXPECT_EQ(click->mWhereV, client.mTop + 25);
    EXPECT_EQ(click->mWindow, fWindow.get());
}

TEST_F(ApplicationOnDisplay, ModifierKeyAloneBecomesASyntheticKeyEvent)
{
    // With the focus on our window the key itself arrives too; the modifier-only
    // event comes on the next turn without an event.
    auto synthetic = [&](CKeySpec::EState state) -> const CKeySpec*
    {
        for (const CKeySpec& key : fApp->fKeys)
            if (key.fMacMessage == 0xF000 && key.fState == state)
                return &key;
        return nullptr;
    };
    if (RunXdotool("keydown Shift_L") != 0)
        GTEST_SKIP() << "xdotool cannot press keys on this server";
    ASSERT_TRUE(TurnUntil([&] { return synthetic(CKeySpec::kDown) != nullptr; }));
    RunXdotool("keyup Shift_L");
    ASSERT_TRUE(TurnUntil([&] { return synthetic(CKeySpec::kUp) != nullptr; }));
    const CKeySpec down = *synthetic(CKeySpec::kDown);
    const CKeySpec up = *synthetic(CKeySpec::kUp);

    EXPECT_EQ(down.fVirtualKey, CKeySpec::kUnknownKey);
    EXPECT_TRUE(down.fModifiers.IsShiftKeyDown());
    EXPECT_FALSE(up.fModifiers.IsShiftKeyDown());
    // Nothing more while nothing changes.
    const size_t count = fApp->fKeys.size();
    TurnUntil([] { return false; }, 5);
    EXPECT_EQ(fApp->fKeys.size(), count);
}

TEST_F(ApplicationOnDisplay, DragsFeedTheRelativeMotionMode)
{
    // Real input through the server's test extension: a press, two drag steps.
    const NSPlatform::SDisplayRect client = fWindow->GetClientRect();
    auto at = [&](int x, int y)
    { return std::to_string(client.mLeft + x) + " " + std::to_string(client.mTop + y); };
    if (RunXdotool("mousemove " + at(10, 10)) != 0)
        GTEST_SKIP() << "xdotool cannot move the pointer on this server";
    TurnUntil([] { return false; }, 3);
    CMouse::StartMouseTracking();
    RunXdotool("mousedown 1 mousemove " + at(15, 13) + " mousemove " + at(12, 20));
    ASSERT_TRUE(TurnUntil(
        [&]
        {
            for (const SEventRecord& e : fRecorder.fEvents)
                if (e.mWhat == NSPlatform::kOSEvent && e.mWhereV == client.mTop + 20)
                    return true;
            return false;
        }));
    RunXdotool("mouseup 1");
    short dx = 0;
    short dy = 0;
    CMouse::PopMouseDelta(&dx, &dy);
    CMouse::EndMouseTracking();
    EXPECT_EQ(dx, 2);
    EXPECT_EQ(dy, 10);
}

TEST_F(ApplicationOnDisplay, WheelNotchesReachTheWindowLayers)
{
    const NSPlatform::SDisplayRect client = fWindow->GetClientRect();
    const std::string at = std::to_string(client.mLeft + 20) + " " + std::to_string(client.mTop + 20);
    if (RunXdotool("mousemove " + at + " click 4 click 5 click 5") != 0)
        GTEST_SKIP() << "xdotool cannot use the pointer on this server";
    std::vector<int> notches;
    ASSERT_TRUE(TurnUntil(
        [&]
        {
            notches.clear();
            for (const SEventRecord& e : fRecorder.fEvents)
                if (e.mWhat == NSPlatform::kMouseWheelEvent && e.mWindow == fWindow.get())
                    notches.push_back(e.mDeltaV);
            return notches.size() == 3;
        }));
    EXPECT_EQ(notches, (std::vector<int>{1, -1, -1}));
}

TEST_F(ApplicationOnDisplay, TerminationSignalIsAQuitRequest)
{
    std::raise(SIGTERM);
    ASSERT_TRUE(TurnUntil([&] { return fApp->GetRunState() == CApplication::kQuitting; }));
}

TEST_F(ApplicationOnDisplay, NestedLoopLeavesHighLevelEventsForTheOuterOne)
{
    SEventRecord quit;
    quit.mWhat = NSPlatform::kHighLevelEvent;
    quit.mMessage = NSPlatform::kCoreEventClass;
    quit.mHighLevelID = NSPlatform::kAEQuitApplication;
    NSPlatform::CDisplay::FlushEvents(NSPlatform::kEveryEventMask);
    NSPlatform::CDisplay::PostEvent(quit);
    for (int i = 0; i < 3; ++i)
        fApp->DriveEventLoop();
    EXPECT_NE(fApp->GetRunState(), CApplication::kRequestingQuit);
    EXPECT_TRUE(TurnUntil([&] { return fApp->GetRunState() == CApplication::kQuitting; }));
}

TEST_F(ApplicationOnDisplay, IdleOtherAppsHandlesWindowEventsToo)
{
    // Code that waits inside one operation (USB handling) still lets the window
    // system's events through, one per call.
    NSPlatform::CSyntheticInput::PostButton(*fWindow, true, 1, 5, 5, 0);
    bool clicked = false;
    for (int i = 0; i < 100 && !clicked; ++i)
    {
        CApplication::IdleOtherApps();
        for (const SEventRecord& e : fRecorder.fEvents)
            clicked = clicked || e.mWhat == NSPlatform::kMouseDown;
    }
    EXPECT_TRUE(clicked);
}

TEST_F(ApplicationOnDisplay, FocusMovesSuspendAndResume)
{
    fWindow->Activate();
    ASSERT_TRUE(TurnUntil([&] { return fWindow->IsActive() && fApp->IsActive(); }));
    fWindow.reset(); // the focused window goes: nothing of ours has the focus
    EXPECT_TRUE(TurnUntil([&] { return !fApp->IsActive(); }));

    fWindow = std::make_unique<NSPlatform::CNativeWindow>(
        NSPlatform::CNativeWindow::kDocument, "again", NSPlatform::SDisplayRect{60, 60, 160, 160});
    fWindow->Show();
    fWindow->Activate();
    EXPECT_TRUE(TurnUntil([&] { return fApp->IsActive(); }));
}

TEST_F(ApplicationOnDisplay, ScreensComeFromTheMonitors)
{
    CGraphicManager& manager = *CGraphicManager::gGraphicMgr;
    ASSERT_EQ(manager.CountScreens(), 1);
    EXPECT_EQ(manager.GetMainScreenIndex(), 0);
    EXPECT_EQ(manager.GetMainScreenBitDepth(), 32); // a 24-bit visual
    const CScreenInfo info = manager.GetScreenInfo(0);
    const CGlobalRect whole(0, 0, 1280, 1024);
    EXPECT_TRUE(info.fScreenRect.IsEqual(&whole));
    EXPECT_TRUE(info.fIsMainScreen && info.fHasMenuBar);
    EXPECT_EQ(info.fWorkRect.fTop, info.fScreenRect.fTop + info.fMenuBarHeight);
    EXPECT_FALSE(manager.GetScreenInfo(1).fIsMainScreen);
    EXPECT_FALSE(manager.MacPollForSeedChange());

    manager.SetToolbarFrameHeight(31);
    const CScreenInfo withToolbar = manager.GetScreenInfo(0);
    EXPECT_TRUE(withToolbar.fHasToolbar);
    EXPECT_EQ(withToolbar.fWorkRect.fTop, info.fWorkRect.fTop + 30);
    manager.SetToolbarFrameHeight(0);
}

TEST_F(ApplicationOnDisplay, DrawingHooksComeFromTheDisplay)
{
    // The system font is the desktop's user-interface font.
    const NSPlatform::CDisplay::SUIFont ui = NSPlatform::CDisplay::GetUIFont();
    const CFontSpec system = CFontSpec::GetSystemFont();
    EXPECT_EQ(std::string(system.GetName()), ui.mFamily);
    EXPECT_EQ(system.GetSize(), ui.mSizePx);
    EXPECT_TRUE(CFontSpec::MacGetAppearanceFont(CFontSpec::kThemeEmphasizedSystemFont).IsBold());
    EXPECT_LT(CFontSpec::GetSmallSystemFont().GetSize(), system.GetSize());

    // Ports switch through the manager, which keeps what is current; a wait reads
    // back what others made current behind its back.
    CGraphicManager& manager = *CGraphicManager::gGraphicMgr;
    CSurfaceCanvas canvas(4, 4);
    const CLocalRect pixel(0, 0, 1, 1);
    canvas.DrawRect(&pixel, CRGBColor::kBlack);
    EXPECT_EQ(CDrawPort::GetCurrent(), canvas.Port());
    EXPECT_TRUE(manager.MacGetSuperPort().IsEqual(canvas.MacGetMacPort()));
    CDrawPort::SetCurrent(nullptr, nullptr);
    fApp->DriveCompleteEventLoop();
    EXPECT_EQ(manager.MacGetSuperPort().GetPort(), nullptr);
    // Drawing again after that must switch for real.
    canvas.DrawRect(&pixel, CRGBColor::kWhite);
    EXPECT_EQ(CDrawPort::GetCurrent(), canvas.Port());
    EXPECT_EQ(canvas.Pixel(0, 0), 0xFFFFFFu);
    manager.MacSetNoSuperPort();
    EXPECT_EQ(CDrawPort::GetCurrent(), nullptr);
}

TEST_F(ApplicationOnDisplay, TextGoesThroughTheDesktopClipboard)
{
    const char* text = "Gr\xFC\xDF"
                       "e";
    fApp->AddClipping("TEXT", 5, reinterpret_cast<const unsigned char*>(text));
    ASSERT_TRUE(fApp->DoesClippingExist("TEXT"));
    std::unique_ptr<CClipping> clip(fApp->GetClipping("TEXT"));
    ASSERT_EQ(clip->GetSize(), 5);
    EXPECT_EQ(std::memcmp(clip->GetData(), text, 5), 0);
}

} // namespace
