// A dialog that blocks the application's other windows while its own loop runs,
// with a default and a cancel button that Return and Escape push.
#pragma once

#include "framework/windows/CABCWindow.h"

namespace NSWayfarer
{

class CApplication;
class CPushButtonView;

class CModalDialog : public CABCWindow
{
public:
    // 0, 1: movable (titled) modal dialog; 2: modal dialog without a title bar.
    // Another style makes no window: std::bad_alloc.
    using EStyle = short;

    // The first argument (the application or the owner window) is not used.
    CModalDialog(CApplication* application, EStyle style, const char* title);
    CModalDialog(CABCWindow* owner, EStyle style, const char* title);
    // Laid out from dialog resource id; its errors propagate.
    CModalDialog(CApplication* application, EStyle style, short dialogID);
    CModalDialog(CABCWindow* owner, EStyle style, short dialogID);

    void HandleKeyDownUp(const CKeySpec* key) override;
    bool WantsToBeOnWindowsMenu() const override { return false; }

    CPushButtonView* GetDefaultItem() const { return fDefaultItem; }
    CPushButtonView* GetCancelItem() const { return fCancelItem; }
    void SetDefaultItem(CPushButtonView* item);
    void SetCancelItem(CPushButtonView* item) { fCancelItem = item; }
    EStyle GetStyle() const { return fStyle; }

    // Runs the application's nested loop until the dialog has been closed and
    // deleted; the caller must not touch it afterwards.
    static void DoModalDialog(CModalDialog* dialog);

private:
    void Create(const char* title);
    // Return, Enter and Escape: the button acts, then the key is held 8 ticks.
    static void PushFor8Ticks(CPushButtonView* button);

    EStyle fStyle;
    CPushButtonView* fDefaultItem = nullptr;
    CPushButtonView* fCancelItem = nullptr;
};

} // namespace NSWayfarer
