// The window system's help menu (its own item opens the application's help book)
// with the application's items appended.
#pragma once

#include "framework/application/CMenu.h"

namespace NSWayfarer
{

class CMacHelpMenu : public CMenu
{
public:
    CMacHelpMenu();
    // The application's items from a menu script, after a divider.
    explicit CMacHelpMenu(long scriptID);
    // The system's menu stays; only the application's items leave it.
    ~CMacHelpMenu() override;

    // Disables the application's items only.
    void ResetAllItems() override;
    unsigned short GetFirstOwnItemIndex() const { return fFirstOwnItemIndex; }

private:
    void TakeSystemHelpMenu();
    void ForgetSystemHelpMenu();

    unsigned short fFirstOwnItemIndex = 0;
};

} // namespace NSWayfarer
