// An animation whose frames stand side by side in one picture, one column of pixels
// between neighbours.
#pragma once

#include "framework/graphics/CABCBitmapSequence.h"

namespace NSWayfarer
{

class CBitmapSequence : public CABCBitmapSequence
{
public:
    CBitmapSequence(const TBitmapID& id, unsigned short frameCount)
        : CABCBitmapSequence(id, frameCount)
    {
    }

    // Frames of (pictureWidth + 1) / count - 1 pixels, the full picture height; a
    // sequence without frames answers the empty rectangle.
    CRect GetFrameRect(short pictureWidth, short pictureHeight,
                       unsigned short frame) const override;
};

} // namespace NSWayfarer
