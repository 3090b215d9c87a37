#include "platform/display/CDisplayScreens.h"

#include "platform/display/CDisplay.h"
#include "platform/display/DisplayGdk.h"

namespace NSPlatform
{

std::vector<CDisplayScreens::SScreen> CDisplayScreens::List(bool withWorkArea)
{
    std::vector<SScreen> screens;
    if (!CDisplay::IsOpen())
        return screens;
    GdkDisplay* display = gdk_display_get_default();
    GdkVisual* visual = gdk_screen_get_system_visual(gdk_display_get_default_screen(display));
    int depth = visual ? gdk_visual_get_depth(visual) : 24;
    // 24 significant bits are stored in 32-bit pixels (cairo's RGB24).
    if (depth == 24)
        depth = 32;
    GdkMonitor* primary = gdk_display_get_primary_monitor(display);
    const int count = gdk_display_get_n_monitors(display);
    for (int i = 0; i < count; ++i)
    {
        GdkMonitor* monitor = gdk_display_get_monitor(display, i);
        if (!monitor)
            continue;
        GdkRectangle bounds;
        GdkRectangle work;
        gdk_monitor_get_geometry(monitor, &bounds);
        if (withWorkArea)
            gdk_monitor_get_workarea(monitor, &work);
        else
            work = bounds;
        SScreen screen;
        screen.mBounds = {bounds.x, bounds.y, bounds.x + bounds.width, bounds.y + bounds.height};
        screen.mWorkArea = {work.x, work.y, work.x + work.width, work.y + work.height};
        screen.mDepth = depth;
        screen.mPrimary = monitor == primary;
        screen.mScale = gdk_monitor_get_scale_factor(monitor);
        screens.push_back(screen);
    }
    if (!primary && !screens.empty())
        screens.front().mPrimary = true;
    return screens;
}

int32_t CDisplayScreens::GetConfigurationSeed()
{
    // FNV-1a over everything the framework reads from the screens.
    uint32_t hash = 2166136261u;
    auto mix = [&hash](int value)
    {
        for (int shift = 0; shift < 32; shift += 8)
        {
            hash ^= static_cast<uint32_t>(value >> shift) & 0xFF;
            hash *= 16777619u;
        }
    };
    for (const SScreen& s : List(false))
    {
        mix(s.mBounds.mLeft);
        mix(s.mBounds.mTop);
        mix(s.mBounds.mRight);
        mix(s.mBounds.mBottom);
        mix(s.mDepth);
        mix(s.mPrimary);
        mix(s.mScale);
    }
    return static_cast<int32_t>(hash);
}

} // namespace NSPlatform
