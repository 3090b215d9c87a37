// The window list as menus see it: window-list items and context menus reach the
// framework's windows through this adapter, installed when the first window is made.
#pragma once

#include "framework/application/CMenuWindowAccess.h"

namespace NSWayfarer
{

class CWindowMenuAccess : public CMenuWindowAccess
{
public:
    // Installs the one adapter unless one is installed already.
    static void InstallOnce();

    unsigned short CountWindows() const override;
    CABCWindow* GetEnumWindow(unsigned short index) const override;
    bool IsShown(CABCWindow* window) const override;
    bool WantsToBeOnWindowsMenu(CABCWindow* window) const override;
    void GetTitle(CABCWindow* window, char* out) const override;
    CABCWindow* GetSelected() const override;
    void Select(CABCWindow* window) override;
    void ReleaseMouseButton(CABCWindow* window) override;
    NSPlatform::CNativeWindow* GetNativeWindow(CABCWindow* window) const override;
};

} // namespace NSWayfarer
