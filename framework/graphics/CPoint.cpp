#include "framework/graphics/CPoint.h"

namespace NSWayfarer
{

CPoint& CPoint::Zero()
{
    fX = 0;
    fY = 0;
    return *this;
}

CPoint& CPoint::SetWidth(short w)
{
    fX = w;
    return *this;
}

CPoint& CPoint::SetHeight(short h)
{
    fY = h;
    return *this;
}

CPoint& CPoint::SetSize(short w, short h)
{
    fX = w;
    fY = h;
    return *this;
}

CPoint& CPoint::Position(short x, short y)
{
    fX = x;
    fY = y;
    return *this;
}

bool CPoint::IsEqual(const CPoint* other) const
{
    return fX == other->fX && fY == other->fY;
}

} // namespace NSWayfarer
