// Dispatch of the window system's records to windows, views and the application:
// double clicks, the context-menu click, keys, menu routing, releases, updates,
// the wheel, disk arrivals, activation and close requests. The records are
// scripted; the windows are real.
#include "WindowTestSupport.h"

#include "framework/application/CMenu.h"
#include "framework/application/CMenuBar.h"
#include "framework/application/CMenuItemInfo.h"
#include "framework/application/CMouse.h"
#include "framework/windows/CDocumentWindow.h"
#include "framework/windows/CModalDialog.h"
#include "platform/display/CNativeMenu.h"
#include "platform/display/CVolumeMonitor.h"

using namespace NSWindowTests;

namespace
{

class Dispatch : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        fWindow = new CDocumentWindow(0, "dispatch");
        fView = std::make_unique<CProbeView>(fWindow->GetRootView(), CLocalRect(0, 0, 100, 100),
                                             CRGBColor::kRed);
        const CGlobalRect frame = fWindow->SuggestCenterPositionClient(200, 150);
        fWindow->PrimeAtPos(&frame);
    }
    void TearDown() override
    {
        fView.reset();
        WindowTest::TearDown();
    }
    void Press(short x, short y, uint32_t when, uint16_t modifiers = 0)
    {
        fApp->MacHandleNativeEvent(At(*fWindow, NSPlatform::kMouseDown, x, y, when, modifiers));
    }
    NSPlatform::SEventRecord Key(uint16_t what, char c, uint16_t modifiers = 0)
    {
        NSPlatform::SEventRecord event;
        event.mWhat = what;
        event.mMessage = static_cast<uint8_t>(c);
        event.mModifiers = modifiers;
        event.mWindow = fWindow ? fWindow->GetNative() : nullptr;
        return event;
    }

    CDocumentWindow* fWindow = nullptr;
    std::unique_ptr<CProbeView> fView;
};

TEST_F(Dispatch, DoubleClickNeedsSameWindowShortTimeAndFourPixels)
{
    const uint32_t quick = static_cast<uint32_t>(CMouse::GetDoubleClickTicks()) - 1;
    ASSERT_GT(quick, 0u);
    Press(10, 10, 1000);
    Press(13, 10, 1000 + quick);
    Press(13, 10, 1000 + quick + 1); // the pair was consumed: a single click again
    Press(18, 10, 1000 + quick + 2); // 5 pixels away
    Press(18, 10, 5000);             // too late
    using A = CClickSpec::EAction;
    EXPECT_EQ(fView->fClicks,
              (std::vector<A>{CClickSpec::kClick, CClickSpec::kDoubleClick, CClickSpec::kClick,
                              CClickSpec::kClick, CClickSpec::kClick}));

    // The context-menu click (right button) opens the menu and does not count.
    Press(50, 50, 6000);
    Press(50, 50, 6001, NSPlatform::kControlKey);
    Press(50, 50, 6002);
    ASSERT_EQ(fView->fContextMenus.size(), 1u);
    EXPECT_EQ(fView->fClicks.back(), CClickSpec::kDoubleClick);

    // Another window between two clicks: no double click.
    auto* other = new CDocumentWindow(0, "other");
    other->PrimeAtSuggestedStackedPositionClient(50, 50);
    Press(70, 70, 7000);
    fApp->MacHandleNativeEvent(At(*other, NSPlatform::kMouseDown, 10, 10, 7001));
    Press(70, 70, 7002);
    EXPECT_EQ(fView->fClicks.back(), CClickSpec::kClick);
}

TEST_F(Dispatch, KeysGoToCaptureOwnerFocusViewWindowThenApplication)
{
    CProbeView other(fWindow->GetRootView(), CLocalRect(100, 0, 150, 50), CRGBColor::kBlue);
    fApp->MacHandleNativeEvent(Key(NSPlatform::kKeyDown, 'a'));
    // No focus view: the window passes it to the application.
    ASSERT_EQ(fApp->fKeys.size(), 1u);
    EXPECT_EQ(fApp->fKeys[0].fState, CKeySpec::kDown);

    fView->SetCanHaveFocus(true);
    ASSERT_TRUE(fView->SetFocus());
    fApp->MacHandleNativeEvent(Key(NSPlatform::kKeyUp, 'a'));
    // Ctrl with shift is a key, not a menu command.
    fApp->MacHandleNativeEvent(
        Key(NSPlatform::kKeyDown, 'q', NSPlatform::kCmdKey | NSPlatform::kShiftKey));
    ASSERT_EQ(fView->fKeys.size(), 2u);
    EXPECT_EQ(fView->fKeys[0].fState, CKeySpec::kUp);
    EXPECT_TRUE(fView->fKeys[1].fModifiers.IsShiftKeyDown());

    ASSERT_TRUE(other.BeginKeyboardCapture());
    fApp->MacHandleNativeEvent(Key(NSPlatform::kAutoKey, 'b'));
    EXPECT_EQ(other.fKeys.size(), 1u);
    EXPECT_EQ(fView->fKeys.size(), 2u);
    other.EndKeyboardCapture();

    // No window at all: the application.
    fView.reset();
    CABCWindow::CloseAll();
    fWindow = nullptr;
    fApp->MacHandleNativeEvent(Key(NSPlatform::kKeyDown, 'c'));
    EXPECT_EQ(fApp->fKeys.size(), 2u);
}

TEST_F(Dispatch, MenuSetupAndCommandsFollowFocusWindowAndApplication)
{
    constexpr unsigned long kClose = 0x2002;
    fApp->SetCloseMenuCommandID(kClose);
    fApp->DispatchSetupMenus(nullptr);
    fApp->DispatchHandleMenuSelection(nullptr, 0x3001);
    EXPECT_EQ(fApp->fSetupMenus, 1);
    EXPECT_EQ(fApp->fCommands, (std::vector<unsigned long>{0x3001}));

    fView->SetCanHaveFocus(true);
    ASSERT_TRUE(fView->SetFocus());
    fApp->DispatchSetupMenus(nullptr);
    EXPECT_EQ(fView->fSetupMenus, 1);
    // The view hands what it does not take up its chain: window, then application.
    fApp->DispatchHandleMenuSelection(nullptr, 0x3002);
    EXPECT_EQ(fView->fCommands, (std::vector<unsigned long>{0x3002}));
    EXPECT_EQ(fApp->fCommands.back(), 0x3002u);
    // The document's close command closes it, and goes no further.
    fApp->DispatchHandleMenuSelection(nullptr, kClose);
    EXPECT_TRUE(fWindow->IsMarkedForClosing());
    EXPECT_EQ(fApp->fCommands.back(), 0x3002u);

    // A disabled focus view: the window takes the command itself.
    fView->SetEnabled(false);
    fWindow->SetFocusViewPtr(fView.get());
    const size_t seen = fView->fCommands.size();
    fApp->DispatchHandleMenuSelection(nullptr, 0x3003);
    EXPECT_EQ(fView->fCommands.size(), seen);
    EXPECT_EQ(fApp->fCommands.back(), 0x3003u);
}

TEST_F(Dispatch, ReleaseDropsOnTheWindowUnderThePointerAndAlwaysEndsTracking)
{
    ASSERT_TRUE(fView->BeginMouseCapture());
    fApp->MacHandleNativeEvent(At(*fWindow, NSPlatform::kMouseUp, 20, 20, 100));
    EXPECT_EQ(fView->fDrops, 1);
    EXPECT_EQ(fView->fReleases, 1);
    // Released far outside every window: no drop, still a release.
    NSPlatform::SEventRecord outside = At(*fWindow, NSPlatform::kMouseUp, -3000, -3000, 101);
    outside.mWindow = nullptr;
    fApp->MacHandleNativeEvent(outside);
    EXPECT_EQ(fView->fDrops, 1);
    EXPECT_EQ(fView->fReleases, 2);
    fView->EndMouseCapture();
}

TEST_F(Dispatch, WheelDiskActivationAndUpdatesReachTheirTargets)
{
    NSPlatform::SEventRecord wheel = At(*fWindow, NSPlatform::kMouseWheelEvent, 30, 40, 1);
    wheel.mDeltaV = -2;
    fApp->MacHandleNativeEvent(wheel);
    wheel.mDeltaV = 0;
    wheel.mDeltaH = 1; // sideways: not handled
    fApp->MacHandleNativeEvent(wheel);
    ASSERT_EQ(fView->fWheel.size(), 1u);
    EXPECT_EQ(fView->fWheel[0].mDelta, -240);
    EXPECT_EQ(fView->fWheel[0].mY, 40);

    // A volume: the selected window passes it to the application; a nameless one is dropped.
    NSPlatform::SEventRecord disk;
    disk.mWhat = NSPlatform::kDiskEvent;
    disk.mMessage = 3;
    disk.mVolumeName = "A volume with a name much longer than the record holds";
    fApp->MacHandleNativeEvent(disk);
    disk.mVolumeName.clear();
    fApp->MacHandleNativeEvent(disk);
    ASSERT_EQ(fApp->fVolumes.size(), 1u);
    EXPECT_EQ(fApp->fVolumes[0], "A volume with a name much l");

    // Deactivation disables the root view; activation enables it again.
    NSPlatform::SEventRecord activate;
    activate.mWhat = NSPlatform::kActivateEvent;
    activate.mWindow = fWindow->GetNative();
    fApp->MacHandleNativeEvent(activate);
    EXPECT_FALSE(fView->IsEnabled());
    activate.mModifiers = NSPlatform::kActiveFlag;
    fApp->MacHandleNativeEvent(activate);
    EXPECT_TRUE(fView->IsEnabled());

    // An update event paints what was invalidated.
    fView->fDraws = 0;
    fView->SetColor(CRGBColor::kBlue);
    ASSERT_TRUE(NSPlatform::CDisplay::HasEvent(NSPlatform::MaskForKind(NSPlatform::kUpdateEvent)));
    Drain();
    EXPECT_EQ(fView->fDraws, 1);
    EXPECT_EQ(StorePixel(fWindow->GetNative(), 5, 5), 0x0000FFu);
}

} // namespace

// The bar's choices and command keys: set up for the current target, then routed
// like any command; system items, a disabled bar and shifted keys take other paths.
TEST_F(Dispatch, MenuChoicesAndCommandKeysGoThroughTheBar)
{
    CMenuBar bar;
    CMenu file("File", 0, 0);
    CMenuItemInfo open;
    open.SetName("Open");
    open.fCommandID = 0x4001;
    open.fShortCutKey = 'K';
    file.AppendItem(&open);
    file.AppendItem("Plain", 0x4002);
    bar.AppendMenu(&file);
    bar.Enable();
    fApp->fBar = &bar;
    fApp->fEnabledCommands = {0x4001, 0x4002};
    fWindow->Select();

    NSPlatform::SEventRecord choice;
    choice.mWhat = NSPlatform::kMenuSelectEvent;
    choice.mWindow = fWindow->GetNative();
    choice.mMessage = (uint32_t{file.MacGetMenuHandle()->GetID()} << 16) | 2;
    const int setups = fApp->fSetupMenus;
    fApp->MacHandleNativeEvent(choice);
    ASSERT_EQ(fApp->fCommands, (std::vector<unsigned long>{0x4002}));
    EXPECT_EQ(fApp->fSetupMenus, setups + 1);

    // Ctrl+K (either case) is the item's command; with shift, or released, it is a key.
    fApp->MacHandleNativeEvent(Key(NSPlatform::kKeyDown, 'k', NSPlatform::kCmdKey));
    fApp->MacHandleNativeEvent(
        Key(NSPlatform::kKeyDown, 'K', NSPlatform::kCmdKey | NSPlatform::kShiftKey));
    fApp->MacHandleNativeEvent(Key(NSPlatform::kKeyUp, 'k', NSPlatform::kCmdKey));
    EXPECT_EQ(fApp->fCommands, (std::vector<unsigned long>{0x4002, 0x4001}));
    EXPECT_EQ(fApp->fKeys.size(), 2u);
    // A command key without an item: a key.
    fApp->MacHandleNativeEvent(Key(NSPlatform::kKeyDown, 'z', NSPlatform::kCmdKey));
    EXPECT_EQ(fApp->fKeys.size(), 3u);

    // The set-up a menu runs when it is about to open routes like commands do.
    fView->SetCanHaveFocus(true);
    ASSERT_TRUE(fView->SetFocus());
    bar.MenuAboutToOpen();
    EXPECT_EQ(fView->fSetupMenus, 1);

    // A modal loop's disabled bar drops choices and leaves Ctrl+key to the target.
    bar.Disable();
    fApp->MacHandleNativeEvent(choice);
    fApp->MacHandleNativeEvent(Key(NSPlatform::kKeyDown, 'k', NSPlatform::kCmdKey));
    EXPECT_EQ(fApp->fCommands.size(), 2u);
    EXPECT_EQ(fView->fKeys.size(), 1u);
    bar.Enable();

    // A window-list item selects its window through the menus' window access.
    auto* second = new CDocumentWindow(0, "second");
    second->PrimeAtSuggestedStackedPositionClient(60, 40);
    CMenu windows("Window", 0, 0);
    ASSERT_TRUE(windows.InsertWindowList(0, 0));
    ASSERT_EQ(windows.CountItems(), 2u);
    EXPECT_EQ(windows.GetCommandID(0), CMenu::kWindowListCommandBase);
    fWindow->Select();
    bar.HandleMenuSelection(CMenu::kWindowListCommandBase + 1);
    EXPECT_EQ(CABCWindow::GetSelected(), CABCWindow::GetEnumWindow(1));
    fApp->fBar = nullptr;
    fApp->fEnabledCommands.clear();
}

// A mounted volume arrives through the loop as a disk event with its name; one the
// desktop gives no name is still a volume.
TEST_F(Dispatch, MountedVolumesArriveAsDiskEventsWithTheirNames)
{
    NSPlatform::CVolumeMonitor::RecordMount("SYNTH DISK");
    NSPlatform::CVolumeMonitor::RecordMount("");
    NSPlatform::SEventRecord event;
    while (NSPlatform::CDisplay::GetNextEvent(NSPlatform::kEveryEventMask, event))
        fApp->MacHandleNativeEvent(event);
    EXPECT_EQ(fApp->fVolumes, (std::vector<std::string>{"SYNTH DISK", "Untitled"}));
}
