// One of the alert icons (stop, note, caution) at the view's size, or nothing.
#pragma once

#include "framework/windows/CView.h"

#include <memory>

namespace NSPlatform
{
class CNativeControl;
}

namespace NSWayfarer
{

class CDialogItemInfo;

class CIconView : public CView
{
public:
    enum EIcon
    {
        kStopIcon = 10,
        kNoteIcon = 11,
        kCautionIcon = 12,
        kNoIcon = 13
    };

    CIconView(CGroupView* superView, const CDialogItemInfo* info);
    ~CIconView() override;

    // A value outside the enumeration shows the stop icon, as an unknown alert
    // is more likely an error than not.
    void SetIcon(EIcon icon);
    EIcon GetIcon() const { return fIcon; }

    void Draw() override {}
    void PositionChanged(const CLocalRect* oldRect, const CLocalRect* newRect) override;

private:
    EIcon fIcon = kNoIcon;
    // The icon theme's picture; absent while the icon is kNoIcon.
    std::unique_ptr<NSPlatform::CNativeControl> fImage;
};

} // namespace NSWayfarer
