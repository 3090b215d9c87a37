// A mouse-button press at a window-local point, single or double.
#pragma once

#include "framework/application/CDropSpec.h"

namespace NSWayfarer
{

class CClickSpec : public CDropSpec
{
public:
    enum EAction
    {
        kClick = 44,
        kDoubleClick = 45
    };

    CClickSpec(EAction action, short x, short y, long ms, CModifierKeyStatus modifiers)
        : CDropSpec(x, y, ms, modifiers), fAction(action)
    {
    }

    bool IsClick() const { return fAction == kClick; }
    bool IsDoubleClick() const { return fAction == kDoubleClick; }

    EAction fAction;
};

} // namespace NSWayfarer
