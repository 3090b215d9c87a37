// A pair of signed 16-bit values used both as a position (x, y) and as a size
// (width = x, height = y).
#pragma once

namespace NSWayfarer
{

class CPoint
{
public:
    CPoint() = default;
    CPoint(short x, short y) : fX(x), fY(y) {}

    CPoint& Zero();
    short GetX() const { return fX; }
    short GetY() const { return fY; }
    short GetWidth() const { return fX; }
    short GetHeight() const { return fY; }
    CPoint& SetWidth(short w);
    CPoint& SetHeight(short h);
    CPoint& SetSize(short w, short h);
    CPoint& Position(short x, short y);
    bool IsEqual(const CPoint* other) const;

private:
    short fX = 0;
    short fY = 0;
};

} // namespace NSWayfarer
