// The screens (monitors) of the display as the graphic manager needs them:
// bounds and work area in global coordinates, depth, which one is primary.
#pragma once

#include "platform/display/SDisplayRect.h"

#include <cstdint>
#include <vector>

namespace NSPlatform
{

class CDisplayScreens
{
public:
    struct SScreen
    {
        SDisplayRect mBounds;
        // Less the desktop's panels (equal to mBounds without a window manager).
        SDisplayRect mWorkArea;
        // Bits per pixel as the framework counts them: a 24-bit X visual stores 32.
        int mDepth = 0;
        bool mPrimary = false;
        int mScale = 1;
    };

    // In the display's order; exactly one is primary (the first when the desktop names
    // none). Empty without a display. The work area costs a round trip to the server
    // per screen; without it mWorkArea equals mBounds.
    static std::vector<SScreen> List(bool withWorkArea = true);
    // Changes whenever a screen is added, removed, moved, resized, rescaled or changes
    // depth, or another becomes primary. Cheap: read from the client's own copy of
    // the configuration, so an idle pass may ask it often.
    static int32_t GetConfigurationSeed();
};

} // namespace NSPlatform
