#include "framework/windows/CScrollBarView.h"

#include "framework/application/CKeySpec.h"
#include "framework/graphics/CCanvas.h"
#include "framework/windows/CCanvasToWindowLink.h"

namespace NSWayfarer
{

CScrollBarView::CScrollBarView(CGroupView* superView, EDirection direction)
    : CNativeControlView(superView), fDirection(direction)
{
    fRect = direction == kVertical ? CLocalRect(-15, -100, 0, 0) : CLocalRect(-100, -15, 0, 0);
    Create();
}

CScrollBarView::CScrollBarView(CGroupView* superView, const CDialogItemInfo* info,
                               EDirection direction)
    : CNativeControlView(superView, info), fDirection(direction)
{
    Create();
}

void CScrollBarView::Create()
{
    SetNative(MacCreateNative(fDirection == kVertical ? TNative::kVerticalScrollBar
                                                      : TNative::kHorizontalScrollBar,
                              std::string(), fRect));
    fNative->SetMinMax(0, kMaxPos);
    fNative->SetValue(0);
    if (!IsBigEnough())
        fNative->Hide();
}

void CScrollBarView::SetPos(short pos)
{
    fPosition = pos < 0 ? 0 : (pos > kMaxPos ? kMaxPos : pos);
}

void CScrollBarView::Request(int32_t kind, short pos)
{
    CChange change;
    change.fKind = kind;
    change.fPosition = pos;
    RequestChange(&change);
}

void CScrollBarView::RequestChange(const CChange* change)
{
    if (!change)
        return;
    fRequestedChange = *change;
    fChangeRequested = true;
    ForceSetup();
    fChangeRequested = false;
}

bool CScrollBarView::GetRequestedChange(CChange* change)
{
    if (!fChangeRequested)
        return false;
    if (change)
        *change = fRequestedChange;
    fChangeRequested = false;
    return true;
}

void CScrollBarView::RequestFromKeySpec(const CKeySpec* key)
{
    if (!key || (key->fState != CKeySpec::kDown && key->fState != CKeySpec::kRepeat))
        return;
    switch (key->fVirtualKey)
    {
    case CKeySpec::kHome:
        RequestTop();
        break;
    case CKeySpec::kPageUp:
        RequestPageUp();
        break;
    case CKeySpec::kEnd:
        RequestBottom();
        break;
    case CKeySpec::kPageDown:
        RequestPageDown();
        break;
    default:
        break;
    }
}

unsigned long CScrollBarView::Target(const CChange& change, unsigned long value,
                                     unsigned long lineStep, unsigned long pageStep,
                                     unsigned long range)
{
    const long long last = range > 0 ? static_cast<long long>(range) - 1 : 0;
    long long target = static_cast<long long>(value);
    switch (change.fKind)
    {
    case CChange::kGoToPosition:
    {
        const long long pos = change.fPosition < 0 ? 0 : change.fPosition;
        target = last * pos / kMaxPos;
        break;
    }
    case CChange::kLineUp:
        target -= static_cast<long long>(lineStep);
        break;
    case CChange::kLineDown:
        target += static_cast<long long>(lineStep);
        break;
    case CChange::kPageUp:
        target -= static_cast<long long>(pageStep);
        break;
    case CChange::kPageDown:
        target += static_cast<long long>(pageStep);
        break;
    default:
        break;
    }
    if (target < 0)
        target = 0;
    if (target > last)
        target = last;
    return static_cast<unsigned long>(target);
}

short CScrollBarView::PosOfValue(unsigned long value, unsigned long range)
{
    if (range <= 1)
        return 0;
    const unsigned long long pos = static_cast<unsigned long long>(value) * kMaxPos / (range - 1);
    return static_cast<short>(pos > kMaxPos ? kMaxPos : pos);
}

bool CScrollBarView::ChangeToPos(const CChange* change, unsigned long value, unsigned long lineStep,
                                 unsigned long pageStep, unsigned long range,
                                 unsigned long* newValue, short* newPos)
{
    if (newValue)
        *newValue = kUnused;
    if (newPos)
        *newPos = kUnused;
    if (!change)
        return false;
    const unsigned long target = Target(*change, value, lineStep, pageStep, range);
    if (target == value)
        return false;
    if (newValue)
        *newValue = target;
    if (newPos)
        *newPos = PosOfValue(target, range);
    return true;
}

unsigned long CScrollBarView::CalcValueChange(unsigned long value, unsigned long lineStep,
                                              unsigned long pageStep, unsigned long range)
{
    CChange change;
    if (GetRequestedChange(&change))
    {
        const unsigned long target = Target(change, value, lineStep, pageStep, range);
        if (target != value)
            SetPos(PosOfValue(target, range));
        return target;
    }
    CChange stay;
    stay.fKind = -1;
    const unsigned long target = Target(stay, value, lineStep, pageStep, range);
    SetPos(PosOfValue(target, range));
    return target;
}

bool CScrollBarView::IsBigEnough() const
{
    if (fDirection == kHorizontal)
        return fRect.GetWidth() >= GetSystemMinScrollBarWidth() &&
               fRect.GetHeight() >= GetSystemScrollBarHeight();
    return fRect.GetWidth() >= GetSystemScrollBarWidth() &&
           fRect.GetHeight() >= GetSystemMinScrollBarHeight();
}

void CScrollBarView::Draw()
{
    // Too small for the toolkit's bar: a framed empty box in its place.
    if (IsBigEnough())
        return;
    CCanvas canvas(GetCanvasSpec());
    CLocalRect inside = fRect;
    canvas.DrawRect(&inside, CRGBColor::kBlack);
    inside.Grow(-1);
    EraseRect(&inside);
}

void CScrollBarView::PositionChanged(const CLocalRect*, const CLocalRect* newRect)
{
    if (!newRect)
        return;
    PositionNative(*newRect);
    if (fNative)
    {
        if (IsBigEnough())
            fNative->Show();
        else
            fNative->Hide();
    }
}

void CScrollBarView::MacActionCallback(short part)
{
    if (!fNative)
        return;
    // Arrows and page areas lift the block so the new position reaches the bar;
    // the thumb keeps it so the toolkit's thumb follows the mouse undisturbed.
    const auto lifted = [this](auto request)
    {
        const int16_t saved = fBlockUpdateGraphicsCount;
        fBlockUpdateGraphicsCount = 0;
        request();
        fBlockUpdateGraphicsCount = saved;
    };
    switch (part)
    {
    case NSPlatform::CNativeControl::kUpArrowPart:
        lifted([this] { RequestLineUp(); });
        break;
    case NSPlatform::CNativeControl::kDownArrowPart:
        lifted([this] { RequestLineDown(); });
        break;
    case NSPlatform::CNativeControl::kPageUpPart:
        lifted([this] { RequestPageUp(); });
        break;
    case NSPlatform::CNativeControl::kPageDownPart:
        lifted([this] { RequestPageDown(); });
        break;
    case NSPlatform::CNativeControl::kThumbPart:
    {
        RequestPosition(static_cast<short>(fNative->GetValue()));
        break;
    }
    default:
        break;
    }
}

} // namespace NSWayfarer
