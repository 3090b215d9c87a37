#include "framework/graphics/CGraphicManager.h"

#include "framework/graphics/CABCCanvas.h"
#include "framework/graphics/CCanvas.h"
#include "framework/graphics/CDrawPort.h"
#include "framework/graphics/CFontSpec.h"
#include "platform/display/CDisplay.h"
#include "framework/graphics/CBitmapDest.h"
#include "framework/graphics/CPalette.h"

#include "platform/display/CDisplayScreens.h"

#include <algorithm>
#include <climits>
#include <optional>

namespace NSWayfarer
{

CGraphicManager* CGraphicManager::gGraphicMgr = nullptr;

namespace
{

CGlobalRect ToRect(const NSPlatform::SDisplayRect& r)
{
    auto clamp = [](int v) { return static_cast<short>(std::clamp(v, SHRT_MIN, SHRT_MAX)); };
    return CGlobalRect(clamp(r.mLeft), clamp(r.mTop), clamp(r.mRight), clamp(r.mBottom));
}

// Drawing switches ports through the process's manager, so that its cache stays
// what the port layer has.
void SwitchThroughManager(const CMacSuperPort& port)
{
    if (CGraphicManager::gGraphicMgr != nullptr)
        CGraphicManager::gGraphicMgr->MacSetSuperPort(&port);
    else
        CDrawPort::SetCurrent(port.GetPort(), port.GetDevice());
}

unsigned char MainScreenDepth()
{
    // Without a manager (or a screen) canvases draw into 32-bit backing stores.
    const uint8_t depth = CGraphicManager::gGraphicMgr != nullptr
                              ? CGraphicManager::gGraphicMgr->GetMainScreenBitDepth()
                              : 0;
    return depth != 0 ? depth : 32;
}

// The primary screen without its work area, which costs the server a question per
// screen; none when there is no screen.
std::optional<NSPlatform::CDisplayScreens::SScreen> PrimaryScreen()
{
    for (const auto& screen : NSPlatform::CDisplayScreens::List(false))
        if (screen.mPrimary)
            return screen;
    return std::nullopt;
}

unsigned char ScaledSize(int px, int numerator, int denominator)
{
    return static_cast<unsigned char>(std::clamp((px * numerator + denominator / 2) / denominator, 1, 255));
}

// The system font is the desktop's user-interface font; the smaller and emphasised
// theme fonts keep their classic proportions to it (10 and 9 of 12).
bool DesktopThemeFont(unsigned short themeFont, CFontSpec* spec)
{
    const NSPlatform::CDisplay::SUIFont ui = NSPlatform::CDisplay::GetUIFont();
    if (ui.mFamily.empty() || ui.mSizePx <= 0)
        return false;
    const char* family = ui.mFamily.c_str();
    switch (themeFont)
    {
    case CFontSpec::kThemeSystemFont:
    case CFontSpec::kThemeViewsFont:
        *spec = CFontSpec(family, ScaledSize(ui.mSizePx, 1, 1), ui.mBold, ui.mItalic, false);
        return true;
    case CFontSpec::kThemeEmphasizedSystemFont:
        *spec = CFontSpec(family, ScaledSize(ui.mSizePx, 1, 1), true, ui.mItalic, false);
        return true;
    case CFontSpec::kThemeSmallSystemFont:
    case CFontSpec::kThemeLabelFont:
        *spec = CFontSpec(family, ScaledSize(ui.mSizePx, 10, 12), ui.mBold, ui.mItalic, false);
        return true;
    case CFontSpec::kThemeSmallEmphasizedSystemFont:
        *spec = CFontSpec(family, ScaledSize(ui.mSizePx, 10, 12), true, ui.mItalic, false);
        return true;
    case CFontSpec::kThemeApplicationFont:
        *spec = CFontSpec(family, ScaledSize(ui.mSizePx, 9, 12), ui.mBold, ui.mItalic, false);
        return true;
    default:
        return false;
    }
}

} // namespace

CGraphicManager::CGraphicManager()
{
    fMacMainDevicePaletteSeed = NSPlatform::CDisplayScreens::GetConfigurationSeed();
    fSuperPort = CMacSuperPort::GetCurrent();
    CMacSuperPort::SetSwitcher(SwitchThroughManager);
    CCanvas::SetScreenDepthSource(MainScreenDepth);
    // Installed before anything draws: text measured with the built-in fonts first
    // and drawn with the desktop's later would not fit its boxes.
    CFontSpec::SetThemeFontSource(NSPlatform::CDisplay::IsOpen() ? DesktopThemeFont : nullptr);
}

CGraphicManager::~CGraphicManager()
{
    if (gGraphicMgr != nullptr && gGraphicMgr != this)
        return;
    CMacSuperPort::SetSwitcher(nullptr);
    CCanvas::SetScreenDepthSource(nullptr);
    CFontSpec::SetThemeFontSource(nullptr);
}

void CGraphicManager::MacSetSuperPort(const CMacSuperPort* port)
{
    const CMacSuperPort target = port != nullptr ? *port : CMacSuperPort();
    // The port layer is asked too: a port that went away clears it behind our back.
    if (target.IsEqual(fSuperPort) && CDrawPort::GetCurrent() == target.GetPort())
        return;
    CDrawPort::SetCurrent(target.GetPort(), target.GetDevice());
    fSuperPort = target;
}

void CGraphicManager::MacSetSuperPort(const CABCCanvas* canvas)
{
    if (canvas == nullptr)
        return;
    const CMacSuperPort port = canvas->MacGetMacPort();
    MacSetSuperPort(&port);
}

void CGraphicManager::MacSyncSuperPort()
{
    fSuperPort = CMacSuperPort::GetCurrent();
}

void CGraphicManager::MacSetNoSuperPort()
{
    CDrawPort::SetCurrent(nullptr, nullptr);
    MacSyncSuperPort();
}

CBitmapDest* CGraphicManager::CreateBitmapDestForMainScreen()
{
    return new CBitmapDest();
}

unsigned short CGraphicManager::CountScreens() const
{
    // Work areas are asked of the server screen by screen: not for a count.
    return static_cast<unsigned short>(NSPlatform::CDisplayScreens::List(false).size());
}

CScreenInfo CGraphicManager::GetScreenInfo(unsigned short index) const
{
    const auto screens = NSPlatform::CDisplayScreens::List();
    CScreenInfo info;
    if (index >= screens.size())
        return info;
    const auto& screen = screens[index];
    info.fScreenRect = ToRect(screen.mBounds);
    info.fWorkRect = info.fScreenRect;
    info.fBitDepth = static_cast<uint8_t>(std::clamp(screen.mDepth, 0, 255));
    if (screen.mPrimary)
    {
        info.fIsMainScreen = true;
        // There is no menu bar across the screen here: the desktop's panels at the
        // top take its place.
        info.fHasMenuBar = true;
        info.fMenuBarHeight = static_cast<int16_t>(
            std::clamp(screen.mWorkArea.mTop - screen.mBounds.mTop, 0, static_cast<int>(SHRT_MAX)));
        info.fWorkRect.fTop = static_cast<int16_t>(info.fWorkRect.fTop + info.fMenuBarHeight);
        if (fToolbarFrameHeight > 0)
        {
            info.fHasToolbar = true;
            info.fToolbarHeight = static_cast<int16_t>(fToolbarFrameHeight - 1);
            info.fWorkRect.fTop = static_cast<int16_t>(info.fWorkRect.fTop + info.fToolbarHeight);
        }
    }
    return info;
}

unsigned short CGraphicManager::GetMainScreenIndex() const
{
    const auto screens = NSPlatform::CDisplayScreens::List(false);
    for (size_t i = 0; i < screens.size(); ++i)
    {
        if (screens[i].mPrimary)
            return static_cast<unsigned short>(i);
    }
    return 0;
}

uint8_t CGraphicManager::GetMainScreenBitDepth() const
{
    const auto screen = PrimaryScreen();
    return screen ? static_cast<uint8_t>(std::clamp(screen->mDepth, 0, 255)) : 0;
}

CGlobalRect CGraphicManager::GetMainScreenRect() const
{
    const auto screen = PrimaryScreen();
    return screen ? ToRect(screen->mBounds) : CGlobalRect();
}

const CPalette* CGraphicManager::GetStandardPalette() const
{
    return &CPalette::GetStandardPalette();
}

int32_t CGraphicManager::MacGetMainDevicePaletteSeed() const
{
    return fMacMainDevicePaletteSeed;
}

bool CGraphicManager::MacPollForSeedChange()
{
    const int32_t seed = NSPlatform::CDisplayScreens::GetConfigurationSeed();
    if (seed == fMacMainDevicePaletteSeed)
        return false;
    fMacMainDevicePaletteSeed = seed;
    ScreenBitDepthOrPaletteChanged();
    return true;
}

bool CGraphicManager::ScreenBitDepthOrPaletteChanged()
{
    try
    {
        fBitmapDest.reset();
        fBitmapDest.reset(CreateBitmapDestForMainScreen());
        if (fScreenChanged)
            fScreenChanged();
        return true;
    }
    catch (...)
    {
        return false;
    }
}

} // namespace NSWayfarer
