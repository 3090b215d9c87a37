// A rectangle in a window's drawing area or a bitmap (local coordinates). The type only marks the
// coordinate space; converting between local and global is the canvas's job.
#pragma once

#include "framework/graphics/CRect.h"

namespace NSWayfarer
{

class CLocalRect : public CRect
{
public:
    CLocalRect() = default;
    CLocalRect(short left, short top, short right, short bottom) : CRect(left, top, right, bottom)
    {
    }
    explicit CLocalRect(const SMacRect& r) : CRect(r) {}
    CLocalRect(const SMacPoint& topLeft, const SMacPoint& bottomRight) : CRect(topLeft, bottomRight)
    {
    }

    bool IsEqual(const CLocalRect* r) const { return CRect::IsEqual(r); }
};

} // namespace NSWayfarer
