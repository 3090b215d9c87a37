// A titled dialog window that does not block the others; the updater's main
// window is one.
#pragma once

#include "framework/windows/CABCWindow.h"

namespace NSWayfarer
{

class CModelessDialog : public CABCWindow
{
public:
    enum EStyle
    {
        kTitledDialog = 0,
        kTitledContextHelpDialog = 1,
        kResizeableTitledDialog = 2
    };

    // A style outside the three above makes no window: std::bad_alloc.
    CModelessDialog(EStyle style, const char* title);
    // Laid out from dialog resource id.
    CModelessDialog(EStyle style, short dialogID);

    bool WantsCloseMenu() const override { return true; }
    EStyle GetStyle() const { return fStyle; }

private:
    EStyle fStyle;
};

} // namespace NSWayfarer
