#include "framework/graphics/CGraphicManager.h"

#include "framework/graphics/CBitmapDest.h"
#include "framework/graphics/CPalette.h"

#include "platform/display/CDisplayScreens.h"

#include <algorithm>
#include <climits>

namespace NSWayfarer
{

CGraphicManager* CGraphicManager::gGraphicMgr = nullptr;

namespace
{

CScreenInfo::SRect ToRect(const NSPlatform::SDisplayRect& r)
{
    auto clamp = [](int v) { return static_cast<int16_t>(std::clamp(v, SHRT_MIN, SHRT_MAX)); };
    return {clamp(r.mLeft), clamp(r.mTop), clamp(r.mRight), clamp(r.mBottom)};
}

} // namespace

CGraphicManager::CGraphicManager()
{
    fMacMainDevicePaletteSeed = NSPlatform::CDisplayScreens::GetConfigurationSeed();
}

CGraphicManager::~CGraphicManager() = default;

CBitmapDest* CGraphicManager::CreateBitmapDestForMainScreen()
{
    return new CBitmapDest();
}

unsigned short CGraphicManager::CountScreens() const
{
    return static_cast<unsigned short>(NSPlatform::CDisplayScreens::List().size());
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
    const auto screens = NSPlatform::CDisplayScreens::List();
    for (size_t i = 0; i < screens.size(); ++i)
    {
        if (screens[i].mPrimary)
            return static_cast<unsigned short>(i);
    }
    return 0;
}

uint8_t CGraphicManager::GetMainScreenBitDepth() const
{
    return GetScreenInfo(GetMainScreenIndex()).fBitDepth;
}

CScreenInfo::SRect CGraphicManager::GetMainScreenRect() const
{
    return GetScreenInfo(GetMainScreenIndex()).fScreenRect;
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
