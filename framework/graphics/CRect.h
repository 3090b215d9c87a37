// A rectangle of signed 16-bit pixel coordinates: left and top inside, right and bottom
// outside. All arithmetic wraps in 16 bits and nothing keeps the edges in order.
#pragma once

#include "framework/graphics/MacGeometry.h"

#include <cstdint>

namespace NSWayfarer
{

class CRect
{
public:
    CRect() = default;
    CRect(short left, short top, short right, short bottom)
        : fLeft(left), fTop(top), fRight(right), fBottom(bottom)
    {
    }
    explicit CRect(const SMacRect& r)
        : fLeft(r.mLeft), fTop(r.mTop), fRight(r.mRight), fBottom(r.mBottom)
    {
    }
    CRect(const SMacPoint& topLeft, const SMacPoint& bottomRight)
        : fLeft(topLeft.mH), fTop(topLeft.mV), fRight(bottomRight.mH), fBottom(bottomRight.mV)
    {
    }

    CRect& Zero();

    short GetWidth() const { return static_cast<short>(fRight - fLeft); }
    short GetHeight() const { return static_cast<short>(fBottom - fTop); }
    CRect& SetWidth(short w);
    CRect& SetHeight(short h);
    CRect& SetSize(short w, short h);

    CRect& Position(short x, short y);
    CRect& Offset(short dx, short dy);
    CRect& MoveRight(short d);
    CRect& MoveLeft(short d);
    CRect& MoveDown(short d);
    CRect& MoveUp(short d);
    // By the rectangle's own width or height: the neighbouring tile on that side.
    CRect& MoveRight();
    CRect& MoveLeft();
    CRect& MoveDown();
    CRect& MoveUp();

    CRect& Grow(short d);
    CRect& GrowHorizontal(short d);
    CRect& GrowVertical(short d);
    CRect& Shrink(short d);
    CRect& ShrinkHorizontal(short d);
    CRect& ShrinkVertical(short d);

    CRect& LimitMinSize(short w, short h);
    CRect& LimitMaxSize(short w, short h);
    // The minimum first, then the maximum: where they conflict the maximum wins.
    CRect& LimitSize(short minW, short minH, short maxW, short maxH);

    CRect& AlignLeft(const CRect& r);
    CRect& AlignTop(const CRect& r);
    CRect& AlignRight(const CRect& r);
    CRect& AlignBottom(const CRect& r);
    CRect& CenterHorizontally(const CRect& r);
    CRect& CenterVertically(const CRect& r);
    CRect& Center(const CRect& r);

    // Bounding box; an empty operand still counts.
    CRect& Add(const CRect& r);
    // Becomes all zeros when the two are disjoint; true when the result is not empty.
    bool Intersect(CRect r);

    bool IsEqual(const CRect* r) const;
    bool IsEmpty() const;
    bool IsVertical() const;
    bool IsPointIn(short x, short y) const;
    // Rectangles that only share an edge do not intersect.
    bool DoesIntersect(const CRect* r) const;
    bool IsCompletelyInside(const CRect& r) const;

    CRect& Untangle();
    // Inside r whenever it fits; a larger rectangle sticks out at the left and top.
    CRect& MoveCompletelyInside(const CRect* r);
    // Keeps at least one pixel row and column over r (windows stay reachable).
    CRect& MoveJustInside(const CRect* r);

    SMacRect MacGetRect() const;
    SMacPoint MacGetUpperLeft() const;
    SMacPoint MacGetLowerRight() const;

    // 8 bytes: left, top, right, bottom, big-endian.
    void Pack(uint8_t* out) const;
    void Unpack(const uint8_t* in);
    // 8 bytes as dialog templates store them: top, left, bottom, right, little-endian.
    void UnpackTLBRRectNative(const uint8_t* in);

    short fLeft = 0;
    short fTop = 0;
    short fRight = 0;
    short fBottom = 0;
};

} // namespace NSWayfarer
