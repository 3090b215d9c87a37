// The process's graphic manager: describes the screens and notices when their
// configuration changes (a monitor added, moved or set to another depth).
#pragma once

#include "framework/graphics/CMacSuperPort.h"
#include "framework/graphics/CScreenInfo.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace NSWayfarer
{

class CABCCanvas;
class CBitmapDest;
class CPalette;

class CGraphicManager
{
public:
    static CGraphicManager* gGraphicMgr;

    // Installs the process's drawing hooks: ports switch through the manager that is
    // gGraphicMgr, canvases ask it for the main screen's depth, and on a display the
    // theme fonts are the desktop's. The one in gGraphicMgr (or the last without one)
    // takes them away again.
    CGraphicManager();
    ~CGraphicManager();
    CGraphicManager(const CGraphicManager&) = delete;
    CGraphicManager& operator=(const CGraphicManager&) = delete;

    // Makes the port (and device) current unless it already is; the manager keeps
    // what it made current so that MacGetSuperPort needs no call to the port layer.
    void MacSetSuperPort(const CMacSuperPort* port);
    void MacSetSuperPort(const CABCCanvas* canvas);
    const CMacSuperPort& MacGetSuperPort() const { return fSuperPort; }
    // Reads the port layer's current port back (after anything else may have switched).
    void MacSyncSuperPort();
    void MacSetNoSuperPort();

    // Screens in the display's order; no display: none.
    unsigned short CountScreens() const;
    // The default CScreenInfo for an index past the last screen.
    CScreenInfo GetScreenInfo(unsigned short index) const;
    unsigned short GetMainScreenIndex() const;
    // 0 without a display.
    uint8_t GetMainScreenBitDepth() const;
    CGlobalRect GetMainScreenRect() const;

    // The application's toolbar takes this much of the main screen's work area
    // (its frame height; 0: no toolbar).
    void SetToolbarFrameHeight(int16_t height) { fToolbarFrameHeight = height; }

    // The format pictures are decoded into for the main screen; null until the first
    // ScreenBitDepthOrPaletteChanged, or when rebuilding it failed.
    const CBitmapDest* GetBitmapDestForMainScreen() const { return fBitmapDest.get(); }
    // A new one, caller owns.
    static CBitmapDest* CreateBitmapDestForMainScreen();

    // Idle: when the screen configuration changed since the last look, rebuilds
    // what depends on it. True when it changed.
    bool MacPollForSeedChange();
    // Rebuilds the main screen's bitmap destination and tells whoever depends on the
    // screens (the application's bitmap cache); false when either failed.
    bool ScreenBitDepthOrPaletteChanged();
    int32_t MacGetMainDevicePaletteSeed() const;
    // The grey-ramp palette 8-bit pictures use unless they bring their own.
    const CPalette* GetStandardPalette() const;
    // Called after a screen change with the new state read.
    void SetScreenChangeHandler(std::function<void()> handler)
    {
        fScreenChanged = std::move(handler);
    }

    void EnableDrawing() {}
    void DisableDrawing() {}

private:
    CMacSuperPort fSuperPort;
    int32_t fMacMainDevicePaletteSeed = -1;
    int16_t fToolbarFrameHeight = 0;
    std::function<void()> fScreenChanged;
    std::unique_ptr<CBitmapDest> fBitmapDest;
};

} // namespace NSWayfarer
