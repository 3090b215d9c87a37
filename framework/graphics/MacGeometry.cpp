#include "framework/graphics/MacGeometry.h"

namespace NSWayfarer
{

void MacSetupRect(SMacRect* rect, short x, short y, short w, short h)
{
    rect->mLeft = x;
    rect->mTop = y;
    rect->mRight = static_cast<short>(x + w);
    rect->mBottom = static_cast<short>(y + h);
}

SMacPoint MacCoordsToPoint(short x, short y)
{
    SMacPoint p;
    p.mH = x;
    p.mV = y;
    return p;
}

} // namespace NSWayfarer
