// One link of a window's stack of drawing destinations: the window's own port or
// an off-screen bitmap that takes the window's drawing for a while. Reference
// counted: each canvas on the window holds one reference.
#pragma once

#include "framework/graphics/CABCCanvasLink.h"

#include <cstdint>

namespace NSWayfarer
{

class CABCBitmap;
class CABCWindow;
class CCanvasAttributeProxy;

class CCanvasToWindowLink : public CABCCanvasLink
{
public:
    // The window's port; becomes the window's current link.
    explicit CCanvasToWindowLink(CABCWindow* window);
    // Drawing goes to the bitmap instead of the window until the link is released.
    CCanvasToWindowLink(CABCWindow* window, CABCBitmap* bitmap);
    CCanvasToWindowLink(const CCanvasToWindowLink&) = delete;
    CCanvasToWindowLink& operator=(const CCanvasToWindowLink&) = delete;

    void Attach() { ++fRefCount; }
    short Detach() override;

    CABCWindow* GetWindow() const { return fWindow; }
    CABCBitmap* GetOffscreenBitmap() const override { return fOffscreenBitmap; }
    CCanvasAttributeProxy* GetProxy() const override { return fProxy; }
    CDrawPort* GetWindowPort() const override;
    short GetRefCount() const { return fRefCount; }
    CCanvasToWindowLink* GetPrevious() const { return fPrevious; }
    // The window is going away while canvases still hold links of its stack (this one
    // and those below it): releasing them later no longer touches the window.
    void WindowDisposed();

private:
    ~CCanvasToWindowLink() override;
    void Dispose();

    CABCWindow* fWindow = nullptr;
    CABCBitmap* fOffscreenBitmap = nullptr;
    bool fAllocatedProxyFlag = false;
    CCanvasAttributeProxy* fProxy = nullptr;
    int16_t fRefCount = 1;
    CCanvasToWindowLink* fPrevious = nullptr;
};

} // namespace NSWayfarer
