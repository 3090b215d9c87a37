// A floating palette window kept above the application's other windows; a click
// in it gives it the keyboard until a click elsewhere takes it back.
#pragma once

#include "framework/windows/CABCWindow.h"

namespace NSWayfarer
{

class CFloaterWindow : public CABCWindow
{
public:
    CFloaterWindow(const char* title, bool resizable);
    ~CFloaterWindow() override;

    void MarkForClosing() override;
    void Click(const CClickSpec& spec) override;
    bool WantsToBeOnWindowsMenu() const override { return false; }
    bool WantsCloseMenu() const override { return true; }
    bool IsFloating() const override { return true; }
    bool IsResizable() const { return fResizable; }

    void BeginFloaterKeyboardCapture() { gFloaterKeyboardCapture = this; }
    static void EndFloaterKeyboardCapture();
    static CFloaterWindow* GetFloaterKeyboardCapture() { return gFloaterKeyboardCapture; }

private:
    bool fResizable;
    static CFloaterWindow* gFloaterKeyboardCapture;
};

} // namespace NSWayfarer
