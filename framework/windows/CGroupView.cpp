#include "framework/windows/CGroupView.h"

#include "framework/application/CClickSpec.h"
#include "framework/graphics/CCanvas.h"
#include "framework/graphics/CRegion.h"
#include "framework/windows/CABCWindow.h"
#include "framework/windows/CCanvasToWindowLink.h"

#include <vector>

namespace NSWayfarer
{

CGroupView::CGroupView(CGroupView* superView) : CView(superView)
{
    fTransparentMode = kViewRectAllTransparent;
    fInvalidateMode = kInvalidateNothing;
}

CGroupView::CGroupView(CGroupView* superView, const CViewItemInfo* info) : CView(superView, info)
{
    fTransparentMode = kViewRectAllTransparent;
    fInvalidateMode = kInvalidateNothing;
}

CGroupView::~CGroupView()
{
    // Subviews that outlive their group must not reach back into it.
    while (!fSubViewList.IsEmpty())
        fSubViewList.HeadRemove()->SetSuperView(nullptr);
}

template <typename F> void CGroupView::ForEachSubView(F&& f)
{
    std::vector<CView*> views;
    for (CView* view : fSubViewList)
        views.push_back(view);
    for (CView* view : views)
    {
        // A handler may have removed (or deleted) a later view.
        CView** slot = nullptr;
        if (!fSubViewList.FindPtr(view, &slot))
            continue;
        f(view);
    }
}

void CGroupView::AddSubView(CView* view)
{
    if (!view)
        return;
    fSubViewList.TailInsert(view);
    view->SetSuperView(this);
}

void CGroupView::RemoveSubView(CView* view)
{
    unsigned long index = 0;
    if (view && fSubViewList.FindIndex(view, &index))
    {
        fSubViewList.RemoveAtIndex(index);
        view->SetSuperView(nullptr);
    }
}

void CGroupView::DeleteAndRemoveSubViews()
{
    while (!fSubViewList.IsEmpty())
        delete fSubViewList.GetHead();
}

void CGroupView::Idle()
{
    ForEachSubView([](CView* view) { view->Idle(); });
}

void CGroupView::HandleChangeRequests()
{
    ForEachSubView([](CView* view) { view->HandleChangeRequests(); });
}

void CGroupView::SetupState()
{
    ForEachSubView([](CView* view) { view->SetupState(); });
}

void CGroupView::UpdateGraphics()
{
    ForEachSubView([](CView* view) { view->UpdateGraphics(); });
}

void CGroupView::Primed()
{
    PositionSubViews();
    ForEachSubView([](CView* view) { view->Primed(); });
}

void CGroupView::PositionChanged(const CLocalRect*, const CLocalRect*)
{
    PositionSubViews();
}

void CGroupView::Click(const CClickSpec& spec)
{
    CView::Click(spec);
    if (!fRect.IsPointIn(spec.GetX(), spec.GetY()))
        return;
    for (CView* view : fSubViewList)
    {
        if (view->GetRect().IsPointIn(spec.GetX(), spec.GetY()) && view->IsEnabled())
        {
            view->Click(spec);
            return;
        }
    }
}

void CGroupView::Drop(const CDropSpec& spec)
{
    if (!fRect.IsPointIn(spec.GetX(), spec.GetY()))
        return;
    for (CView* view : fSubViewList)
    {
        if (view->GetRect().IsPointIn(spec.GetX(), spec.GetY()) && view->IsEnabled())
        {
            view->Drop(spec);
            return;
        }
    }
}

void CGroupView::DoContextMenu(const CLocalPoint& point)
{
    for (CView* view : fSubViewList)
    {
        if (view->GetRect().IsPointIn(point.GetX(), point.GetY()))
        {
            view->DoContextMenu(point);
            return;
        }
    }
}

void CGroupView::DoMouseWheel(unsigned short modifiers, short delta, const CLocalPoint& point)
{
    for (CView* view : fSubViewList)
    {
        if (view->GetRect().IsPointIn(point.GetX(), point.GetY()))
        {
            view->DoMouseWheel(modifiers, delta, point);
            return;
        }
    }
}

CView* CGroupView::GetViewAtCoord(short x, short y)
{
    if (!fRect.IsPointIn(x, y))
        return fSuperView;
    for (CView* view : fSubViewList)
    {
        if (view->GetRect().IsPointIn(x, y))
            return view->GetViewAtCoord(x, y);
    }
    return this;
}

void CGroupView::PunchOutDrawingAreaFromRegion(CRegion* region)
{
    if (fTransparentMode == kViewRectAllOpaque)
    {
        CView::PunchOutDrawingAreaFromRegion(region);
        return;
    }
    CView::PunchOutDrawingAreaFromRegion(region);
    CABCWindow* window = GetMotherWindow();
    for (CView* view : fSubViewList)
    {
        if (!window || window->IsVisible(view->GetRect()))
            view->PunchOutDrawingAreaFromRegion(region);
    }
}

CRegion CGroupView::CreateSubViewClipRegion()
{
    CRegion region(fRect);
    CABCWindow* window = GetMotherWindow();
    for (CView* view : fSubViewList)
    {
        if (!window || window->IsVisible(view->GetRect()))
            view->PunchOutDrawingAreaFromRegion(&region);
    }
    return region;
}

void CGroupView::DrawSubViewsOnly()
{
    CABCWindow* window = GetMotherWindow();
    if (!window)
        return;
    ForEachSubView(
        [window](CView* view)
        {
            if (!window->IsVisible(view->GetRect()))
                return;
            CABCWindow::CClipRect clip(window, view->GetRect());
            view->Draw();
        });
}

void CGroupView::Draw()
{
    CABCWindow* window = GetMotherWindow();
    if (!window)
        return;
    // One canvas for the whole pass keeps the window's link alive throughout.
    CCanvas canvas(window->GetCanvasSpec());
    {
        const CRegion own = CreateSubViewClipRegion();
        CABCWindow::CClipRect clip(window, &own);
        DrawExceptSubViews();
    }
    DrawSubViewsOnly();
}

} // namespace NSWayfarer
