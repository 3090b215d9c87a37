// One menu of the window system: a title and items numbered from 1, kept as data
// (so menus work without a display) and mirrored into the toolkit's menus wherever
// the menu is shown: each window's menu bar, submenus and pop-ups.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace NSPlatform
{

class CNativeWindow;

class CNativeMenu
{
public:
    // A title of this one character makes the application menu: it is shown with the
    // application's name and starts with the system's own items (a divider, "Quit").
    static constexpr char kApplicationMenuTitle = 0x14;
    // Item texts that start with a hyphen are dividers (this one is the usual);
    // a text that starts with a NUL shows the rest, so "\0-x" shows "-x".
    static constexpr const char* kDividerText = "-";
    // Item marks: a check mark, or (with the hierarchical command) a submenu's id.
    static constexpr uint16_t kCheckMark = 0x12;
    static constexpr uint8_t kHierarchicalCommand = 0x1B;

    // The items the system placed in its own menus.
    enum ESystemItem
    {
        kNoSystemItem,
        kQuitItem, // "Quit <application>", Ctrl+Q: records a quit event
        kHelpItem  // "<application> Help": the framework opens its help book
    };

    CNativeMenu(uint16_t id, const std::string& title);
    ~CNativeMenu();
    CNativeMenu(const CNativeMenu&) = delete;
    CNativeMenu& operator=(const CNativeMenu&) = delete;

    uint16_t GetID() const;
    void SetTitle(const std::string& title);
    std::string GetTitle() const;
    // The title as the menu bar shows it (the application's name for the application menu).
    std::string GetShownTitle() const;
    bool IsApplicationMenu() const;

    // Items are numbered from 1; numbers out of range are ignored (getters give
    // empty values).
    int CountItems() const;
    // A new enabled item with text after item `after` (0: first; past the end: last).
    void InsertItem(int after, const std::string& text);
    void DeleteItem(int item);
    void SetItemText(int item, const std::string& text);
    std::string GetItemText(int item) const;
    bool IsItemDivider(int item) const;
    // What the item shows (the text without a leading NUL).
    std::string GetItemLabel(int item) const;
    // A command-key character (shown as Ctrl+key), or kHierarchicalCommand.
    void SetItemCommand(int item, uint8_t command);
    uint8_t GetItemCommand(int item) const;
    // kCheckMark, or the submenu's id when the command is kHierarchicalCommand; 0: none.
    void SetItemMark(int item, uint16_t mark);
    uint16_t GetItemMark(int item) const;
    // The submenu's id, 0 when the item has none.
    uint16_t GetItemSubMenuID(int item) const;
    void SetItemEnabled(int item, bool enabled);
    bool IsItemEnabled(int item) const;
    ESystemItem GetSystemItem(int item) const;
    void SetSystemItem(int item, ESystemItem kind);

    // The whole menu (its title on the bar).
    void SetEnabled(bool enabled);
    bool IsEnabled() const;

    // Pops the menu up with its top-left corner at the global point (over a window
    // of the application when given) and waits in a nested loop, which keeps serving
    // the main queue, until the user chose an item or dismissed the menu. Returns
    // (menu id << 16 | item), the menu being this one or one of its submenus, or 0.
    uint32_t PopUpSelect(int16_t h, int16_t v, CNativeWindow* over);
    // True while a pop-up of any menu is open.
    static bool IsPopUpOpen();

    struct SImpl;
    SImpl& Impl() const { return *fImpl; }

private:
    std::unique_ptr<SImpl> fImpl;
};

} // namespace NSPlatform
