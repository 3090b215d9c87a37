#include "framework/windows/CSolidColorGroupView.h"

#include "framework/graphics/CCanvas.h"
#include "framework/windows/CCanvasToWindowLink.h"

namespace NSWayfarer
{

CSolidColorGroupView::CSolidColorGroupView(CGroupView* superView) : CGroupView(superView)
{
    InitModes();
}

CSolidColorGroupView::CSolidColorGroupView(CGroupView* superView, const CViewItemInfo* info)
    : CGroupView(superView, info)
{
    InitModes();
}

void CSolidColorGroupView::InitModes()
{
    fBackgroundColor = CRGBColor::GetMetallicBackground();
    fTransparentMode = kViewRectAllOpaque;
    fInvalidateMode = kInvalidateNewArea;
}

void CSolidColorGroupView::DrawExceptSubViews()
{
    CCanvasToWindowLink* link = GetCanvasSpec();
    if (!link)
        return;
    CCanvas canvas(link);
    canvas.DrawRect(&fRect, fBackgroundColor);
}

} // namespace NSWayfarer
