// An animation whose frames stand one below the other in one picture, 16 pixels apart,
// the first at a given position.
#pragma once

#include "framework/graphics/CABCBitmapSequence.h"

namespace NSWayfarer
{

class CFilmStrip : public CABCBitmapSequence
{
public:
    // x0, y0: the first frame's top-left.
    CFilmStrip(const TBitmapID& id, unsigned short frameCount, short x0, short y0, short frameWidth,
               short frameHeight)
        : CABCBitmapSequence(id, frameCount), fX0(x0), fY0(y0), fFrameWidth(frameWidth),
          fFrameHeight(frameHeight)
    {
    }

    // The picture's size plays no part.
    CRect GetFrameRect(short pictureWidth, short pictureHeight,
                       unsigned short frame) const override;

private:
    short fX0 = 0;
    short fY0 = 0;
    short fFrameWidth = 0;
    short fFrameHeight = 0;
};

} // namespace NSWayfarer
