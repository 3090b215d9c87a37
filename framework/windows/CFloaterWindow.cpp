#include "framework/windows/CFloaterWindow.h"

namespace NSWayfarer
{

CFloaterWindow* CFloaterWindow::gFloaterKeyboardCapture = nullptr;

CFloaterWindow::CFloaterWindow(const char* title, bool resizable) : fResizable(resizable)
{
    MacCreateNative(resizable ? kStyleFloatingGrow : kStyleFloating, title);
    if (resizable)
    {
        SetWindowHasSizeBox();
        MacSetWindowSizeBoxBig(false);
    }
    AddWindow();
}

CFloaterWindow::~CFloaterWindow()
{
    // A deleted floater must not be left holding the keyboard.
    if (gFloaterKeyboardCapture == this)
        gFloaterKeyboardCapture = nullptr;
}

void CFloaterWindow::EndFloaterKeyboardCapture()
{
    CFloaterWindow* floater = gFloaterKeyboardCapture;
    if (floater && floater->GetFocusView())
        floater->SetNoFocus();
    gFloaterKeyboardCapture = nullptr;
}

void CFloaterWindow::MarkForClosing()
{
    if (gFloaterKeyboardCapture == this)
        EndFloaterKeyboardCapture();
    CABCWindow::MarkForClosing();
}

void CFloaterWindow::Click(const CClickSpec& spec)
{
    BeginFloaterKeyboardCapture();
    CABCWindow::Click(spec);
}

} // namespace NSWayfarer
