// Menus without a display: scripts, item texts as the window system shows them,
// the reset-then-set-up protocol, selections back to commands, the window list,
// menu identifiers, and the application and help menus.
#include "framework/application/CLowLevelApplication.h"
#include "framework/application/CMacAppleMenu.h"
#include "framework/application/CMacHelpMenu.h"
#include "framework/application/CMenu.h"
#include "framework/application/CMenuBar.h"
#include "framework/application/CMenuWindowAccess.h"
#include "framework/files/XBase.h"
#include "framework/text/CStringManager.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeMenu.h"
#include "platform/display/CNativeMenuBar.h"
#include "platform/files/CPosixFiles.h"
#include "platform/resources/CResourceFork.h"
#include "platform/resources/CResourceManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace NSWayfarer;
using NSPlatform::CNativeMenu;
using NSPlatform::CNativeMenuBar;

namespace
{

// An application whose resource file holds the menu scripts and strings below.
class MenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        NSPlatform::CResourceFork fork;
        auto add = [&](const char* type, int16_t id, const std::string& text)
        {
            NSPlatform::SResourceEntry entry;
            entry.mType = NSPlatform::CResourceFork::PackCode(type);
            entry.mID = id;
            entry.mData.assign(text.begin(), text.end());
            fork.Add(entry);
        };
        add("SSTR", 128, "15{About Menus...} 16{" + std::string(70, 'n') + "}");
        add("SMNU", 128,
            "1{File?77~F;Open...#O=100;-;Quit#Q=15} "
            "2{ Edit; --;- ;-#X=9;-dash=5;  Cut?12~t=300#X;Copy=301?13; } "
            "3{More;Longest item " +
                std::string(60, 'x') +
                "=7} "
                "4{Help extras;Tips=600;Tutorial=601}");
        std::string why;
        ASSERT_EQ(fork.Serialize(&fImage, &why), NSPlatform::kNoErr);
        fRef = NSPlatform::CResourceManager::OpenResImage(fImage.data(), fImage.size());
        ASSERT_NE(fRef, NSPlatform::CResourceManager::kNoFile);
        NSPlatform::SNativeFileSpec self;
        NSPlatform::CPosixFiles::GetExecutableSpec(&self);
        fApplication = std::make_unique<CLowLevelApplication>("Menu Test", CFileSpec(self), fRef);
        CStringManager::gStringMgr = new CStringManager;
    }
    void TearDown() override
    {
        delete CStringManager::gStringMgr;
        CStringManager::gStringMgr = nullptr;
        fApplication.reset();
        NSPlatform::CResourceManager::CloseResFile(fRef);
        NSPlatform::CDisplay::FlushEvents(NSPlatform::kEveryEventMask);
        EXPECT_TRUE(CMenu::gMenuList.IsEmpty()) << "a menu outlived its test";
    }

    static CMenuItemInfo Info(CMenu& menu, unsigned short index)
    {
        CMenuItemInfo info;
        menu.GetItemInfo(index, &info);
        return info;
    }

    std::vector<uint8_t> fImage;
    int16_t fRef = -1;
    std::unique_ptr<CLowLevelApplication> fApplication;
};

// Windows as the window layer would list them.
class CFakeWindows : public CMenuWindowAccess
{
public:
    struct SWindow
    {
        std::string mTitle;
        bool mShown = true;
        bool mListed = true;
    };
    explicit CFakeWindows(std::vector<SWindow> windows) : fWindows(std::move(windows))
    {
        Install(this);
    }
    ~CFakeWindows() override { Install(nullptr); }

    unsigned short CountWindows() const override
    {
        return static_cast<unsigned short>(fWindows.size());
    }
    CABCWindow* GetEnumWindow(unsigned short index) const override
    {
        return index < fWindows.size() ? Handle(index) : nullptr;
    }
    bool IsShown(CABCWindow* window) const override { return At(window).mShown; }
    bool WantsToBeOnWindowsMenu(CABCWindow* window) const override { return At(window).mListed; }
    void GetTitle(CABCWindow* window, char* out) const override
    {
        std::snprintf(out, 256, "%s", At(window).mTitle.c_str());
    }
    CABCWindow* GetSelected() const override { return fSelected; }
    void Select(CABCWindow* window) override { fSelected = window; }
    void ReleaseMouseButton(CABCWindow*) override { ++fReleases; }
    NSPlatform::CNativeWindow* GetNativeWindow(CABCWindow*) const override { return nullptr; }

    // Windows are stood for by addresses inside the list.
    CABCWindow* Handle(size_t index) const
    {
        return reinterpret_cast<CABCWindow*>(const_cast<SWindow*>(&fWindows[index]));
    }
    const SWindow& At(CABCWindow* window) const { return *reinterpret_cast<SWindow*>(window); }

    std::vector<SWindow> fWindows;
    CABCWindow* fSelected = nullptr;
    int fReleases = 0;
};

} // namespace

TEST_F(MenuTest, ScriptsGiveTitlesItemsAndTheirMarkers)
{
    CMenu file(128001);
    EXPECT_EQ(file.MacGetMenuHandle()->GetTitle(), "File");
    EXPECT_EQ(file.GetContextHelpID(), 77u);
    EXPECT_EQ(file.GetNavigationKey(), 'F');
    ASSERT_EQ(file.CountItems(), 3);
    EXPECT_STREQ(Info(file, 0).fName, "Open...");
    EXPECT_EQ(Info(file, 0).fShortCutKey, 'O');
    EXPECT_EQ(Info(file, 0).fCommandID, 100u);
    EXPECT_TRUE(Info(file, 0).fDisabledFlag);
    EXPECT_EQ(Info(file, 1).fItemType, CMenuItemInfo::kTypeDivider);
    EXPECT_EQ(Info(file, 2).fCommandID, 15u);

    CMenu edit(128002);
    EXPECT_EQ(edit.MacGetMenuHandle()->GetTitle(), "Edit");
    ASSERT_EQ(edit.CountItems(), 7);
    // Only a text of exactly "-" is a divider, whatever markers follow it.
    EXPECT_EQ(Info(edit, 0).fItemType, CMenuItemInfo::kTypeString);
    EXPECT_STREQ(Info(edit, 0).fName, "--");
    EXPECT_STREQ(Info(edit, 1).fName, "- ");
    EXPECT_EQ(Info(edit, 2).fItemType, CMenuItemInfo::kTypeDivider);
    EXPECT_EQ(Info(edit, 2).fCommandID, 0u);
    EXPECT_EQ(Info(edit, 2).fShortCutKey, 0);
    // Markers in any order, each taken at its first occurrence.
    const CMenuItemInfo cut = Info(edit, 4);
    EXPECT_STREQ(cut.fName, "Cut");
    EXPECT_EQ(cut.fHelpID, 12);
    EXPECT_EQ(cut.fNavigationKey, 't');
    EXPECT_EQ(cut.fCommandID, 300u);
    EXPECT_EQ(cut.fShortCutKey, 'X');
    EXPECT_EQ(Info(edit, 5).fHelpID, 13);
    // A trailing ';' is one more item, with no text.
    EXPECT_STREQ(Info(edit, 6).fName, "");

    // The window system draws dividers only for exactly "-": hyphen-led names keep
    // their text.
    const CNativeMenu& shown = *edit.MacGetMenuHandle();
    EXPECT_FALSE(shown.IsItemDivider(1));
    EXPECT_EQ(shown.GetItemLabel(1), "--");
    EXPECT_TRUE(shown.IsItemDivider(3));
    EXPECT_FALSE(shown.IsItemDivider(4));
    EXPECT_EQ(shown.GetItemLabel(4), "-dash");
    EXPECT_EQ(shown.GetItemCommand(5), 'X');
    EXPECT_FALSE(shown.IsItemEnabled(5));

    // Item texts keep 64 characters.
    CMenu more(128003);
    EXPECT_EQ(std::string(Info(more, 0).fName), ("Longest item " + std::string(51, 'x')));
    EXPECT_EQ(Info(more, 0).fCommandID, 7u);

    // A script that is not there: the resource's error, and no menu left behind.
    EXPECT_THROW(CMenu(129001), XBase);
}

TEST_F(MenuTest, ItemsEditByIndexAndByCommand)
{
    CMenu menu("Items", 0, 0);
    for (unsigned long command : {100ul, 101ul, 102ul, 103ul, 0xFFFFFFFEul, 0xFFFFFFFFul, 0ul, 1ul})
        menu.AppendItem("item", command);
    menu.DeleteItemRange(100, 3);
    ASSERT_EQ(menu.CountItems(), 5);
    EXPECT_EQ(menu.GetCommandID(0), 103u);
    // A range running past the last identifier does not wrap round to 0 and 1.
    menu.DeleteItemRange(0xFFFFFFFE, 4);
    ASSERT_EQ(menu.CountItems(), 3);
    EXPECT_EQ(menu.GetCommandID(1), 0u);
    EXPECT_EQ(menu.GetCommandID(2), 1u);
    EXPECT_EQ(menu.MacGetMenuHandle()->CountItems(), 3);

    // Check marks only for string items.
    CMenuItemInfo divider;
    divider.fItemType = CMenuItemInfo::kTypeDivider;
    menu.InsertItem(0, &divider);
    CMenu sub("Sub", 0, 0);
    sub.AppendItem("deep", 500);
    menu.AppendItem("sub", 42);
    menu.SetSubMenu(4, &sub);
    menu.CheckItem(0, true);
    menu.CheckItem(4, true);
    EXPECT_FALSE(Info(menu, 0).fCheckedFlag);
    EXPECT_FALSE(Info(menu, 4).fCheckedFlag);
    EXPECT_EQ(menu.MacGetMenuHandle()->GetItemSubMenuID(5), sub.MacGetMenuID());
    EXPECT_TRUE(menu.SetMenuItemCheck(103, true));
    EXPECT_EQ(menu.MacGetMenuHandle()->GetItemMark(2), CNativeMenu::kCheckMark);

    // By command: this menu first, then submenus; nothing found changes nothing.
    CMenu* found = nullptr;
    unsigned short index = 0;
    ASSERT_TRUE(menu.CommandIDToMenu(500, &found, &index));
    EXPECT_EQ(found, &sub);
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(menu.SetMenuItemEnable(500, true));
    EXPECT_TRUE(sub.MacGetMenuHandle()->IsItemEnabled(1));
    EXPECT_FALSE(menu.SetMenuItemEnable(12345, true));

    // A menu made its own submenu is searched without end of recursion.
    sub.AppendItem("loop", 501);
    sub.SetSubMenu(1, &sub);
    EXPECT_FALSE(menu.CommandIDToMenu(999, &found, &index));
    menu.ResetAllItems();

    // Bad indices are refused, not read past.
    EXPECT_THROW(menu.GetCommandID(40), XBase);
    EXPECT_THROW(menu.InsertItem(40, &divider), XBase);
    EXPECT_EQ(menu.CountItems(), 5);
}

TEST_F(MenuTest, BarResetsSetsUpAndTurnsSelectionsIntoCommands)
{
    CMenuBar bar;
    EXPECT_FALSE(bar.IsEnabled());
    CMenu file(128001);
    CMenu sub("Sub", 0, 0);
    sub.AppendItem("Deep", 700);
    file.AppendItem("Submenu", 0);
    file.SetSubMenu(3, &sub);
    bar.AppendMenu(&file);
    EXPECT_TRUE(CNativeMenuBar::IsOnBar(file.MacGetMenuID()));
    // A disabled bar shows its menus disabled.
    EXPECT_FALSE(file.MacGetMenuHandle()->IsEnabled());

    bar.Enable();
    EXPECT_TRUE(bar.IsEnabled());
    EXPECT_TRUE(file.MacGetMenuHandle()->IsEnabled());
    bar.Disable();
    bar.Disable();
    bar.Enable();
    EXPECT_FALSE(bar.IsEnabled());
    EXPECT_FALSE(file.MacGetMenuHandle()->IsEnabled());
    bar.Enable();
    EXPECT_TRUE(bar.IsEnabled());
    // One Enable too many does not leave the bar disabled behind enabled menus.
    bar.Enable();
    EXPECT_TRUE(bar.IsEnabled());
    bar.Disable();
    EXPECT_FALSE(bar.IsEnabled());
    bar.Enable();

    // What opening a menu runs: every item reset (window lists and other auto-delete
    // items gone), then the set-up of the current target.
    CMenuItemInfo extra;
    extra.SetName("gone at reset");
    extra.fAutoDeleteFlag = true;
    file.AppendItem(&extra);
    file.CheckItem(0, true);
    int setups = 0;
    bar.SetSetupHandler(
        [&](CMenuBar* b)
        {
            ++setups;
            EXPECT_TRUE(Info(file, 0).fDisabledFlag);
            EXPECT_FALSE(Info(file, 0).fCheckedFlag);
            EXPECT_TRUE(b->SetMenuItem(100, true, true));
            EXPECT_TRUE(b->SetMenuItemEnable(700, true));
            EXPECT_FALSE(b->SetMenuItemEnable(4242, true));
        });
    bar.MenuAboutToOpen();
    EXPECT_EQ(setups, 1);
    EXPECT_EQ(file.CountItems(), 4);
    EXPECT_TRUE(file.MacGetMenuHandle()->IsItemEnabled(1));
    EXPECT_EQ(file.MacGetMenuHandle()->GetItemMark(1), CNativeMenu::kCheckMark);

    const long id = file.MacGetMenuID();
    EXPECT_EQ(bar.MacMenuToCommandID((id << 16) | 1), 100u);
    EXPECT_EQ(bar.MacMenuToCommandID((id << 16) | 3), 0u); // disabled: nothing to dispatch
    EXPECT_EQ(bar.MacMenuToCommandID(1), 0u);              // no menu
    EXPECT_EQ(bar.MacMenuToCommandID((id << 16) | 9), 0u); // past the items
    EXPECT_EQ(bar.MacMenuToCommandID(long(0x7777) << 16 | 1), 0u);
    // A submenu counts only behind an enabled item.
    const long subSelection = (long(sub.MacGetMenuID()) << 16) | 1;
    EXPECT_EQ(bar.MacMenuToCommandID(subSelection), 0u);
    file.EnableItem(3, true);
    EXPECT_EQ(bar.MacMenuToCommandID(subSelection), 700u);

    // Command keys: the enabled item of that character, either case.
    EXPECT_EQ(bar.MacMenuKey('o'), (id << 16) | 1);
    EXPECT_EQ(bar.MacMenuKey('Q'), 0); // Quit was not enabled

    // Names by command, from text or a string, cut to 64 characters.
    EXPECT_TRUE(bar.SetMenuItemName(100, "Open Again"));
    EXPECT_EQ(file.MacGetMenuHandle()->GetItemLabel(1), "Open Again");
    EXPECT_TRUE(bar.SetMenuItem(100, 128016, false, false));
    EXPECT_EQ(file.MacGetMenuHandle()->GetItemLabel(1), std::string(64, 'n'));
    EXPECT_FALSE(file.MacGetMenuHandle()->IsItemEnabled(1));

    // Contents of another menu after the item of a command.
    CMenu more(128003);
    EXPECT_TRUE(bar.InsertMenuContents(100, &more, true));
    EXPECT_EQ(file.GetCommandID(1), 7u);
    EXPECT_TRUE(Info(file, 1).fAutoDeleteFlag);
    EXPECT_FALSE(bar.InsertMenuContents(4242, &more, true));
    bar.ResetAllMenuItems();
    EXPECT_EQ(file.CountItems(), 4);
}

TEST_F(MenuTest, WindowListItemsSelectTheirWindows)
{
    CFakeWindows windows({{"First"},
                          {std::string(70, 'w')},
                          {"Hidden", false},
                          {"Not listed", true, false},
                          {""},
                          {"Last"}});
    windows.fSelected = windows.Handle(5);
    CMenu menu("Windows", 0, 0);
    menu.AppendItem("Minimize", 1);
    menu.AppendItem("Zoom", 2);

    ASSERT_TRUE(menu.InsertDividerAndWindowList(1, 88));
    ASSERT_EQ(menu.CountItems(), 6);
    EXPECT_EQ(Info(menu, 1).fItemType, CMenuItemInfo::kTypeDivider);
    EXPECT_STREQ(Info(menu, 2).fName, "First");
    EXPECT_EQ(Info(menu, 2).fCommandID, CMenu::kWindowListCommandBase + 0);
    EXPECT_EQ(Info(menu, 2).fHelpID, 88);
    EXPECT_FALSE(Info(menu, 2).fDisabledFlag);
    EXPECT_EQ(std::string(Info(menu, 3).fName), std::string(61, 'w') + "...");
    EXPECT_EQ(Info(menu, 4).fCommandID, CMenu::kWindowListCommandBase + 5);
    EXPECT_TRUE(Info(menu, 4).fCheckedFlag);
    EXPECT_FALSE(Info(menu, 2).fCheckedFlag);
    EXPECT_STREQ(Info(menu, 5).fName, "Zoom");

    CMenuBar bar;
    bar.AppendMenu(&menu);
    bar.HandleMenuSelection(CMenu::kWindowListCommandBase + 0);
    EXPECT_EQ(windows.fSelected, windows.Handle(0));
    bar.HandleMenuSelection(CMenu::kWindowListCommandBase + 77); // no such window
    EXPECT_EQ(windows.fSelected, windows.Handle(0));

    // Reset takes the list and its divider away again.
    menu.ResetAllItems();
    EXPECT_EQ(menu.CountItems(), 2);

    // Nothing to list: no divider either.
    windows.fWindows = {{"Hidden", false}};
    EXPECT_FALSE(menu.InsertDividerAndWindowList(0, 0));
    EXPECT_EQ(menu.CountItems(), 2);

    char out[65];
    CMenu::LimitItemString(std::string(64, 'a').c_str(), out);
    EXPECT_EQ(std::string(out), std::string(64, 'a'));
    CMenu::LimitItemString(std::string(65, 'a').c_str(), out);
    EXPECT_EQ(std::string(out), std::string(61, 'a') + "...");

    // A context menu without items, or nothing chosen (no display here).
    unsigned short index = 1;
    CMenu* chosen = &menu;
    CMenu empty("Empty", 0, 0);
    EXPECT_FALSE(empty.DoContextMenu(windows.Handle(0), 10, 10, &index, &chosen));
    EXPECT_EQ(index, CMenu::kNoItemChosen);
    EXPECT_EQ(chosen, nullptr);
    EXPECT_FALSE(menu.DoContextMenu(windows.Handle(0), 10, 10, &index, &chosen));
    EXPECT_EQ(windows.fReleases, 1);
}

TEST_F(MenuTest, MenuIdentifiersAreTheLowestFree)
{
    std::vector<std::unique_ptr<CMenu>> menus;
    for (int i = 0; i < 1250; ++i)
        menus.push_back(std::make_unique<CMenu>());
    EXPECT_EQ(menus.front()->MacGetMenuID(), 128);
    EXPECT_EQ(menus.back()->MacGetMenuID(), 1377);
    EXPECT_STREQ(menus.back()->MacGetMenuHandle()->GetTitle().c_str(), "Dummy menu name");
    // All of 128 to 1377 taken: 128 again.
    EXPECT_EQ(CMenu::MacFindUnusedMenuID(), 128);
    menus[372].reset();
    EXPECT_EQ(CMenu::MacFindUnusedMenuID(), 500);
    CMenu next;
    EXPECT_EQ(next.MacGetMenuID(), 500);
    EXPECT_EQ(CNativeMenuBar::GetMenu(500), next.MacGetMenuHandle());
    menus.clear();
    EXPECT_EQ(CMenu::MacFindUnusedMenuID(), 128);
}

TEST_F(MenuTest, ApplicationAndHelpMenusKeepTheSystemsItems)
{
    CMenuBar bar;
    CMacAppleMenu apple(400128015, 400);
    CMacHelpMenu help(128004);
    bar.AppendMenu(&apple);
    bar.AppendMenu(&help);
    bar.Enable();
    EXPECT_EQ(bar.MacGetAppleMenu(), &apple);

    // About, the system's divider, the system's Quit.
    ASSERT_EQ(apple.CountItems(), 3);
    EXPECT_STREQ(Info(apple, 0).fName, "About Menus...");
    EXPECT_EQ(Info(apple, 0).fCommandID, 400u);
    EXPECT_EQ(Info(apple, 1).fItemType, CMenuItemInfo::kTypeDivider);
    EXPECT_EQ(Info(apple, 2).fCommandID, CMenu::kSystemAppleMenuCommand);
    const CNativeMenu& shown = *apple.MacGetMenuHandle();
    EXPECT_EQ(shown.CountItems(), 3);
    EXPECT_EQ(shown.GetShownTitle(), "Menu Test");
    EXPECT_EQ(shown.GetItemLabel(3), "Quit Menu Test");

    // The system's help item, a divider, then the script's items.
    ASSERT_EQ(help.CountItems(), 4);
    EXPECT_EQ(Info(help, 0).fCommandID, CMenu::kSystemHelpMenuCommand);
    EXPECT_EQ(Info(help, 1).fItemType, CMenuItemInfo::kTypeDivider);
    EXPECT_EQ(Info(help, 3).fCommandID, 601u);
    // The help menu stays last on the bar, whatever is added after it.
    CMenu file(128001);
    bar.AppendMenu(&file);
    EXPECT_EQ(CNativeMenuBar::GetBarMenuIDs().back(), CNativeMenuBar::kHelpMenuID);

    // Reset leaves the system's items alone.
    bar.SetSetupHandler([](CMenuBar* b) { b->SetMenuItem(400, true, false); });
    bar.MenuAboutToOpen();
    EXPECT_FALSE(Info(apple, 2).fDisabledFlag);
    EXPECT_FALSE(Info(help, 0).fDisabledFlag);
    EXPECT_TRUE(Info(help, 2).fDisabledFlag);
    EXPECT_FALSE(Info(apple, 0).fDisabledFlag);

    // Ctrl+Q is the system's Quit: carried out by the window system as a quit event.
    const long quit = bar.MacMenuKey('q');
    ASSERT_EQ(quit, (long(apple.MacGetMenuID()) << 16) | 3);
    ASSERT_EQ(bar.MacMenuToCommandID(quit), CMenu::kSystemAppleMenuCommand);
    NSPlatform::CDisplay::FlushEvents(NSPlatform::kEveryEventMask);
    apple.HandleSystemMenus(quit);
    NSPlatform::SEventRecord event;
    ASSERT_TRUE(NSPlatform::CDisplay::GetNextEvent(NSPlatform::kHighLevelEventMask, event));
    EXPECT_EQ(event.mHighLevelID, NSPlatform::kAEQuitApplication);
    // About is not a system item: nothing is recorded for it.
    apple.HandleSystemMenus((long(apple.MacGetMenuID()) << 16) | 1);
    EXPECT_FALSE(NSPlatform::CDisplay::HasEvent(NSPlatform::kEveryEventMask));
}

TEST_F(MenuTest, HelpMenuGivesBackOnlyItsOwnItems)
{
    {
        CMacHelpMenu help(128004);
        EXPECT_EQ(help.MacGetMenuHandle()->CountItems(), 4);
    }
    int first = 0;
    CNativeMenu* system = CNativeMenuBar::GetHelpMenu(&first);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(system->CountItems(), 1);
    EXPECT_EQ(system->GetSystemItem(1), CNativeMenu::kHelpItem);
    // A script that is missing leaves nothing behind in the system's menu.
    EXPECT_THROW(CMacHelpMenu(129001), XBase);
    EXPECT_EQ(system->CountItems(), 1);
}
