// A point in a window's drawing area or a bitmap (local coordinates). Deliberately not
// convertible to or from a global point: only a canvas knows how the two relate.
#pragma once

namespace NSWayfarer
{

class CLocalPoint
{
public:
    CLocalPoint() = default;
    CLocalPoint(short x, short y) : fX(x), fY(y) {}

    short GetX() const { return fX; }
    short GetY() const { return fY; }
    void Position(short x, short y)
    {
        fX = x;
        fY = y;
    }
    bool IsEqual(const CLocalPoint& other) const { return fX == other.fX && fY == other.fY; }

    short fX = 0;
    short fY = 0;
};

} // namespace NSWayfarer
