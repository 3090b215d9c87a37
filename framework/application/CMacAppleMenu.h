// The application menu, first on the bar: the application's About item followed by
// the items the window system keeps there itself (Quit).
#pragma once

#include "framework/application/CMenu.h"

namespace NSWayfarer
{

class CMacAppleMenu : public CMenu
{
public:
    // The About item's text ("SSTR" string identifier) and command.
    CMacAppleMenu(long aboutStringID, unsigned long aboutCommandID);

    // Disables the application's items; the system's keep their state.
    void ResetAllItems() override;
    // A selection of one of the system's items: the window system carries it out.
    void HandleSystemMenus(long selection);
};

} // namespace NSWayfarer
