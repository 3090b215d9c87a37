// A mouse-button release at a window-local point: where, when and with which
// modifier keys.
#pragma once

#include "framework/application/CModifierKeyStatus.h"

#include <cstdint>

namespace NSWayfarer
{

class CDropSpec
{
public:
    CDropSpec(short x, short y, long ms, CModifierKeyStatus modifiers)
        : fModifiers(modifiers), fX(x), fY(y), fMS(static_cast<int32_t>(ms))
    {
    }

    short GetX() const { return fX; }
    short GetY() const { return fY; }
    long GetMS() const { return fMS; }
    const CModifierKeyStatus& GetModifierKeys() const { return fModifiers; }

    CModifierKeyStatus fModifiers;
    // The window-local point (joins the geometry types as a CLocalPoint).
    int16_t fX = 0;
    int16_t fY = 0;
    int32_t fMS = 0;
};

} // namespace NSWayfarer
