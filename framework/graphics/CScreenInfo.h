// What the framework knows of one screen: its rectangle, the part of it windows
// may use, its depth and whether it carries the menu bar and the toolbar.
#pragma once

#include <cstdint>

namespace NSWayfarer
{

class CScreenInfo
{
public:
    // A global rectangle (right and bottom outside); becomes CGlobalRect when the
    // geometry types join.
    struct SRect
    {
        int16_t fLeft = 0;
        int16_t fTop = 0;
        int16_t fRight = 0;
        int16_t fBottom = 0;
        bool operator==(const SRect&) const = default;
    };

    SRect fScreenRect;
    SRect fWorkRect;
    uint8_t fBitDepth = 0;
    bool fIsMainScreen = false;
    bool fHasMenuBar = false;
    bool fHasToolbar = false;
    int16_t fMenuBarHeight = 0;
    int16_t fToolbarHeight = 0;
};

} // namespace NSWayfarer
