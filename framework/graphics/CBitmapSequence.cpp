#include "framework/graphics/CBitmapSequence.h"

namespace NSWayfarer
{

CRect CBitmapSequence::GetFrameRect(short pictureWidth, short pictureHeight,
                                    unsigned short frame) const
{
    if (GetFrameCount() == 0)
        return CRect(0, 0, 0, 0);
    const int frameWidth = (pictureWidth + 1) / GetFrameCount() - 1;
    const int left = frame * (frameWidth + 1);
    return CRect(static_cast<short>(left), 0, static_cast<short>(left + frameWidth), pictureHeight);
}

} // namespace NSWayfarer
