// A progress bar from 0 to 1000 promille, or the animated busy bar for 6666.
#pragma once

#include "framework/windows/CNativeControlView.h"

namespace NSWayfarer
{

class CProgressBarView : public CNativeControlView
{
public:
    static constexpr short kMacProgressBarThickness = 14;
    static constexpr short kMacProgressBarBorder = (16 - kMacProgressBarThickness) / 2;
    static constexpr unsigned short kMaxPos = 1000;
    static constexpr unsigned short kIndeterminate = 6666;

    explicit CProgressBarView(CGroupView* superView);
    CProgressBarView(CGroupView* superView, const CDialogItemInfo* info);

    // Shown at the next UpdateGraphics.
    void SetPos(unsigned short pos) { fPos = pos; }
    unsigned short GetPos() const { return fPos; }

    void UpdateGraphics() override;
    // The busy bar moves on every idle pass while it is shown.
    void Idle() override;
    void PositionChanged(const CLocalRect* oldRect, const CLocalRect* newRect) override;
    CLocalRect GetUsedRectangle() override;

private:
    void Create();

    uint16_t fPos = 0;
};

} // namespace NSWayfarer
