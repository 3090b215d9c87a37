#include "framework/graphics/CCanvas.h"

#include "framework/graphics/CABCCanvasLink.h"
#include "framework/graphics/CDrawPort.h"

namespace NSWayfarer
{

namespace
{

TScreenDepthSource gScreenDepthSource = nullptr;

} // namespace

CCanvas::CCanvas(CABCCanvasLink* link)
    : CABCCanvas(link != nullptr ? link->GetProxy() : nullptr), fLink(link)
{
}

CCanvas::~CCanvas()
{
    if (fLink != nullptr)
        fLink->Detach();
    fLink = nullptr;
    SetProxy(nullptr);
}

CABCBitmap* CCanvas::GetDestBitmap()
{
    return fLink != nullptr ? fLink->GetOffscreenBitmap() : nullptr;
}

unsigned char CCanvas::GetBitDepth() const
{
    return gScreenDepthSource != nullptr ? gScreenDepthSource() : 32;
}

void CCanvas::LocalToGlobal(short x, short y, short* gx, short* gy) const
{
    CDrawPort* port = fLink != nullptr ? fLink->GetWindowPort() : nullptr;
    if (port == nullptr)
    {
        *gx = x;
        *gy = y;
        return;
    }
    port->LocalToGlobal(x, y, gx, gy);
}

void CCanvas::GlobalToLocal(short gx, short gy, short* x, short* y) const
{
    CDrawPort* port = fLink != nullptr ? fLink->GetWindowPort() : nullptr;
    if (port == nullptr)
    {
        *x = gx;
        *y = gy;
        return;
    }
    port->GlobalToLocal(gx, gy, x, y);
}

void CCanvas::LocalToGlobal(const CLocalRect* r, CGlobalRect* out) const
{
    LocalToGlobal(r->fLeft, r->fTop, &out->fLeft, &out->fTop);
    LocalToGlobal(r->fRight, r->fBottom, &out->fRight, &out->fBottom);
}

void CCanvas::GlobalToLocal(const CGlobalRect* r, CLocalRect* out) const
{
    GlobalToLocal(r->fLeft, r->fTop, &out->fLeft, &out->fTop);
    GlobalToLocal(r->fRight, r->fBottom, &out->fRight, &out->fBottom);
}

void CCanvas::SetScreenDepthSource(TScreenDepthSource source)
{
    gScreenDepthSource = source;
}

} // namespace NSWayfarer
