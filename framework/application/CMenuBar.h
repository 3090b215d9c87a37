// The menus on the application's menu bar (not owned) and whether the bar is enabled;
// turns the window system's menu selections back into command identifiers.
#pragma once

#include "framework/text/CLinkedListTemplate.h"

#include <cstdint>
#include <functional>

namespace NSWayfarer
{

class CMacAppleMenu;
class CMenu;

class CMenuBar
{
public:
    using TMenuList = CLinkedListTemplate<CMenu*>;
    // Runs after every item was reset when a menu is about to open: the framework's
    // menu set-up for the current target. Without one the application's SetupMenus runs.
    using TSetupHandler = std::function<void(CMenuBar*)>;

    // Disabled (a first Enable enables it) and empty. The bar's menus open with the
    // reset-then-set-up of this bar.
    CMenuBar();
    // Forgets the menus; does not delete them.
    virtual ~CMenuBar();
    CMenuBar(const CMenuBar&) = delete;
    CMenuBar& operator=(const CMenuBar&) = delete;

    // Nested: only the outermost Disable/Enable pair changes what the bar shows.
    void Enable();
    void Disable();
    bool IsEnabled() const { return fDisableCount == 0; }
    int16_t GetDisableCount() const { return fDisableCount; }

    void AppendMenu(CMenu* menu);
    void ResetAllMenuItems();
    // Each menu on the bar in order (and its submenus).
    bool CommandIDToMenu(unsigned long commandID, CMenu** menu, unsigned short* index);
    // Window-list commands select their window; the help menu's own item opens the
    // help book; others are left to the caller.
    void HandleMenuSelection(unsigned long commandID);
    // False when no item carries the command.
    bool SetMenuItemEnable(unsigned long commandID, bool enable);
    bool SetMenuItem(unsigned long commandID, bool enable, bool check);
    bool SetMenuItem(unsigned long commandID, long nameStringID, bool enable, bool check);
    bool SetMenuItemName(unsigned long commandID, const char* name);
    bool SetMenuItemName(unsigned long commandID, long nameStringID);
    // Copies of source's items after the item carrying the command.
    bool InsertMenuContents(unsigned long commandID, const CMenu* source, bool autoDelete);
    void AddMenuToList(CMenu* menu);
    void RemoveMenuFromList(CMenu* menu);
    const TMenuList& GetMenuList() const { return fMenuList; }

    // (menu id << 16 | 1-based item) to the item's command; 0 for no menu, a
    // menu not reached from the bar, or a disabled item.
    unsigned long MacMenuToCommandID(long selection);
    bool MacFindMenuFromMenuID(unsigned short id, CMenu** menu);
    // The first menu on the bar, when it is the application menu.
    CMacAppleMenu* MacGetAppleMenu();
    // The window system's item of key c pressed with the command key, as a
    // selection for MacMenuToCommandID (0: none).
    long MacMenuKey(char c) const;

    void SetSetupHandler(TSetupHandler handler) { fSetupHandler = std::move(handler); }
    // What runs when one of the bar's menus is about to open: ResetAllMenuItems,
    // then the set-up handler.
    void MenuAboutToOpen();

private:
    static void SyncDrawingPort(bool detach);

    int16_t fDisableCount = 1;
    TMenuList fMenuList;
    TSetupHandler fSetupHandler;
};

} // namespace NSWayfarer
