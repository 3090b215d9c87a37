// A point in screen (global) coordinates. Deliberately not convertible to or from a local
// point: only a canvas knows how the two relate.
#pragma once

namespace NSWayfarer
{

class CGlobalPoint
{
public:
    CGlobalPoint() = default;
    CGlobalPoint(short x, short y) : fX(x), fY(y) {}

    short GetX() const { return fX; }
    short GetY() const { return fY; }
    void Position(short x, short y)
    {
        fX = x;
        fY = y;
    }
    bool IsEqual(const CGlobalPoint& other) const { return fX == other.fX && fY == other.fY; }

    short fX = 0;
    short fY = 0;
};

} // namespace NSWayfarer
