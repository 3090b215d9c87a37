// Menus on the test server: the bar at the top of a window, opened with a real
// click, set up just before it shows, items chosen coming back as events, command
// keys left to the framework, and pop-ups chosen from or dismissed.
#include "platform/display/CNativeMenu.h"
#include "platform/display/CNativeMenuBar.h"

#include "platform/CMainEventQueue.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeWindow.h"
#include "platform/display/CSyntheticInput.h"

#include "DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

using namespace NSPlatform;
using NSTestSupport::PumpUntil;

namespace
{

int RunXdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str());
}

std::string Center(const SDisplayRect& r)
{
    return std::to_string((r.mLeft + r.mRight) / 2) + " " +
           std::to_string((r.mTop + r.mBottom) / 2);
}

bool TakeEvent(uint16_t kind, SEventRecord& event, int timeoutMs = 3000)
{
    return PumpUntil([&] { return CDisplay::GetNextEvent(MaskForKind(kind), event); }, timeoutMs);
}

// A File menu with a submenu, an application menu, and a window showing the bar.
class NativeMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CDisplay::Open());
        CDisplay::FlushEvents(kEveryEventMask);
        CNativeMenuBar::SetApplicationName("Menu Demo");
        fApp =
            std::make_unique<CNativeMenu>(302, std::string(1, CNativeMenu::kApplicationMenuTitle));
        fApp->InsertItem(0, "About Menu Demo");
        fFile = std::make_unique<CNativeMenu>(300, "File");
        fFile->InsertItem(0, "Open");
        fFile->SetItemCommand(1, 'O');
        fFile->InsertItem(1, "Save");
        fFile->SetItemCommand(2, 'S');
        fFile->InsertItem(2, "-");
        fFile->InsertItem(3, std::string("\0-x", 3));
        fFile->InsertItem(4, "Recent");
        fFile->SetItemCommand(5, CNativeMenu::kHierarchicalCommand);
        fFile->SetItemMark(5, 301);
        fSub = std::make_unique<CNativeMenu>(301, "Recent");
        fSub->InsertItem(0, "a.txt");
        CNativeMenuBar::InsertHierarchicalMenu(fSub.get());
        CNativeMenuBar::InsertMenu(fApp.get());
        CNativeMenuBar::InsertMenu(fFile.get());
        fWindow = std::make_unique<CNativeWindow>(CNativeWindow::kDocument, "menus",
                                                  SDisplayRect{100, 100, 420, 300});
        ASSERT_TRUE(CNativeMenuBar::AttachToWindow(*fWindow));
        fWindow->Show();
        ASSERT_TRUE(PumpUntil([&] { return fWindow->GetPaintCount() > 0; }));
        CDisplay::Sync();
        if (RunXdotool("mousemove 5 5") != 0)
            GTEST_SKIP() << "xdotool cannot move the pointer on this server";
    }
    void TearDown() override
    {
        CNativeMenuBar::SetMenuOpeningHook(nullptr);
        RunXdotool("key Escape");
        PumpUntil([] { return false; }, 50);
        fWindow.reset();
        fFile.reset();
        fSub.reset();
        fApp.reset();
        CDisplay::FlushEvents(kEveryEventMask);
    }

    bool OpenFileMenu()
    {
        SDisplayRect title;
        if (!CNativeMenuBar::GetTitleBounds(*fWindow, 300, &title))
            return false;
        RunXdotool("mousemove " + Center(title) + " click 1");
        return PumpUntil([] { return CNativeMenuBar::IsMenuOpen(300); });
    }

    void Click(uint16_t menu, int item)
    {
        SDisplayRect bounds;
        ASSERT_TRUE(CNativeMenuBar::GetOpenItemBounds(menu, item, &bounds));
        RunXdotool("mousemove " + Center(bounds) + " click 1");
    }

    std::unique_ptr<CNativeMenu> fApp;
    std::unique_ptr<CNativeMenu> fFile;
    std::unique_ptr<CNativeMenu> fSub;
    std::unique_ptr<CNativeWindow> fWindow;
};

} // namespace

TEST_F(NativeMenuTest, BarSitsAboveTheClientAreaOfTitledWindowsOnly)
{
    EXPECT_GT(fWindow->GetTopInset(), 10);
    EXPECT_EQ(fWindow->GetClientRect(), (SDisplayRect{100, 100, 420, 300}));
    SDisplayRect app;
    SDisplayRect file;
    ASSERT_TRUE(CNativeMenuBar::GetTitleBounds(*fWindow, 302, &app));
    ASSERT_TRUE(CNativeMenuBar::GetTitleBounds(*fWindow, 300, &file));
    EXPECT_LT(app.mLeft, file.mLeft);
    EXPECT_LE(file.mBottom, 100);

    CNativeWindow modal(CNativeWindow::kModalDialog, "modal", {50, 50, 150, 120});
    EXPECT_FALSE(CNativeMenuBar::AttachToWindow(modal));
    EXPECT_EQ(modal.GetTopInset(), 0);

    CNativeMenuBar::DetachFromWindow(*fWindow);
    EXPECT_FALSE(CNativeMenuBar::IsAttached(*fWindow));
    EXPECT_EQ(fWindow->GetTopInset(), 0);
    EXPECT_EQ(fWindow->GetClientRect(), (SDisplayRect{100, 100, 420, 300}));
}

TEST_F(NativeMenuTest, ClickedMenuIsSetUpFirstAndChosenItemComesBackAsAnEvent)
{
    int opened = 0;
    fFile->SetItemEnabled(1, false);
    CNativeMenuBar::SetMenuOpeningHook(
        [&]
        {
            ++opened;
            // What the framework's set-up decides shows in the menu that opens.
            fFile->SetItemEnabled(1, true);
            fFile->SetItemEnabled(2, false);
            fFile->SetItemMark(1, CNativeMenu::kCheckMark);
        });
    ASSERT_TRUE(OpenFileMenu());
    EXPECT_EQ(opened, 1);
    PumpUntil([] { return false; }, 300);
    CDisplay::Sync();
    std::system(("import -window root " + std::string(KELT_BINARY_DIR) +
                 "/menu-bar-open.png >/dev/null 2>&1")
                    .c_str());

    // A disabled item does nothing; an enabled one is recorded for the window.
    Click(300, 2);
    SEventRecord event;
    EXPECT_FALSE(TakeEvent(kMenuSelectEvent, event, 300));
    Click(300, 1);
    ASSERT_TRUE(TakeEvent(kMenuSelectEvent, event));
    EXPECT_EQ(event.mMessage, (300u << 16) | 1);
    EXPECT_EQ(event.mWindow, fWindow.get());
    ASSERT_TRUE(PumpUntil([] { return !CNativeMenuBar::IsMenuOpen(300); }));

    // Opening again sets up again; the submenu's item names its own menu.
    ASSERT_TRUE(OpenFileMenu());
    EXPECT_EQ(opened, 2);
    SDisplayRect recent;
    ASSERT_TRUE(CNativeMenuBar::GetOpenItemBounds(300, 5, &recent));
    RunXdotool("mousemove " + Center(recent) + " click 1");
    ASSERT_TRUE(PumpUntil([] { return CNativeMenuBar::IsMenuOpen(301); }));
    Click(301, 1);
    ASSERT_TRUE(TakeEvent(kMenuSelectEvent, event));
    EXPECT_EQ(event.mMessage, (301u << 16) | 1);
}

TEST_F(NativeMenuTest, CommandKeysReachTheFrameworkAndFindTheirItems)
{
    fWindow->Activate();
    CSyntheticInput::PostKey(*fWindow, true, 32, 'o', kCmdKey);
    SEventRecord key;
    ASSERT_TRUE(TakeEvent(kKeyDown, key));
    EXPECT_EQ(key.mMessage & 0xFF, 'o');
    EXPECT_TRUE(key.mModifiers & kCmdKey);
    EXPECT_FALSE(CNativeMenuBar::IsMenuOpen(300));
    SEventRecord none;
    EXPECT_FALSE(CDisplay::GetNextEvent(MaskForKind(kMenuSelectEvent), none));

    EXPECT_EQ(CNativeMenuBar::MenuKey('o'), (300u << 16) | 1);
    EXPECT_EQ(CNativeMenuBar::MenuKey('Q'), (302u << 16) | 3);
    fFile->SetItemEnabled(1, false);
    EXPECT_EQ(CNativeMenuBar::MenuKey('o'), 0u);
    fFile->SetEnabled(false);
    EXPECT_EQ(CNativeMenuBar::MenuKey('s'), 0u);
    // The quit item is the system's: carried out as a quit event.
    CDisplay::FlushEvents(kEveryEventMask);
    EXPECT_TRUE(CNativeMenuBar::HandleSystemItem((302u << 16) | 3));
    SEventRecord quit;
    ASSERT_TRUE(CDisplay::GetNextEvent(kHighLevelEventMask, quit));
    EXPECT_EQ(quit.mHighLevelID, kAEQuitApplication);
    EXPECT_FALSE(CNativeMenuBar::HandleSystemItem((302u << 16) | 1));
}

TEST_F(NativeMenuTest, PopUpWaitsUntilChosenOrDismissed)
{
    // The pop-up's nested loop serves the main queue: the user's part is posted there.
    std::function<void()> act;
    std::function<void()> whenOpen = [&]
    {
        if (CNativeMenuBar::IsMenuOpen(300))
            act();
        else
            CMainEventQueue::Main().Post(whenOpen);
    };

    act = [&] { Click(300, 1); };
    CMainEventQueue::Main().Post(whenOpen);
    EXPECT_EQ(fFile->PopUpSelect(200, 150, fWindow.get()), (300u << 16) | 1);
    EXPECT_FALSE(CNativeMenu::IsPopUpOpen());
    // Chosen in a pop-up is not chosen in a bar.
    SEventRecord event;
    EXPECT_FALSE(CDisplay::GetNextEvent(MaskForKind(kMenuSelectEvent), event));

    act = [&] { RunXdotool("key Escape"); };
    CMainEventQueue::Main().Post(whenOpen);
    EXPECT_EQ(fFile->PopUpSelect(200, 150, nullptr), 0u);

    CNativeMenu empty(303, "Empty");
    EXPECT_EQ(empty.PopUpSelect(200, 150, fWindow.get()), 0u);
}
