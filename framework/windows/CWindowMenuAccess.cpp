#include "framework/windows/CWindowMenuAccess.h"

#include "framework/windows/CABCWindow.h"

namespace NSWayfarer
{

void CWindowMenuAccess::InstallOnce()
{
    static CWindowMenuAccess gAccess;
    if (!CMenuWindowAccess::Get())
        CMenuWindowAccess::Install(&gAccess);
}

unsigned short CWindowMenuAccess::CountWindows() const
{
    return CABCWindow::CountWindows();
}

CABCWindow* CWindowMenuAccess::GetEnumWindow(unsigned short index) const
{
    return CABCWindow::GetEnumWindow(index);
}

// Menus keep window pointers only while a menu is built or open; a window closed
// meanwhile is answered for as if it were not there.
bool CWindowMenuAccess::IsShown(CABCWindow* window) const
{
    return CABCWindow::IsWindow(window) && window->IsShown();
}

bool CWindowMenuAccess::WantsToBeOnWindowsMenu(CABCWindow* window) const
{
    return CABCWindow::IsWindow(window) && window->WantsToBeOnWindowsMenu();
}

void CWindowMenuAccess::GetTitle(CABCWindow* window, char* out) const
{
    if (CABCWindow::IsWindow(window))
        window->GetTitle(out);
    else
        out[0] = 0;
}

CABCWindow* CWindowMenuAccess::GetSelected() const
{
    return CABCWindow::GetSelected();
}

void CWindowMenuAccess::Select(CABCWindow* window)
{
    if (CABCWindow::IsWindow(window))
        window->Select();
}

void CWindowMenuAccess::ReleaseMouseButton(CABCWindow*)
{
    CABCWindow::ReleaseMouseButton();
}

NSPlatform::CNativeWindow* CWindowMenuAccess::GetNativeWindow(CABCWindow* window) const
{
    return CABCWindow::IsWindow(window) ? window->GetNative() : nullptr;
}

} // namespace NSWayfarer
