// An animation stored in one cached picture: the picture's identifier, the number of
// frames, and where each frame lies in the picture.
#pragma once

#include "framework/graphics/CRect.h"
#include "framework/graphics/TBitmapID.h"

namespace NSWayfarer
{

class CABCBitmapSequence
{
public:
    CABCBitmapSequence(const TBitmapID& id, unsigned short frameCount)
        : fBitmapID(id), fFrameCount(frameCount)
    {
    }
    virtual ~CABCBitmapSequence() = default;

    // The rectangle of frame number frame in a picture of that size; the base has none
    // and answers the empty rectangle.
    virtual CRect GetFrameRect(short pictureWidth, short pictureHeight, unsigned short frame) const;

    const TBitmapID& GetBitmapID() const { return fBitmapID; }
    unsigned short GetFrameCount() const { return fFrameCount; }

private:
    TBitmapID fBitmapID;
    unsigned short fFrameCount = 0;
};

} // namespace NSWayfarer
