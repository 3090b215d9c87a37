// The application's menu bar as the window system keeps it: the menus on the bar,
// the hierarchical menus that are not, and a toolkit menu bar mirroring them at the
// top of every window that shows one. A chosen item comes back as a menu-select
// event (CDisplay) carrying (menu id << 16 | item).
#pragma once

#include "platform/display/SDisplayRect.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace NSPlatform
{

class CNativeMenu;
class CNativeWindow;

class CNativeMenuBar
{
public:
    // The id of the system's help menu (outside the range applications use).
    static constexpr uint16_t kHelpMenuID = 20000;

    // On the bar before the menu with beforeID (0, or an id not on the bar: at the end,
    // but always before the help menu). A menu already listed moves. The menu stays
    // the caller's; DeleteMenu before destroying it.
    static void InsertMenu(CNativeMenu* menu, uint16_t beforeID = 0);
    // Listed (found by id) without a title on the bar: submenus and pop-ups.
    static void InsertHierarchicalMenu(CNativeMenu* menu);
    // Off the bar or the hierarchical list; nothing when not listed.
    static void DeleteMenu(uint16_t id);
    // A listed menu, or null.
    static CNativeMenu* GetMenu(uint16_t id);
    static bool IsOnBar(uint16_t id);
    static std::vector<uint16_t> GetBarMenuIDs();
    // Brings every window's bar up to date with the menus' titles and enabled states.
    static void DrawMenuBar();

    // The item of key c with the command key held: the first enabled item with that
    // command character (letters in either case) in the enabled menus on the bar and
    // their submenus, as (menu id << 16 | item); 0 when there is none.
    static uint32_t MenuKey(char c);

    // Runs when a menu of a window's bar is about to open, before it is shown (the
    // framework resets its items and sets them up). Null removes it.
    using TOpeningHook = std::function<void()>;
    static void SetMenuOpeningHook(TOpeningHook hook);

    // Shows the bar at the top of a window if its kind has one (titled and not modal:
    // documents, dialogs, floating windows); true when it does. The bar counts as
    // frame: the client area keeps its place and size.
    static bool AttachToWindow(CNativeWindow& window);
    static void DetachFromWindow(CNativeWindow& window);
    static bool IsAttached(const CNativeWindow& window);

    // The name the application menu and the system's items show.
    static void SetApplicationName(const std::string& name);
    static std::string GetApplicationName();

    // The system's help menu, made on first use and always last on the bar; its
    // first item the application may use is given back (1-based).
    static CNativeMenu* GetHelpMenu(int* firstApplicationItem);

    // Carries out a selection of an item the system placed in its menus: Quit records
    // a quit event. False when the selection is none of them (or one the framework
    // carries out itself, the help item).
    static bool HandleSystemItem(uint32_t selection);

    // Where a menu's title is shown on a window's bar, and where an item of an open
    // menu is shown, in global coordinates (false when not shown).
    static bool GetTitleBounds(const CNativeWindow& window, uint16_t menuID, SDisplayRect* bounds);
    static bool GetOpenItemBounds(uint16_t menuID, int item, SDisplayRect* bounds);
    // Whether a menu of this id is open on the screen (in a bar or as a pop-up).
    static bool IsMenuOpen(uint16_t menuID);
};

} // namespace NSPlatform
