#include "framework/windows/CPushButtonView.h"

#include "framework/text/StringResources.h"
#include "framework/windows/CDialogItemInfo.h"

#include <cstring>

namespace NSWayfarer
{

namespace
{

// A missing text leaves the title empty rather than failing the window.
void LoadTitle(long id, char* out, long max)
{
    out[0] = 0;
    try
    {
        GetMaxedResourceString(id, out, max);
    }
    catch (...)
    {
        out[0] = 0;
    }
}

} // namespace

CPushButtonView::CPushButtonView(CGroupView* superView, const char* title)
    : CNativeControlView(superView)
{
    fRect = CLocalRect(-100, -26, 0, 0);
    Create(title);
}

CPushButtonView::CPushButtonView(CGroupView* superView, long titleID)
    : CNativeControlView(superView)
{
    fRect = CLocalRect(-100, -26, 0, 0);
    char title[kMaxResourceTitleLength + 1];
    LoadTitle(titleID, title, kMaxResourceTitleLength);
    Create(title);
}

CPushButtonView::CPushButtonView(CGroupView* superView, const CDialogItemInfo* info)
    : CNativeControlView(superView, info)
{
    fRect.Grow(kInset);
    Create(info ? info->fString : "");
}

void CPushButtonView::Create(const char* title)
{
    SetTransparentMode(kViewRectRectOpaque);
    SetCanHaveFocus(true);
    CLocalRect bounds = fRect;
    bounds.Grow(-kInset);
    const char* text = title ? title : "";
    SetNative(MacCreateNative(TNative::kPushButton, std::string(text, strnlen(text, 255)), bounds));
}

void CPushButtonView::SetTitle(const char* title)
{
    MacSetControlTitle(title);
}

void CPushButtonView::SetTitle(long titleID)
{
    char title[kMaxResourceTitleLength + 1];
    LoadTitle(titleID, title, kMaxResourceTitleLength);
    SetTitle(title);
}

void CPushButtonView::GetTitle(char* title) const
{
    MacGetControlTitle(title);
}

void CPushButtonView::SetDefault(bool isDefault)
{
    fDefaultFlag = isDefault;
    if (fNative)
        fNative->SetDefault(isDefault);
}

bool CPushButtonView::IsActionRequested()
{
    const bool requested = fActionRequestFlag;
    fActionRequestFlag = false;
    return requested;
}

void CPushButtonView::RequestChange()
{
    fActionRequestFlag = true;
    ForceSetup();
    fActionRequestFlag = false;
}

void CPushButtonView::Push(bool down)
{
    if (!down || !IsEnabled())
        return;
    RequestChange();
}

void CPushButtonView::PositionChanged(const CLocalRect*, const CLocalRect* newRect)
{
    if (!newRect)
        return;
    CLocalRect bounds = *newRect;
    bounds.Grow(-kInset);
    PositionNative(bounds);
}

CLocalRect CPushButtonView::GetUsedRectangle()
{
    CLocalRect used = fRect;
    used.Grow(-4);
    return used;
}

void CPushButtonView::MacControlClicked(short part)
{
    // A release outside the button requests nothing.
    if (part == 0)
        return;
    fActionRequestFlag = true;
    // The application's setup pass follows the click (DispatchControlEvent); the
    // owner reads the request there, and it is dropped after.
    ForceSetup();
    fActionRequestFlag = false;
}

} // namespace NSWayfarer
