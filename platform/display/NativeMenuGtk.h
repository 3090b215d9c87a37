// How menus are mirrored into toolkit widgets, shared by the menu and menu bar
// sources (never included outside platform/display).
#pragma once

#include "platform/display/CNativeMenu.h"

#include <gtk/gtk.h>

#include <cstdint>
#include <string>

namespace NSPlatform
{

class CNativeWindow;

// What a chosen item of a pop-up reports to the nested loop waiting for it.
struct SPopUpState
{
    bool mOpen = true;
    uint32_t mSelection = 0;
};

// One toolkit menu showing one CNativeMenu. Where it is shown decides what a chosen
// item does: in a window's bar it is recorded as an event for that window, in a
// pop-up it ends the pop-up's wait.
struct SMenuMirror
{
    CNativeMenu* mMenu = nullptr;
    GtkWidget* mWidget = nullptr; // the GtkMenu
    int mDepth = 0;               // 0: a bar's or pop-up's own menu; submenus count up
    CNativeWindow* mWindow = nullptr;
    SPopUpState* mPopUp = nullptr;
    bool mDirty = true;
};

// A new toolkit menu mirroring menu (floating reference sunk: the caller owns one
// reference until it hands the menu to an item or destroys it).
GtkWidget* NewMenuMirror(CNativeMenu& menu, int depth, CNativeWindow* window, SPopUpState* popUp);
// The mirror record of a toolkit menu made by NewMenuMirror, or null.
SMenuMirror* MirrorOf(GtkWidget* widget);
// Brings a mirror's items up to date with its menu.
void SyncMirror(SMenuMirror& mirror);
// Every mirror of menu follows it again (its submenus may have come or gone).
void MarkMirrorsDirty(CNativeMenu& menu);
// A mirror of the menu with this id that is on the screen, or null.
SMenuMirror* FindOpenMirror(uint16_t menuID);

// Menu bar side.
void NativeMenuTitleChanged(const CNativeMenu& menu);
void RunMenuOpeningHook();
std::string ApplicationNameForMenus();
// The label of a system item.
std::string SystemItemLabel(CNativeMenu::ESystemItem kind);

} // namespace NSPlatform
