#include "framework/windows/CView.h"

#include "framework/application/CApplication.h"
#include "framework/application/CClickSpec.h"
#include "framework/application/CMenu.h"
#include "framework/graphics/CCanvas.h"
#include "framework/graphics/CRegion.h"
#include "framework/text/StringResources.h"
#include "framework/windows/CABCWindow.h"
#include "framework/windows/CCanvasToWindowLink.h"
#include "framework/windows/CGroupView.h"
#include "framework/windows/CMacToolTip.h"
#include "framework/windows/CSizerInfo.h"
#include "framework/windows/CViewItemInfo.h"

namespace NSWayfarer
{

CView* CView::gMouseCaptureOwner = nullptr;
CView* CView::gKeyboardCaptureOwner = nullptr;
CView* CView::gMouseCursorView = nullptr;
CABCDragDrop* CView::gDragDropManager = nullptr;

namespace
{

void StartBoost()
{
    if (CApplication* application = CApplication::Get())
        application->StartBoostIdle();
}

void StopBoost()
{
    CApplication* application = CApplication::Get();
    if (application && application->IsIdleBoosted())
        application->StopBoostIdle();
}

} // namespace

CView::CView(CGroupView* superView)
{
    if (superView)
        superView->AddSubView(this);
}

CView::CView(CGroupView* superView, const CViewItemInfo* info)
{
    if (info)
        fRect = info->fRect;
    if (superView)
        superView->AddSubView(this);
}

CView::~CView()
{
    fToolTipID.reset();
    if (gMouseCursorView == this)
        gMouseCursorView = nullptr;
    if (gMouseCaptureOwner == this)
    {
        gMouseCaptureOwner = nullptr;
        gDragDropManager = nullptr;
        StopBoost();
    }
    if (gKeyboardCaptureOwner == this)
    {
        gKeyboardCaptureOwner = nullptr;
        StopBoost();
    }
    if (fSuperView)
    {
        if (fInvalidateMode != kInvalidateNothing && IsMotherWindowShown())
            Invalidate(true);
        if (CABCWindow* window = GetMotherWindow())
        {
            window->RemoveFromTabOrderList(this);
            // A focus pointer left on a deleted view would be followed later.
            if (window->GetFocusViewPtr() == this)
                window->SetFocusViewPtr(nullptr);
        }
        fSuperView->RemoveSubView(this);
    }
    fSizerInfo.reset();
}

CABCWindow* CView::GetMotherWindow() const
{
    return fSuperView ? fSuperView->GetMotherWindow() : nullptr;
}

bool CView::IsMotherWindowShown() const
{
    CABCWindow* window = GetMotherWindow();
    return window && window->IsShown();
}

void CView::Click(const CClickSpec&)
{
    if (CanHaveFocus() && fEnabledFlag && (!fSuperView || fSuperView->IsEnabled()))
        SetFocus();
}

void CView::HandleKeyDownUp(const CKeySpec* key)
{
    if (fSuperView)
        fSuperView->HandleKeyDownUp(key);
}

void CView::SetMouseCursor()
{
    if (fSuperView)
        fSuperView->SetMouseCursor();
    else
        CMouse::SetArrowShape();
}

void CView::SetupMenus(CMenuBar* bar)
{
    if (fSuperView)
        fSuperView->SetupMenus(bar);
}

void CView::HandleMenuSelection(CMenuBar* bar, unsigned long command)
{
    if (fSuperView)
        fSuperView->HandleMenuSelection(bar, command);
}

CRGBColor CView::GetBackgroundColor() const
{
    return fSuperView ? fSuperView->GetBackgroundColor() : CRGBColor::kWhite;
}

void CView::DoContextMenu(const CLocalPoint& point)
{
    fRequestContextMenu = true;
    fRequestContextMenuPosition = point;
    CApplication::ForceSetup();
    fRequestContextMenu = false;
}

bool CView::IsContextMenuRequested(CLocalPoint& point)
{
    if (!fRequestContextMenu)
        return false;
    fRequestContextMenu = false;
    point = fRequestContextMenuPosition;
    return true;
}

bool CView::DoContextMenuUtil(const CLocalPoint& point, CMenu* menu, unsigned short* index,
                              CMenu** chosenMenu) const
{
    *index = CMenu::kNoItemChosen;
    *chosenMenu = nullptr;
    CABCWindow* window = GetMotherWindow();
    if (!menu || !window)
        return false;
    short h = 0;
    short v = 0;
    window->LocalToGlobal(point.GetX(), point.GetY(), &h, &v);
    return menu->DoContextMenu(window, h, v, index, chosenMenu);
}

void CView::PunchOut(CRegion* region, const CRegion& opaque) const
{
    CRegion limited(opaque);
    if (!LimitRegionToSuperViews(&limited))
        return;
    region->SubRegion(limited);
}

void CView::PunchOutDrawingAreaFromRegion(CRegion* region)
{
    switch (fTransparentMode)
    {
    case kViewRectAllOpaque:
        PunchOut(region, CRegion(fRect));
        break;
    case kViewRectRectOpaque:
        PunchOut(region, CRegion(GetUsedRectangle()));
        break;
    case kViewRectMixed:
        if (std::unique_ptr<CRegion> used{CreateUsedRegion()})
            PunchOut(region, *used);
        break;
    case kViewRectAllTransparent:
        break;
    }
}

unsigned long CView::GetContextHelpID() const
{
    if (fContextHelpID != 0)
        return fContextHelpID;
    return fSuperView ? fSuperView->GetContextHelpID() : 0;
}

void CView::SetToolTipText(const char* text)
{
    fToolTipID = std::make_unique<CMacToolTip>(text);
}

void CView::SetToolTipTextID(long id)
{
    char text[CMacToolTip::kMaxLength + 1] = {};
    GetMaxedResourceString(id, text, CMacToolTip::kMaxLength);
    SetToolTipText(text);
}

const char* CView::GetToolTipText() const
{
    return fToolTipID ? fToolTipID->GetText() : nullptr;
}

void CView::SetSizerInfo(const CSizerInfo& info)
{
    fSizerInfo = std::make_unique<CSizerInfo>(info);
    fSizerInfo->fMinViewSize = fRect;
}

void CView::MouseCaptureLost()
{
    if (gMouseCaptureOwner != this)
        return;
    gMouseCaptureOwner = nullptr;
    gDragDropManager = nullptr;
    StopBoost();
    CaptureLost();
}

void CView::KeyboardCaptureLost()
{
    if (gKeyboardCaptureOwner != this)
        return;
    gKeyboardCaptureOwner = nullptr;
    StopBoost();
    CaptureLost();
}

void CView::AddToEndOfTabOrder()
{
    if (CABCWindow* window = GetMotherWindow())
        window->AddToEndOfTabOrderList(this);
}

void CView::RemoveFromTabOrder()
{
    if (CABCWindow* window = GetMotherWindow())
        window->RemoveFromTabOrderList(this);
}

void CView::FWSetFocusToThisView()
{
    CABCWindow* window = GetMotherWindow();
    if (!window)
        return;
    window->SetFocusViewPtr(this);
    window->MacClearKeyboardFocus();
    HandleFocusRecieved();
    CApplication::ForceSetup();
}

void CView::FWSetNoFocus()
{
    CABCWindow* window = GetMotherWindow();
    if (window)
        window->SetFocusViewPtr(nullptr);
    HandleFocusLost();
    CApplication::ForceSetup();
}

CView* CView::GetViewAtCoord(short x, short y)
{
    return fRect.IsPointIn(x, y) ? this : fSuperView;
}

void CView::Position(const CLocalRect* rect)
{
    if (!rect || fRect.IsEqual(rect))
        return;
    const CLocalRect old = fRect;
    fRect = *rect;
    PositionChanged(&old, &fRect);
    InvalidateFromPositionChange(&old, &fRect);
}

void CView::SetSize(short w, short h)
{
    CLocalRect rect = fRect;
    rect.SetSize(w, h);
    Position(&rect);
}

void CView::PositionXY(short x, short y)
{
    CLocalRect rect = fRect;
    rect.Position(x, y);
    Position(&rect);
}

void CView::PositionRelative(short x, short y, short w, short h)
{
    CLocalRect origin;
    if (fSuperView)
        origin = fSuperView->GetInnerRect();
    CLocalRect rect(static_cast<short>(origin.fLeft + x), static_cast<short>(origin.fTop + y), 0,
                    0);
    rect.SetSize(w, h);
    Position(&rect);
}

void CView::PositionRelative(short x, short y)
{
    PositionRelative(x, y, fRect.GetWidth(), fRect.GetHeight());
}

CMouse::CLocalState CView::GetMouseState() const
{
    const CMouse::CGlobalState global = CMouse::GetState();
    CMouse::CLocalState local;
    local.fDown = global.fDown;
    local.fH = global.fH;
    local.fV = global.fV;
    if (CABCWindow* window = GetMotherWindow())
        window->GlobalToLocal(global.fH, global.fV, &local.fH, &local.fV);
    return local;
}

bool CView::IsMouseInsideView() const
{
    const CMouse::CLocalState state = GetMouseState();
    return fRect.IsPointIn(state.fH, state.fV);
}

bool CView::LimitRectToSuperViews(CLocalRect* rect) const
{
    for (const CGroupView* ancestor = fSuperView; ancestor; ancestor = ancestor->GetSuperView())
    {
        if (!rect->Intersect(ancestor->GetInvalidateLimitRect()))
            return false;
    }
    return !rect->IsEmpty();
}

bool CView::LimitRegionToSuperViews(CRegion* region) const
{
    for (const CGroupView* ancestor = fSuperView; ancestor; ancestor = ancestor->GetSuperView())
    {
        region->AndRectangle(ancestor->GetInvalidateLimitRect());
        if (region->IsEmpty())
            return false;
    }
    return !region->IsEmpty();
}

void CView::Invalidate(const CLocalRect* rect, bool limit)
{
    if (!rect || !IsMotherWindowShown())
        return;
    CLocalRect r = *rect;
    if (limit && !LimitRectToSuperViews(&r))
        return;
    GetMotherWindow()->Invalidate(&r);
}

void CView::Invalidate(bool limit)
{
    Invalidate(&fRect, limit);
}

void CView::Invalidate(const CRegion* region, bool limit)
{
    if (!region || !IsMotherWindowShown())
        return;
    if (limit)
    {
        CRegion copy(*region);
        if (LimitRegionToSuperViews(&copy))
        {
            GetMotherWindow()->Invalidate(&copy);
            return;
        }
    }
    GetMotherWindow()->Invalidate(region);
}

void CView::Validate(const CLocalRect* rect)
{
    if (!rect || !IsMotherWindowShown())
        return;
    CLocalRect r = *rect;
    if (!LimitRectToSuperViews(&r))
        return;
    GetMotherWindow()->Validate(&r);
}

void CView::Validate()
{
    Validate(&fRect);
}

void CView::InvalidateFromPositionChange(const CLocalRect* oldRect, const CLocalRect* newRect)
{
    switch (fInvalidateMode)
    {
    case kInvalidateNothing:
        break;
    case kInvalidateAllViewOnResize:
        Invalidate(oldRect, false);
        Invalidate(newRect, false);
        break;
    case kInvalidateNewArea:
        if (oldRect->fLeft == newRect->fLeft && oldRect->fTop == newRect->fTop)
        {
            CRegion area(*oldRect);
            area.InvertRectangle(*newRect);
            Invalidate(&area, false);
        }
        else
        {
            Invalidate(oldRect, false);
            Invalidate(newRect, false);
        }
        break;
    case kInvalidateCustom:
        CustomInvalidate(oldRect, newRect);
        break;
    }
}

void CView::DeepDrawPartial(CLocalRect* rect)
{
    if (CABCWindow* window = GetMotherWindow())
        window->DrawComplete(rect);
}

CCanvasToWindowLink* CView::GetCanvasSpec() const
{
    CABCWindow* window = GetMotherWindow();
    return window ? window->GetCanvasSpec() : nullptr;
}

void CView::EraseRect(const CLocalRect* rect)
{
    CCanvasToWindowLink* link = GetCanvasSpec();
    if (!link || !rect)
        return;
    CCanvas canvas(link);
    canvas.DrawRect(rect, GetBackgroundColor());
}

void CView::Erase()
{
    EraseRect(&fRect);
}

void CView::SetEnabled(bool enabled)
{
    if (fEnabledFlag == enabled)
        return;
    const bool losesFocus = !enabled && DoesThisOrSubViewHaveFocus();
    fEnabledFlag = enabled;
    if (losesFocus)
    {
        if (CABCWindow* window = GetMotherWindow())
        {
            window->LoseViewFocus();
            // Nothing else could take it: the disabled view must not keep it.
            if (DoesThisOrSubViewHaveFocus())
                window->SetNoFocus();
        }
    }
}

bool CView::IsEnabled() const
{
    for (const CView* view = this; view; view = view->fSuperView)
    {
        if (!view->fEnabledFlag)
            return false;
    }
    return true;
}

bool CView::HasFocus() const
{
    CABCWindow* window = GetMotherWindow();
    return window && window->GetFocusView() == this;
}

bool CView::SetFocus()
{
    if (!IsEnabled())
        return false;
    CABCWindow* window = GetMotherWindow();
    if (!window)
        return false;
    window->SetFocusView(this);
    return true;
}

bool CView::DoesThisOrSubViewHaveFocus() const
{
    CABCWindow* window = GetMotherWindow();
    if (!window)
        return false;
    for (const CView* view = window->GetFocusView(); view; view = view->fSuperView)
    {
        if (view == this)
            return true;
    }
    return false;
}

bool CView::BeginMouseCapture()
{
    if (gMouseCaptureOwner)
        return false;
    gMouseCaptureOwner = this;
    StartBoost();
    return true;
}

void CView::EndMouseCapture()
{
    if (gMouseCaptureOwner != this)
        return;
    gMouseCaptureOwner = nullptr;
    StopBoost();
}

bool CView::BeginKeyboardCapture()
{
    CABCWindow* window = GetMotherWindow();
    if (gKeyboardCaptureOwner || !window || window != CABCWindow::GetNonFloatingSelected())
        return false;
    gKeyboardCaptureOwner = this;
    StartBoost();
    return true;
}

void CView::EndKeyboardCapture()
{
    if (gKeyboardCaptureOwner != this)
        return;
    gKeyboardCaptureOwner = nullptr;
    StopBoost();
}

bool CView::BeginDragDrop(CABCDragDrop* manager)
{
    if (!BeginMouseCapture())
        return false;
    gDragDropManager = manager;
    return true;
}

void CView::EndDragDrop(CABCDragDrop*)
{
    EndMouseCapture();
    gDragDropManager = nullptr;
}

void CView::SetMouseView(CView* view)
{
    if (view == gMouseCursorView)
        return;
    CView* old = gMouseCursorView;
    gMouseCursorView = view;
    if (old)
        old->MouseExited();
    if (view)
        view->MouseEntered();
}

} // namespace NSWayfarer
