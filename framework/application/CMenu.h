// One menu in the framework's terms: items with command identifiers, mirrored into a
// menu of the window system. Menus can be built from a one-line menu script.
#pragma once

#include "framework/application/CMenuItemInfo.h"
#include "framework/text/CLinkedListTemplate.h"

namespace NSPlatform
{
class CNativeMenu;
}

namespace NSWayfarer
{

class CABCWindow;

class CMenu
{
public:
    // Reserved command identifiers.
    static constexpr uint32_t kNoCommand = 0;
    static constexpr uint32_t kSystemAppleMenuCommand = 0x80000001;
    static constexpr uint32_t kSystemHelpMenuCommand = 0x800001F5;
    static constexpr uint32_t kWindowListCommandBase = 0x800000C9;
    static constexpr uint32_t kMaxWindowListItems = 100;

    // The window system's menu identifiers handed out to menus.
    static constexpr unsigned short kFirstMenuID = 128;
    static constexpr unsigned short kLastMenuID = 1377;
    // Menu scripts are read up to this many characters.
    static constexpr long kMaxScriptLength = 3000;
    // What DoContextMenu leaves in the item index when nothing was chosen.
    static constexpr unsigned short kNoItemChosen = 666;

    // Every live menu, in creation order.
    static CLinkedListTemplate<CMenu*> gMenuList;

    CMenu();
    CMenu(const char* title, unsigned long helpID, char navigationKey);
    // From the menu script with this string identifier ("SMNU").
    explicit CMenu(long scriptID);
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // Disables and unchecks every item (submenus too), then drops the auto-delete items.
    virtual void ResetAllItems();

    void Dispose();
    // Help id, navigation key and copies of the other menu's items in place of ours.
    void Copy(const CMenu* other);

    // Items by 0-based index; an index past the items throws XBase.
    unsigned short CountItems() const;
    void AppendItem(const CMenuItemInfo* info);
    void AppendItem(const char* name, unsigned long commandID);
    void AppendItem(const char* name, unsigned long helpID, unsigned long commandID);
    // The new item gets the index (at most CountItems()). std::bad_alloc when memory is short.
    void InsertItem(unsigned short index, const CMenuItemInfo* info);
    void GetItemInfo(unsigned short index, CMenuItemInfo* info) const;
    void SetItemInfo(unsigned short index, const CMenuItemInfo* info);
    void EnableItem(unsigned short index, bool enable);
    // String items only; other kinds keep their state.
    void CheckItem(unsigned short index, bool check);
    void DeleteItem(unsigned short index);
    void DeleteAllItems();
    // Every item whose command is in [first, first + count), compared unsigned.
    void DeleteItemRange(unsigned long first, unsigned long count);
    void DeleteAllAutoDeleteItems();
    unsigned long GetCommandID(unsigned short index) const;
    void SetCommandID(unsigned short index, unsigned long commandID);
    CMenu* GetSubMenu(unsigned short index) const;
    void SetSubMenu(unsigned short index, CMenu* subMenu);
    void UncheckAllItems();

    // By command: this menu, then its submenus depth first in item order; the first
    // match wins. False (and nothing changed) when there is none.
    bool CommandIDToMenu(unsigned long commandID, CMenu** menu, unsigned short* index);
    bool SetMenuItemEnable(unsigned long commandID, bool enable);
    bool SetMenuItemCheck(unsigned long commandID, bool check);

    unsigned long GetContextHelpID() const { return fHelpID; }
    char GetNavigationKey() const { return fNavigationKey; }
    // A text of more than 64 characters becomes its first 61 and "..."; out holds 65 bytes.
    static void LimitItemString(const char* in, char* out);

    // The shown windows that want to be listed, as checked-if-selected auto-delete
    // items from index on; true when any was inserted.
    bool InsertWindowList(unsigned short index, unsigned long helpID);
    // The same behind an auto-delete divider (only when there are windows to list).
    bool InsertDividerAndWindowList(unsigned short index, unsigned long helpID);
    // Copies of source's items from index on; flagged auto-delete when asked.
    void InsertMenuContents(unsigned short index, const CMenu* source, bool autoDelete);

    // Pops the menu up at the global point and waits; true with the chosen item's
    // 0-based index and menu (this one or a submenu). Nothing chosen: false, index
    // kNoItemChosen and a null menu.
    bool DoContextMenu(CABCWindow* window, short h, short v, unsigned short* index, CMenu** menu);

    unsigned short MacGetMenuID() const;
    NSPlatform::CNativeMenu* MacGetMenuHandle() const { return fMenuHandle; }
    // This menu, or one reached through its enabled submenu items, with the id.
    bool MacFindMenuFromMenuID(unsigned short id, CMenu** menu);
    // The lowest identifier from 128 to 1377 no live menu has (128 when all are taken).
    static unsigned short MacFindUnusedMenuID();
    // Writes the record to the window system's item index + 1.
    void MacSetItemInfo(unsigned short index, const CMenuItemInfo* info);

    bool IsOnMenuBar() const { return fOnMenuBarFlag; }
    void SetOnMenuBar(bool onBar) { fOnMenuBarFlag = onBar; }

protected:
    // Makes the window system's menu; the constructors' common part.
    void Create(const char* title);
    void ExtractMenuTitleFromScript(const char* script, char* title, long titleSize);
    void AddItemsFromScript(const char* script);
    CMenuItemInfo* ItemAt(unsigned short index) const;
    // Replaces the window system's menu (the help menu takes the system's own).
    void MacReplaceMenuHandle(NSPlatform::CNativeMenu* handle, bool owned);

    unsigned long fHelpID = 0;
    CLinkedListTemplate<CMenuItemInfo*> fItemInfoList;
    char fNavigationKey = 0;
    NSPlatform::CNativeMenu* fMenuHandle = nullptr;
    bool fOwnsMenuHandle = true;
    bool fOnMenuBarFlag = false;

private:
    bool FindMenu(unsigned short id, CMenu** menu, int depth);
    bool FindCommand(unsigned long commandID, CMenu** menu, unsigned short* index, int depth);
    void ResetItems(int depth);
};

} // namespace NSWayfarer
