#include "framework/windows/CCanvasToWindowLink.h"

#include "framework/graphics/CABCBitmap.h"
#include "framework/graphics/CCanvasAttributeProxy.h"
#include "framework/graphics/CDrawPort.h"
#include "framework/graphics/CGraphicManager.h"
#include "framework/windows/CABCWindow.h"

namespace NSWayfarer
{

CCanvasToWindowLink::CCanvasToWindowLink(CABCWindow* window) : fWindow(window)
{
    CDrawPort* port = window->MacGetPort();
    const CMacSuperPort superPort(port);
    fProxy = new CCanvasAttributeProxy(superPort);
    fAllocatedProxyFlag = true;
    fProxy->Reset();
    if (CGraphicManager::gGraphicMgr)
        CGraphicManager::gGraphicMgr->MacSetSuperPort(&superPort);
    else
        superPort.MakeCurrent();
    port->RGBBackColor(CRGBColor(0xFFFF, 0xFFFF, 0xFFFF));
    fPrevious = window->GetCanvasToWindowLink();
    window->SetCanvasToWindowLink(this);
}

CCanvasToWindowLink::CCanvasToWindowLink(CABCWindow* window, CABCBitmap* bitmap)
    : fWindow(window), fOffscreenBitmap(bitmap)
{
    fProxy = bitmap->GetProxy();
    fPrevious = window->GetCanvasToWindowLink();
    window->SetCanvasToWindowLink(this);
}

CCanvasToWindowLink::~CCanvasToWindowLink()
{
    Dispose();
}

void CCanvasToWindowLink::Dispose()
{
    if (fAllocatedProxyFlag)
        delete fProxy;
    fAllocatedProxyFlag = false;
    fProxy = nullptr;
    if (fWindow)
    {
        if (fWindow->GetCanvasToWindowLink() == this)
        {
            fWindow->SetCanvasToWindowLink(fPrevious);
        }
        else
        {
            // Released below the top: the link above now rests on the one below.
            for (CCanvasToWindowLink* link = fWindow->GetCanvasToWindowLink(); link;
                 link = link->fPrevious)
            {
                if (link->fPrevious == this)
                {
                    link->fPrevious = fPrevious;
                    break;
                }
            }
        }
    }
    fWindow = nullptr;
    fOffscreenBitmap = nullptr;
    fPrevious = nullptr;
}

short CCanvasToWindowLink::Detach()
{
    const short left = --fRefCount;
    if (left <= 0)
        delete this;
    return left;
}

CDrawPort* CCanvasToWindowLink::GetWindowPort() const
{
    return fWindow ? fWindow->MacGetPort() : nullptr;
}

void CCanvasToWindowLink::WindowDisposed()
{
    for (CCanvasToWindowLink* link = this; link; link = link->fPrevious)
        link->fWindow = nullptr;
}

} // namespace NSWayfarer
