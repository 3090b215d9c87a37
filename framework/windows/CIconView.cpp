#include "framework/windows/CIconView.h"

#include "framework/windows/CABCWindow.h"
#include "framework/windows/CDialogItemInfo.h"
#include "platform/display/CNativeControl.h"
#include "platform/display/SDisplayRect.h"

namespace NSWayfarer
{

namespace
{

NSPlatform::SDisplayRect ToDisplay(const CLocalRect& rect)
{
    return NSPlatform::SDisplayRect{rect.fLeft, rect.fTop, rect.fRight, rect.fBottom};
}

} // namespace

CIconView::CIconView(CGroupView* superView, const CDialogItemInfo* info) : CView(superView, info)
{
    SetTransparentMode(kViewRectAllTransparent);
}

CIconView::~CIconView() = default;

void CIconView::SetIcon(EIcon icon)
{
    fIcon = icon;
    if (icon == kNoIcon)
    {
        fImage.reset();
        return;
    }
    if (!fImage)
    {
        CABCWindow* window = GetMotherWindow();
        if (!window || !window->GetNative())
            return;
        fImage = std::make_unique<NSPlatform::CNativeControl>(
            *window->GetNative(), NSPlatform::CNativeControl::kImage, ToDisplay(fRect));
    }
    switch (icon)
    {
    case kNoteIcon:
        fImage->SetIcon(NSPlatform::CNativeControl::kInformationIcon);
        break;
    case kCautionIcon:
        fImage->SetIcon(NSPlatform::CNativeControl::kWarningIcon);
        break;
    default:
        fImage->SetIcon(NSPlatform::CNativeControl::kErrorIcon);
        break;
    }
}

void CIconView::PositionChanged(const CLocalRect*, const CLocalRect* newRect)
{
    if (fImage && newRect)
        fImage->SetRect(ToDisplay(*newRect));
}

} // namespace NSWayfarer
