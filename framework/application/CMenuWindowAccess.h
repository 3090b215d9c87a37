// What menus need of the framework's windows (the window list and the window a
// context menu belongs to), so that menus do not depend on the window classes.
// The window layer installs one; without it there are no windows to list.
#pragma once

namespace NSPlatform
{
class CNativeWindow;
}

namespace NSWayfarer
{

class CABCWindow;

class CMenuWindowAccess
{
public:
    virtual ~CMenuWindowAccess() = default;

    // The windows in enumeration order.
    virtual unsigned short CountWindows() const = 0;
    virtual CABCWindow* GetEnumWindow(unsigned short index) const = 0;
    virtual bool IsShown(CABCWindow* window) const = 0;
    virtual bool WantsToBeOnWindowsMenu(CABCWindow* window) const = 0;
    // out holds 256 bytes.
    virtual void GetTitle(CABCWindow* window, char* out) const = 0;
    virtual CABCWindow* GetSelected() const = 0;
    virtual void Select(CABCWindow* window) = 0;
    // The mouse button went up while a context menu was open.
    virtual void ReleaseMouseButton(CABCWindow* window) = 0;
    // The native window a context menu is shown over (null: none).
    virtual NSPlatform::CNativeWindow* GetNativeWindow(CABCWindow* window) const = 0;

    // Null uninstalls. The caller keeps ownership.
    static void Install(CMenuWindowAccess* access) { gAccess = access; }
    static CMenuWindowAccess* Get() { return gAccess; }

private:
    static inline CMenuWindowAccess* gAccess = nullptr;
};

} // namespace NSWayfarer
