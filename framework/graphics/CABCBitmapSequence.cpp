#include "framework/graphics/CABCBitmapSequence.h"

namespace NSWayfarer
{

CRect CABCBitmapSequence::GetFrameRect(short, short, unsigned short) const
{
    return CRect(0, 0, 0, 0);
}

} // namespace NSWayfarer
