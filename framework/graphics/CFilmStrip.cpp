#include "framework/graphics/CFilmStrip.h"

namespace NSWayfarer
{

CRect CFilmStrip::GetFrameRect(short, short, unsigned short frame) const
{
    const int top = fY0 + frame * (fFrameHeight + 16);
    return CRect(fX0, static_cast<short>(top), static_cast<short>(fX0 + fFrameWidth),
                 static_cast<short>(top + fFrameHeight));
}

} // namespace NSWayfarer
