// What a window canvas needs from the window it draws into: the port's attribute proxy (the
// window's own, or an off-screen bitmap's while one is attached), the window's port for
// coordinate conversion, and a reference to give back. The window layer's canvas link
// implements it.
#pragma once

namespace NSWayfarer
{

class CABCBitmap;
class CCanvasAttributeProxy;
class CDrawPort;

class CABCCanvasLink
{
public:
    virtual ~CABCCanvasLink() = default;

    virtual CCanvasAttributeProxy* GetProxy() const = 0;
    // The bitmap that receives drawing instead of the window, or null.
    virtual CABCBitmap* GetOffscreenBitmap() const = 0;
    // The window's own port, whose position on the screen relates local and global points.
    virtual CDrawPort* GetWindowPort() const = 0;
    // Drops one reference (the link may delete itself); returns how many are left.
    virtual short Detach() = 0;
};

} // namespace NSWayfarer
