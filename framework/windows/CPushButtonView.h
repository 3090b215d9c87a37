// A push button: a completed click (or Push from the keyboard) raises an action
// request that the owner reads once in its HandleChangeRequests.
#pragma once

#include "framework/windows/CNativeControlView.h"

namespace NSWayfarer
{

class CPushButtonView : public CNativeControlView
{
public:
    static constexpr short kInset = 3;
    static constexpr int kMaxResourceTitleLength = 64;

    CPushButtonView(CGroupView* superView, const char* title);
    // Title from string resource id (at most 64 characters).
    CPushButtonView(CGroupView* superView, long titleID);
    // The native button covers the item's rectangle exactly.
    CPushButtonView(CGroupView* superView, const CDialogItemInfo* info);

    // No toolkit call when the title is unchanged.
    void SetTitle(const char* title);
    void SetTitle(long titleID);
    // title needs 256 bytes.
    void GetTitle(char* title) const;
    // The theme's default-button look.
    void SetDefault(bool isDefault);
    bool IsDefault() const { return fDefaultFlag; }
    // True once per request: reading it clears it.
    bool IsActionRequested();
    void RequestChange();
    // Nothing when disabled or when down is false.
    void Push(bool down);

    void UpdateGraphics() override { MacUpdateGraphics(0); }
    void PositionChanged(const CLocalRect* oldRect, const CLocalRect* newRect) override;
    CLocalRect GetUsedRectangle() override;
    void MacControlClicked(short part) override;

private:
    void Create(const char* title);

    bool fDefaultFlag = false;
    bool fActionRequestFlag = false;
};

} // namespace NSWayfarer
