// A group view that paints its rectangle in one colour behind its subviews.
#pragma once

#include "framework/windows/CGroupView.h"

namespace NSWayfarer
{

class CSolidColorGroupView : public CGroupView
{
public:
    explicit CSolidColorGroupView(CGroupView* superView);
    CSolidColorGroupView(CGroupView* superView, const CViewItemInfo* info);

    CRGBColor GetBackgroundColor() const override { return fBackgroundColor; }
    void DrawExceptSubViews() override;
    void SetBackgroundColor(const CRGBColor& color) { fBackgroundColor = color; }

private:
    void InitModes();

    CRGBColor fBackgroundColor;
};

} // namespace NSWayfarer
