// A rectangle in screen (global) coordinates. The type only marks the coordinate space;
// converting between local and global is the canvas's job.
#pragma once

#include "framework/graphics/CRect.h"

namespace NSWayfarer
{

class CGlobalRect : public CRect
{
public:
    CGlobalRect() = default;
    CGlobalRect(short left, short top, short right, short bottom) : CRect(left, top, right, bottom)
    {
    }
    explicit CGlobalRect(const SMacRect& r) : CRect(r) {}
    CGlobalRect(const SMacPoint& topLeft, const SMacPoint& bottomRight)
        : CRect(topLeft, bottomRight)
    {
    }

    bool IsEqual(const CGlobalRect* r) const { return CRect::IsEqual(r); }
};

} // namespace NSWayfarer
