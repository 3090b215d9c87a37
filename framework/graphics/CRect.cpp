#include "framework/graphics/CRect.h"

#include "framework/media/BinaryPacking.h"

namespace NSWayfarer
{

namespace
{

// Every sum and difference goes through here so that the 16-bit wrap is explicit.
short Wrap(int value)
{
    return static_cast<short>(value);
}

} // namespace

CRect& CRect::Zero()
{
    fLeft = fTop = fRight = fBottom = 0;
    return *this;
}

CRect& CRect::SetWidth(short w)
{
    fRight = Wrap(fLeft + w);
    return *this;
}

CRect& CRect::SetHeight(short h)
{
    fBottom = Wrap(fTop + h);
    return *this;
}

CRect& CRect::SetSize(short w, short h)
{
    SetWidth(w);
    return SetHeight(h);
}

CRect& CRect::Position(short x, short y)
{
    const short w = GetWidth();
    const short h = GetHeight();
    fLeft = x;
    fTop = y;
    return SetSize(w, h);
}

CRect& CRect::Offset(short dx, short dy)
{
    fLeft = Wrap(fLeft + dx);
    fRight = Wrap(fRight + dx);
    fTop = Wrap(fTop + dy);
    fBottom = Wrap(fBottom + dy);
    return *this;
}

CRect& CRect::MoveRight(short d)
{
    return Offset(d, 0);
}

CRect& CRect::MoveLeft(short d)
{
    return Offset(Wrap(-d), 0);
}

CRect& CRect::MoveDown(short d)
{
    return Offset(0, d);
}

CRect& CRect::MoveUp(short d)
{
    return Offset(0, Wrap(-d));
}

CRect& CRect::MoveRight()
{
    return MoveRight(GetWidth());
}

CRect& CRect::MoveLeft()
{
    return MoveLeft(GetWidth());
}

CRect& CRect::MoveDown()
{
    return MoveDown(GetHeight());
}

CRect& CRect::MoveUp()
{
    return MoveUp(GetHeight());
}

CRect& CRect::Grow(short d)
{
    GrowHorizontal(d);
    return GrowVertical(d);
}

CRect& CRect::GrowHorizontal(short d)
{
    fLeft = Wrap(fLeft - d);
    fRight = Wrap(fRight + d);
    return *this;
}

CRect& CRect::GrowVertical(short d)
{
    fTop = Wrap(fTop - d);
    fBottom = Wrap(fBottom + d);
    return *this;
}

CRect& CRect::Shrink(short d)
{
    ShrinkHorizontal(d);
    return ShrinkVertical(d);
}

CRect& CRect::ShrinkHorizontal(short d)
{
    return GrowHorizontal(Wrap(-d));
}

CRect& CRect::ShrinkVertical(short d)
{
    return GrowVertical(Wrap(-d));
}

CRect& CRect::LimitMinSize(short w, short h)
{
    if (GetWidth() < w)
        SetWidth(w);
    if (GetHeight() < h)
        SetHeight(h);
    return *this;
}

CRect& CRect::LimitMaxSize(short w, short h)
{
    if (GetWidth() > w)
        SetWidth(w);
    if (GetHeight() > h)
        SetHeight(h);
    return *this;
}

CRect& CRect::LimitSize(short minW, short minH, short maxW, short maxH)
{
    LimitMinSize(minW, minH);
    return LimitMaxSize(maxW, maxH);
}

CRect& CRect::AlignLeft(const CRect& r)
{
    return Position(r.fLeft, fTop);
}

CRect& CRect::AlignTop(const CRect& r)
{
    return Position(fLeft, r.fTop);
}

CRect& CRect::AlignRight(const CRect& r)
{
    return Position(Wrap(r.fRight - GetWidth()), fTop);
}

CRect& CRect::AlignBottom(const CRect& r)
{
    return Position(fLeft, Wrap(r.fBottom - GetHeight()));
}

CRect& CRect::CenterHorizontally(const CRect& r)
{
    return Position(Wrap(r.fLeft + (r.GetWidth() - GetWidth()) / 2), fTop);
}

CRect& CRect::CenterVertically(const CRect& r)
{
    return Position(fLeft, Wrap(r.fTop + (r.GetHeight() - GetHeight()) / 2));
}

CRect& CRect::Center(const CRect& r)
{
    CenterHorizontally(r);
    return CenterVertically(r);
}

CRect& CRect::Add(const CRect& r)
{
    if (r.fLeft < fLeft)
        fLeft = r.fLeft;
    if (r.fTop < fTop)
        fTop = r.fTop;
    if (r.fRight > fRight)
        fRight = r.fRight;
    if (r.fBottom > fBottom)
        fBottom = r.fBottom;
    return *this;
}

bool CRect::Intersect(CRect r)
{
    if (r.fLeft > fLeft)
        fLeft = r.fLeft;
    if (r.fTop > fTop)
        fTop = r.fTop;
    if (r.fRight < fRight)
        fRight = r.fRight;
    if (r.fBottom < fBottom)
        fBottom = r.fBottom;
    if (fRight < fLeft || fBottom < fTop)
        Zero();
    return !IsEmpty();
}

bool CRect::IsEqual(const CRect* r) const
{
    return fLeft == r->fLeft && fTop == r->fTop && fRight == r->fRight && fBottom == r->fBottom;
}

bool CRect::IsEmpty() const
{
    return GetWidth() <= 0 || GetHeight() <= 0;
}

bool CRect::IsVertical() const
{
    return GetWidth() < GetHeight();
}

bool CRect::IsPointIn(short x, short y) const
{
    return fLeft <= x && x < fRight && fTop <= y && y < fBottom;
}

bool CRect::DoesIntersect(const CRect* r) const
{
    return fLeft < r->fRight && fTop < r->fBottom && r->fLeft < fRight && r->fTop < fBottom;
}

bool CRect::IsCompletelyInside(const CRect& r) const
{
    return r.fLeft <= fLeft && r.fTop <= fTop && fRight <= r.fRight && fBottom <= r.fBottom;
}

CRect& CRect::Untangle()
{
    if (fRight < fLeft)
    {
        const short t = fLeft;
        fLeft = fRight;
        fRight = t;
    }
    if (fBottom < fTop)
    {
        const short t = fTop;
        fTop = fBottom;
        fBottom = t;
    }
    return *this;
}

CRect& CRect::MoveCompletelyInside(const CRect* r)
{
    if (fLeft < r->fLeft)
        MoveRight(Wrap(r->fLeft - fLeft));
    if (fTop < r->fTop)
        MoveDown(Wrap(r->fTop - fTop));
    if (fRight > r->fRight)
        MoveLeft(Wrap(fRight - r->fRight));
    if (fBottom > r->fBottom)
        MoveUp(Wrap(fBottom - r->fBottom));
    return *this;
}

CRect& CRect::MoveJustInside(const CRect* r)
{
    if (fRight <= r->fLeft)
        MoveRight(Wrap(r->fLeft + 1 - fRight));
    if (fBottom <= r->fTop)
        MoveDown(Wrap(r->fTop + 1 - fBottom));
    if (fLeft >= r->fRight)
        MoveLeft(Wrap(fLeft - (r->fRight - 1)));
    if (fTop >= r->fBottom)
        MoveUp(Wrap(fTop - (r->fBottom - 1)));
    return *this;
}

SMacRect CRect::MacGetRect() const
{
    SMacRect r;
    r.mTop = fTop;
    r.mLeft = fLeft;
    r.mBottom = fBottom;
    r.mRight = fRight;
    return r;
}

SMacPoint CRect::MacGetUpperLeft() const
{
    return MacCoordsToPoint(fLeft, fTop);
}

SMacPoint CRect::MacGetLowerRight() const
{
    return MacCoordsToPoint(fRight, fBottom);
}

void CRect::Pack(uint8_t* out) const
{
    Pack16BitUnsignedBig(out, static_cast<uint16_t>(fLeft));
    Pack16BitUnsignedBig(out + 2, static_cast<uint16_t>(fTop));
    Pack16BitUnsignedBig(out + 4, static_cast<uint16_t>(fRight));
    Pack16BitUnsignedBig(out + 6, static_cast<uint16_t>(fBottom));
}

void CRect::Unpack(const uint8_t* in)
{
    fLeft = static_cast<short>(Unpack16BitUnsignedBig(in));
    fTop = static_cast<short>(Unpack16BitUnsignedBig(in + 2));
    fRight = static_cast<short>(Unpack16BitUnsignedBig(in + 4));
    fBottom = static_cast<short>(Unpack16BitUnsignedBig(in + 6));
}

void CRect::UnpackTLBRRectNative(const uint8_t* in)
{
    fTop = static_cast<short>(Unpack16BitUnsignedLittle(in));
    fLeft = static_cast<short>(Unpack16BitUnsignedLittle(in + 2));
    fBottom = static_cast<short>(Unpack16BitUnsignedLittle(in + 4));
    fRight = static_cast<short>(Unpack16BitUnsignedLittle(in + 6));
}

} // namespace NSWayfarer
