// A mouse-button release at a window-local point: where, when and with which
// modifier keys.
#pragma once

#include "framework/application/CModifierKeyStatus.h"
#include "framework/graphics/CLocalPoint.h"

#include <cstdint>

namespace NSWayfarer
{

class CDropSpec
{
public:
    CDropSpec(short x, short y, long ms, CModifierKeyStatus modifiers)
        : fModifiers(modifiers), fPoint(x, y), fMS(static_cast<int32_t>(ms))
    {
    }

    short GetX() const { return fPoint.GetX(); }
    short GetY() const { return fPoint.GetY(); }
    const CLocalPoint& GetPoint() const { return fPoint; }
    long GetMS() const { return fMS; }
    const CModifierKeyStatus& GetModifierKeys() const { return fModifiers; }

    CModifierKeyStatus fModifiers;
    // Window-local.
    CLocalPoint fPoint;
    int32_t fMS = 0;
};

} // namespace NSWayfarer
