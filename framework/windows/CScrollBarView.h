// A live scroll bar on a fixed scale of 0 to 999: arrows, page areas, the thumb
// and keys become change requests that the owner converts to its content.
#pragma once

#include "framework/windows/CNativeControlView.h"

namespace NSWayfarer
{

class CKeySpec;

class CScrollBarView : public CNativeControlView
{
public:
    enum EDirection
    {
        kVertical = 0,
        kHorizontal = 1
    };

    struct CChange
    {
        enum EKind
        {
            kGoToPosition = 0,
            kLineUp = 1,
            kLineDown = 2,
            kPageUp = 3,
            kPageDown = 4
        };
        int32_t fKind = kGoToPosition;
        int16_t fPosition = 666;
    };

    static constexpr short kMaxPos = 999;
    static constexpr short kUnused = 666;

    CScrollBarView(CGroupView* superView, EDirection direction);
    CScrollBarView(CGroupView* superView, const CDialogItemInfo* info, EDirection direction);

    static short GetSystemScrollBarWidth() { return 15; }
    static short GetSystemScrollBarHeight() { return 15; }
    static short GetSystemMinScrollBarWidth() { return 48; }
    static short GetSystemMinScrollBarHeight() { return 48; }

    void SetPos(short pos);
    short GetPos() const { return fPosition; }
    void SetVisibleRange(short) {}
    short GetVisibleRange() const { return -1; }
    EDirection GetDirection() const { return fDirection; }

    void RequestChange(const CChange* change);
    bool GetRequestedChange(CChange* change);
    void RequestTop() { Request(CChange::kGoToPosition, 0); }
    void RequestBottom() { Request(CChange::kGoToPosition, kMaxPos); }
    void RequestPosition(short pos) { Request(CChange::kGoToPosition, pos); }
    void RequestLineUp() { Request(CChange::kLineUp, kUnused); }
    void RequestLineDown() { Request(CChange::kLineDown, kUnused); }
    void RequestPageUp() { Request(CChange::kPageUp, kUnused); }
    void RequestPageDown() { Request(CChange::kPageDown, kUnused); }
    // Home, End, Page Up and Page Down, on key-down and key-repeat only.
    void RequestFromKeySpec(const CKeySpec* key);

    // Content values run from 0 to range - 1. False (both outputs 666) when the
    // change leaves the value where it is.
    static bool ChangeToPos(const CChange* change, unsigned long value, unsigned long lineStep,
                            unsigned long pageStep, unsigned long range, unsigned long* newValue,
                            short* newPos);
    unsigned long CalcValueChange(unsigned long value, unsigned long lineStep,
                                  unsigned long pageStep, unsigned long range);
    bool IsBigEnough() const;

    void Draw() override;
    void UpdateGraphics() override { MacUpdateGraphics(fPosition); }
    void PositionChanged(const CLocalRect* oldRect, const CLocalRect* newRect) override;
    void MacActionCallback(short part) override;

private:
    void Create();
    void Request(int32_t kind, short pos);
    static unsigned long Target(const CChange& change, unsigned long value, unsigned long lineStep,
                                unsigned long pageStep, unsigned long range);
    static short PosOfValue(unsigned long value, unsigned long range);

    int16_t fPosition = 0;
    EDirection fDirection;
    bool fChangeRequested = false;
    CChange fRequestedChange;
};

} // namespace NSWayfarer
