// The root view of every window and the size box view in its corner.
#include "framework/application/CApplication.h"
#include "framework/windows/CABCWindow.h"

namespace NSWayfarer
{

CABCWindow::CWindowRootGroupView::CWindowRootGroupView(CABCWindow* window)
    : CGroupView(nullptr), fOwningWindow(window)
{
    fInvalidateMode = kInvalidateNewArea;
}

CABCWindow::CWindowRootGroupView::~CWindowRootGroupView()
{
    delete fWindowSizeBoxView;
    fWindowSizeBoxView = nullptr;
}

void CABCWindow::CWindowRootGroupView::SetSizeBox(bool big)
{
    if (!fWindowSizeBoxView)
        fWindowSizeBoxView = new CWindowSizeBoxView(this);
    fWindowSizeBoxView->fBigSize = big;
    PositionSubViews();
}

void CABCWindow::CWindowRootGroupView::PositionSubViews()
{
    if (fWindowSizeBoxView)
    {
        const CLocalRect inner = GetInnerRect();
        const short size = fWindowSizeBoxView->fBigSize ? 15 : 9;
        const CLocalRect box(static_cast<short>(inner.fRight - size),
                             static_cast<short>(inner.fBottom - size), inner.fRight,
                             inner.fBottom);
        fWindowSizeBoxView->Position(&box);
    }
    CGroupView::PositionSubViews();
}

void CABCWindow::CWindowRootGroupView::HandleKeyDownUp(const CKeySpec* key)
{
    fOwningWindow->HandleKeyDownUp(key);
}

void CABCWindow::CWindowRootGroupView::SetupMenus(CMenuBar* bar)
{
    fOwningWindow->SetupMenus(bar);
}

void CABCWindow::CWindowRootGroupView::HandleMenuSelection(CMenuBar* bar, unsigned long command)
{
    fOwningWindow->HandleMenuSelection(bar, command);
}

CRGBColor CABCWindow::CWindowRootGroupView::GetBackgroundColor() const
{
    return fOwningWindow->fBackgroundColor;
}

unsigned long CABCWindow::CWindowRootGroupView::GetContextHelpID() const
{
    return fContextHelpID != 0 ? fContextHelpID : fOwningWindow->GetContextHelpID();
}

void CABCWindow::CWindowRootGroupView::StartTracking(EClickType type, short x, short y)
{
    if (!BeginMouseCapture())
        return;
    CGlobalRect frame;
    fOwningWindow->GetFrameRect(&frame);
    short gx = 0;
    short gy = 0;
    fOwningWindow->LocalToGlobal(x, y, &gx, &gy);
    fInitClickX = x;
    fInitClickY = y;
    if (type == kClickTypeDrag)
    {
        fClickOffsetX = static_cast<int16_t>(gx - frame.fLeft);
        fClickOffsetY = static_cast<int16_t>(gy - frame.fTop);
    }
    else
    {
        fClickOffsetX = static_cast<int16_t>(frame.fRight - gx);
        fClickOffsetY = static_cast<int16_t>(frame.fBottom - gy);
    }
    fClickType = type;
    if (CApplication* application = CApplication::Get())
        application->StartBoostIdle();
}

void CABCWindow::CWindowRootGroupView::ClickDrag(short x, short y)
{
    StartTracking(kClickTypeDrag, x, y);
}

void CABCWindow::CWindowRootGroupView::ClickGrow(short x, short y)
{
    StartTracking(kClickTypeGrow, x, y);
}

void CABCWindow::CWindowRootGroupView::Idle()
{
    if (DoesViewHaveMouseCapture() && fClickType != kClickTypeNone)
    {
        const CMouse::CGlobalState mouse = CMouse::GetState();
        CGlobalRect frame;
        fOwningWindow->GetFrameRect(&frame);
        CGlobalRect target = frame;
        if (fClickType == kClickTypeDrag)
        {
            target.Position(static_cast<short>(mouse.fH - fClickOffsetX),
                            static_cast<short>(mouse.fV - fClickOffsetY));
            CGlobalRect limit;
            CABCWindow::MacGetDragRect(&limit);
            target.MoveJustInside(&limit);
        }
        else
        {
            target.fRight = static_cast<short>(mouse.fH + fClickOffsetX);
            target.fBottom = static_cast<short>(mouse.fV + fClickOffsetY);
            CGlobalRect client;
            fOwningWindow->FrameToClient(&target, &client);
            short minW = 0;
            short minH = 0;
            short maxW = 0;
            short maxH = 0;
            fOwningWindow->GetMinMaxSize(&minW, &minH, &maxW, &maxH);
            client.LimitSize(minW, minH, maxW, maxH);
            fOwningWindow->ClientToFrame(&client, &target);
        }
        if (!target.IsEqual(&frame))
            fOwningWindow->Position(&target);
    }
    CGroupView::Idle();
}

void CABCWindow::CWindowRootGroupView::Release()
{
    if (!DoesViewHaveMouseCapture())
        return;
    if (fClickType != kClickTypeNone)
    {
        if (CApplication* application = CApplication::Get())
            application->StopBoostIdle();
    }
    EndMouseCapture();
    fClickType = kClickTypeNone;
}

void CABCWindow::CWindowRootGroupView::CaptureLost()
{
    // The capture went elsewhere mid-track: the extra boost of the track goes too.
    if (fClickType != kClickTypeNone)
    {
        if (CApplication* application = CApplication::Get())
            application->StopBoostIdle();
    }
    fClickType = kClickTypeNone;
}

} // namespace NSWayfarer
