// The rectangle and point records the drawing port speaks in (top/left/bottom/right and
// vertical/horizontal, as dialog templates store them), and the two helpers that fill them.
#pragma once

namespace NSWayfarer
{

struct SMacPoint
{
    short mV = 0;
    short mH = 0;
};

struct SMacRect
{
    short mTop = 0;
    short mLeft = 0;
    short mBottom = 0;
    short mRight = 0;
};

// left = x, top = y, right = x + w, bottom = y + h (wrapping in 16 bits).
void MacSetupRect(SMacRect* rect, short x, short y, short w, short h);
SMacPoint MacCoordsToPoint(short x, short y);

} // namespace NSWayfarer
