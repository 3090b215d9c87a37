// What the framework knows of one screen: its rectangle, the part of it windows
// may use, its depth and whether it carries the menu bar and the toolbar.
#pragma once

#include "framework/graphics/CGlobalRect.h"

#include <cstdint>

namespace NSWayfarer
{

class CScreenInfo
{
public:
    CGlobalRect fScreenRect;
    CGlobalRect fWorkRect;
    uint8_t fBitDepth = 0;
    bool fIsMainScreen = false;
    bool fHasMenuBar = false;
    bool fHasToolbar = false;
    int16_t fMenuBarHeight = 0;
    int16_t fToolbarHeight = 0;
};

} // namespace NSWayfarer
