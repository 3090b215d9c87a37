// The drawing path and pointer handling of CABCWindow: canvas links, clipping, the
// update cycle, scrolling, the window manager's moves and resizes, zoom, the mouse
// wheel and the cursor.
#include "framework/windows/CABCWindow.h"

#include "framework/application/CApplication.h"
#include "framework/application/CApplicationToolbar.h"
#include "framework/graphics/CCanvas.h"
#include "framework/graphics/CDrawPort.h"
#include "framework/graphics/CGraphicManager.h"
#include "framework/windows/CCanvasToWindowLink.h"
#include "framework/windows/CDocumentWindow.h"
#include "framework/windows/CFloaterWindow.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeWindow.h"
#include "platform/display/SEventRecord.h"

#include <algorithm>

namespace NSWayfarer
{

namespace
{

// The clip outside a paint: every coordinate a rectangle can have.
const CRect kWideOpen(-32767, -32767, 32767, 32767);

CGlobalRect FromDisplay(const NSPlatform::SDisplayRect& r)
{
    auto clamp = [](int v) { return static_cast<short>(std::clamp(v, -32768, 32767)); };
    return CGlobalRect(clamp(r.mLeft), clamp(r.mTop), clamp(r.mRight), clamp(r.mBottom));
}

} // namespace

// --- Clip guard -------------------------------------------------------------------------------

CABCWindow::CClipRect::CClipRect(CABCWindow* window, CLocalRect rect) : fWindow(window)
{
    Clip(CRegion(rect));
}

CABCWindow::CClipRect::CClipRect(CABCWindow* window, const CRegion* region) : fWindow(window)
{
    Clip(region ? *region : CRegion());
}

void CABCWindow::CClipRect::Clip(const CRegion& with)
{
    CDrawPort* port = fWindow ? fWindow->MacGetPort() : nullptr;
    if (!port)
    {
        fWindow = nullptr;
        return;
    }
    port->GetClip(&fSavedClip);
    CRegion clip(fSavedClip);
    clip.AndRegion(with);
    port->SetClip(clip);
}

CABCWindow::CClipRect::~CClipRect()
{
    if (fWindow && CABCWindow::IsWindow(fWindow))
    {
        if (CDrawPort* port = fWindow->MacGetPort())
            port->SetClip(fSavedClip);
    }
}

// --- Port and links ---------------------------------------------------------------------------

CDrawPort* CABCWindow::MacGetPort() const
{
    if (!fNativeWindow)
        return nullptr;
    if (!fPort)
        fPort = std::make_unique<CDrawPort>(fNativeWindow->GetBackingStore());
    SyncPortWithNative();
    return fPort.get();
}

void CABCWindow::SyncPortWithNative() const
{
    cairo_surface_t* store = fNativeWindow->GetBackingStore();
    if (fPort->GetSurface() != store)
    {
        // A new store (a resize or another scale): everything is drawn again.
        fPort->SetSurface(store);
        const_cast<CABCWindow*>(this)->Invalidate();
    }
    const NSPlatform::SDisplayRect client = fNativeWindow->GetClientRect();
    fPort->SetGlobalPosition(static_cast<short>(client.mLeft), static_cast<short>(client.mTop));
}

CCanvasToWindowLink* CABCWindow::GetCanvasSpec() const
{
    if (fCanvasToWindowLink)
    {
        fCanvasToWindowLink->Attach();
        return fCanvasToWindowLink;
    }
    if (!fNativeWindow)
        return nullptr;
    // The new link becomes current; its one reference is the caller's.
    return new CCanvasToWindowLink(const_cast<CABCWindow*>(this));
}

void CABCWindow::AttachOffscreen(CABCBitmap* bitmap)
{
    if (!bitmap)
        return;
    new CCanvasToWindowLink(this, bitmap);
    fOffscreenBitmap = bitmap;
}

void CABCWindow::DetachOffscreen()
{
    if (fCanvasToWindowLink && fCanvasToWindowLink->GetOffscreenBitmap())
        fCanvasToWindowLink->Detach();
    fOffscreenBitmap = nullptr;
}

void CABCWindow::GlobalToLocal(short gx, short gy, short* x, short* y) const
{
    CGlobalRect client;
    GetClientRect(&client);
    *x = static_cast<short>(gx - client.fLeft);
    *y = static_cast<short>(gy - client.fTop);
}

void CABCWindow::LocalToGlobal(short x, short y, short* gx, short* gy) const
{
    CGlobalRect client;
    GetClientRect(&client);
    *gx = static_cast<short>(x + client.fLeft);
    *gy = static_cast<short>(y + client.fTop);
}

// --- Update region ----------------------------------------------------------------------------

void CABCWindow::RequestUpdate()
{
    if (fUpdateRequested || !fNativeWindow || !NSPlatform::CDisplay::IsOpen())
        return;
    NSPlatform::SEventRecord update;
    update.mWhat = NSPlatform::kUpdateEvent;
    update.mWindow = fNativeWindow.get();
    NSPlatform::CDisplay::Stamp(update);
    NSPlatform::CDisplay::PostEvent(std::move(update));
    fUpdateRequested = true;
}

void CABCWindow::Invalidate(const CLocalRect* rect)
{
    if (!rect || rect->IsEmpty())
        return;
    fUpdateRegion.OrRectangle(*rect);
    RequestUpdate();
}

void CABCWindow::Invalidate(const CRegion* region)
{
    if (!region || region->IsEmpty())
        return;
    fUpdateRegion.OrRegion(*region);
    RequestUpdate();
}

void CABCWindow::Invalidate()
{
    const CLocalRect inner = GetInnerRect();
    Invalidate(&inner);
}

void CABCWindow::Validate(const CLocalRect* rect)
{
    if (rect)
        fUpdateRegion.SubRectangle(*rect);
}

void CABCWindow::Validate(const CRegion* region)
{
    if (region)
        fUpdateRegion.SubRegion(*region);
}

void CABCWindow::Validate()
{
    fUpdateRegion.Empty();
}

void CABCWindow::PushToScreen(const CRegion& region)
{
    if (fNativeWindow && !region.IsEmpty())
        fNativeWindow->Invalidate(region.GetNative());
}

void CABCWindow::MacPushToScreen(const CLocalRect& rect)
{
    PushToScreen(CRegion(rect));
}

void CABCWindow::ForcePaint()
{
    if (CGraphicManager::gGraphicMgr)
        CGraphicManager::gGraphicMgr->MacPollForSeedChange();
    CDrawPort* port = MacGetPort();
    fUpdateRequested = false;
    if (!port)
        return;
    CRegion update(fUpdateRegion);
    update.AndRectangle(GetInnerRect());
    if (update.IsEmpty())
    {
        fUpdateRegion.Empty();
        return;
    }
    // What is not drawn by a view shows the window's background, as on an uncovered window.
    port->SetClip(update);
    {
        CCanvas canvas(GetCanvasSpec());
        const CLocalRect inner = GetInnerRect();
        canvas.DrawRect(&inner, fBackgroundColor);
    }
    DrawComplete();
    port->SetClip(CRegion(kWideOpen));
}

bool CABCWindow::WaitUntilOnScreen(int timeoutMs)
{
    if (!fNativeWindow || !fNativeWindow->IsVisible())
        return false;
    ForcePaint();
    return fNativeWindow->WaitUntilPresented(timeoutMs);
}

void CABCWindow::DrawComplete()
{
    CLocalRect all(-32000, -32000, 32000, 32000);
    DrawComplete(&all);
}

void CABCWindow::DrawComplete(CLocalRect* rect)
{
    if (!rect || !fNativeWindow)
        return;
    CRegion drawn;
    {
        CCanvas canvas(GetCanvasSpec());
        CClipRect clip(this, *rect);
        if (CDrawPort* port = MacGetPort())
        {
            port->GetClip(&drawn);
            drawn.AndRectangle(GetInnerRect());
        }
        Draw();
        Validate(rect);
    }
    // The store now holds the new pixels; the screen shows them from there.
    PushToScreen(drawn);
}

void CABCWindow::ScrollRect(CLocalRect rect, short dx, short dy)
{
    try
    {
        ForcePaint();
        CDrawPort* port = MacGetPort();
        if (!port)
            return;
        CLocalRect moved = rect;
        moved.Offset(dx, dy);
        CLocalRect kept = moved;
        CRegion uncovered(rect);
        if (kept.Intersect(rect))
        {
            CLocalRect source = kept;
            source.Offset(static_cast<short>(-dx), static_cast<short>(-dy));
            CRegion savedClip;
            port->GetClip(&savedClip);
            port->SetClip(CRegion(kWideOpen));
            port->CopyBits(*port, source, kept);
            port->SetClip(savedClip);
            uncovered.SubRectangle(kept);
        }
        PushToScreen(CRegion(rect));
        Invalidate(&uncovered);
    }
    catch (...)
    {
        // The window keeps what it showed; the next update repairs it.
    }
}

// --- Window manager: moves, resizes, zoom -------------------------------------------------

void CABCWindow::MacGetDragRect(CGlobalRect* rect)
{
    CGlobalRect desktop;
    bool any = false;
    if (CGraphicManager* manager = CGraphicManager::gGraphicMgr)
    {
        for (unsigned short i = 0; i < manager->CountScreens(); ++i)
        {
            const CGlobalRect screen = manager->GetScreenInfo(i).fScreenRect;
            if (!any)
                desktop = screen;
            else
                desktop.Add(screen);
            any = true;
        }
    }
    if (!any)
        desktop = CGraphicManager().GetMainScreenRect();
    desktop.Shrink(4);
    *rect = desktop;
}

void CABCWindow::MacClickInDrag(const NSPlatform::SEventRecord& event)
{
    try
    {
        CFloaterWindow::EndFloaterKeyboardCapture();
        if (!IsModal())
            Select();
        if (GetSelected() != this && GetNonFloatingSelected() != this)
            return;
        short x = 0;
        short y = 0;
        GlobalToLocal(event.mWhereH, event.mWhereV, &x, &y);
        if (MacIsRealtimeWindowsEnabled() && fRootGroupView->IsEnabled())
            fRootGroupView->ClickDrag(x, y);
    }
    catch (...)
    {
    }
}

void CABCWindow::MacClickInGrow(const NSPlatform::SEventRecord& event)
{
    try
    {
        CFloaterWindow::EndFloaterKeyboardCapture();
        short x = 0;
        short y = 0;
        GlobalToLocal(event.mWhereH, event.mWhereV, &x, &y);
        if (MacIsRealtimeWindowsEnabled())
        {
            if (fRootGroupView->IsEnabled())
                fRootGroupView->ClickGrow(x, y);
            return;
        }
        // The window manager tracks the outline; its result comes back as a resize.
        if (fNativeWindow)
            fNativeWindow->BeginResizeDrag(event.mButton ? event.mButton : 1, event.mWhereH,
                                           event.mWhereV);
    }
    catch (...)
    {
    }
}

void CABCWindow::MacFrameChanged(short part)
{
    if (!fNativeWindow)
        return;
    try
    {
        MacStoreWindowBorderThickness();
        CGlobalRect frame;
        GetFrameRect(&frame);
        if (part == 5 && !fNativeWindow->IsMaximized())
        {
            // The window manager's resize within the window's own limits.
            short minW = 0;
            short minH = 0;
            short maxW = 0;
            short maxH = 0;
            GetMinMaxSize(&minW, &minH, &maxW, &maxH);
            CGlobalRect client;
            FrameToClient(&frame, &client);
            CGlobalRect limited = client;
            limited.LimitSize(minW, minH, maxW, maxH);
            if (!limited.IsEqual(&client))
                ClientToFrame(&limited, &frame);
        }
        if (part == 4)
            MacAvoidIllegalWindowPositions();
        else
            Position(&frame);
    }
    catch (...)
    {
    }
}

void CABCWindow::MacHandleZoomButton(const NSPlatform::SEventRecord&, short)
{
    try
    {
        // The window manager has zoomed the window already (maximised or restored).
        MacStoreWindowBorderThickness();
        MacAvoidIllegalWindowPositions();
        CGlobalRect frame;
        GetFrameRect(&frame);
        Position(&frame);
    }
    catch (...)
    {
    }
}

void CABCWindow::MacAvoidIllegalWindowPositions()
{
    CGlobalRect frame;
    GetFrameRect(&frame);
    CApplication* application = CApplication::Get();
    CApplicationToolbar* toolbar = application ? application->GetToolbar() : nullptr;
    NSPlatform::CNativeWindow* bar = toolbar ? toolbar->GetNativeWindow() : nullptr;
    if (bar && toolbar->IsVisible())
    {
        CGlobalRect limit = FromDisplay(bar->GetFrameRect());
        limit.fBottom = static_cast<short>(limit.fBottom + 2);
        CDocumentWindow* document = nullptr;
        if (frame.DoesIntersect(&limit) && frame.fTop < limit.fBottom &&
            CDocumentWindow::WindowToDocumentWindow(this, &document))
        {
            short minW = 0;
            short minH = 0;
            short maxW = 0;
            short maxH = 0;
            GetMinMaxSize(&minW, &minH, &maxW, &maxH);
            frame.fTop = limit.fBottom;
            const short least = static_cast<short>(minH + fTopWidth + fBottomWidth);
            if (frame.GetHeight() < least)
                frame.fBottom = static_cast<short>(frame.fTop + least);
        }
    }
    Position(&frame);
}

void CABCWindow::MacHandleMouseWheel(const NSPlatform::SEventRecord& event)
{
    if (event.mDeltaV == 0)
        return;
    short x = 0;
    short y = 0;
    GlobalToLocal(event.mWhereH, event.mWhereV, &x, &y);
    // Relative to the frame, the point must lie below the top border.
    if (y + fTopWidth < fTopWidth)
        return;
    fRootGroupView->DoMouseWheel(event.mModifiers, static_cast<short>(event.mDeltaV * 120),
                                 CLocalPoint(x, y));
}

void CABCWindow::SetWindowHasSizeBox()
{
    fRootGroupView->SetSizeBox(true);
}

void CABCWindow::MacSetWindowSizeBoxBig(bool big)
{
    if (CWindowSizeBoxView* box = fRootGroupView->GetSizeBoxView())
    {
        box->fBigSize = big;
        fRootGroupView->PositionSubViews();
    }
}

CMouse::CLocalState CABCWindow::GetMouseState() const
{
    const CMouse::CGlobalState global = CMouse::GetState();
    CMouse::CLocalState local;
    local.fDown = global.fDown;
    GlobalToLocal(global.fH, global.fV, &local.fH, &local.fV);
    return local;
}

void CABCWindow::AdjustMouse()
{
    CView* owner = CView::GetMouseCaptureOwner();
    if (owner && !CView::GetDragDropManager())
    {
        owner->SetMouseCursor();
        return;
    }
    CABCWindow* window = GetWindowUnderMouseCursor();
    if (!window)
    {
        CView::SetMouseView(nullptr);
        CMouse::SetArrowShape();
        return;
    }
    const CMouse::CLocalState state = window->GetMouseState();
    CView* view = window->fRootGroupView->GetViewAtCoord(state.fH, state.fV);
    CView::SetMouseView(view);
    if (view)
        view->SetMouseCursor();
}

} // namespace NSWayfarer
