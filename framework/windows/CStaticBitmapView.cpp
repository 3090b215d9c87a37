#include "framework/windows/CStaticBitmapView.h"

#include "framework/graphics/CCanvas.h"
#include "framework/windows/CABCWindow.h"
#include "framework/windows/CCanvasToWindowLink.h"

namespace NSWayfarer
{

CStaticBitmapView::CStaticBitmapView(CGroupView* superView, TBitmapID id)
    : CView(superView), fBitmapID(id)
{
}

CStaticBitmapView::~CStaticBitmapView() = default;

void CStaticBitmapView::Draw()
{
    CABCWindow* window = GetMotherWindow();
    if (!window)
        return;
    CCanvas canvas(GetCanvasSpec());
    CABCWindow::CClipRect clip(window, fRect);
    canvas.DrawBitmap(fRect.fLeft, fRect.fTop, fBitmapID);
}

void CStaticBitmapView::UpdateGraphics()
{
    const bool enabled = IsEnabled();
    if (enabled != fDrawnEnabledFlag)
    {
        fDrawnEnabledFlag = enabled;
        Invalidate(true);
    }
}

} // namespace NSWayfarer
