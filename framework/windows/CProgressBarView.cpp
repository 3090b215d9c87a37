#include "framework/windows/CProgressBarView.h"

namespace NSWayfarer
{

CProgressBarView::CProgressBarView(CGroupView* superView) : CNativeControlView(superView)
{
    fRect = CLocalRect(-100, -16, 0, 0);
    Create();
}

CProgressBarView::CProgressBarView(CGroupView* superView, const CDialogItemInfo* info)
    : CNativeControlView(superView, info)
{
    fRect.Grow(2);
    Create();
}

void CProgressBarView::Create()
{
    SetTransparentMode(kViewRectRectOpaque);
    CLocalRect bounds = fRect;
    bounds.Grow(-kMacProgressBarBorder);
    SetNative(MacCreateNative(TNative::kProgressBar, std::string(), bounds));
    fNative->SetMinMax(0, kMaxPos);
    fNative->SetValue(0);
}

void CProgressBarView::UpdateGraphics()
{
    if (!fNative)
        return;
    const bool indeterminate = fPos == kIndeterminate;
    if (fNative->IsIndeterminate() != indeterminate)
        fNative->SetIndeterminate(indeterminate);
    // The busy bar keeps the value it had; values past the range fill the bar.
    if (!indeterminate)
        MacUpdateGraphics(static_cast<short>(fPos > kMaxPos ? kMaxPos : fPos));
    else
        MacUpdateGraphics(static_cast<short>(fNative->GetValue()));
}

void CProgressBarView::Idle()
{
    if (fNative && fNative->IsIndeterminate())
        fNative->Pulse();
}

void CProgressBarView::PositionChanged(const CLocalRect*, const CLocalRect* newRect)
{
    if (!newRect)
        return;
    CLocalRect bounds = *newRect;
    bounds.Grow(-kMacProgressBarBorder);
    PositionNative(bounds);
}

CLocalRect CProgressBarView::GetUsedRectangle()
{
    CLocalRect used = fRect;
    used.Grow(-kMacProgressBarBorder);
    return used;
}

} // namespace NSWayfarer
