#include "framework/application/CMouse.h"

#include "framework/application/CTimer.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CDisplayPointer.h"
#include "platform/resources/CMemoryHandles.h"
#include "platform/resources/CResourceManager.h"

#include <algorithm>
#include <climits>

namespace NSWayfarer
{

namespace
{

// Keys of the cached cursor: desktop shapes below any resource id.
constexpr int32_t kBusyKey = -0x10000 - 1;
constexpr int32_t kIBeamKey = -0x10000 - 2;
constexpr int32_t kResourceKeyBase = 0x10000;

int16_t Saturate(int value)
{
    return static_cast<int16_t>(std::clamp(value, SHRT_MIN, SHRT_MAX));
}

} // namespace

int32_t CMouse::gMacCursor = 0;
int16_t CMouse::gWatchCount = 0;
bool CMouse::gMouseTrackingActive = false;
int16_t CMouse::gGrabH = 0;
int16_t CMouse::gGrabV = 0;
int16_t CMouse::gMouseDeltaX = 0;
int16_t CMouse::gMouseDeltaY = 0;

bool CMouse::SetCachedCursor(int32_t key)
{
    if (gMacCursor == key)
        return false;
    gMacCursor = key;
    return true;
}

void CMouse::SetArrowShape()
{
    gMacCursor = 0;
    NSPlatform::CDisplayPointer::SetShape(NSPlatform::CDisplayPointer::kArrow);
}

void CMouse::SetUserShape(short id)
{
    // 'CURS': 16 rows of image, 16 of mask, then the hot spot (vertical, horizontal).
    NSPlatform::THandle cursor = NSPlatform::CResourceManager::Get1Resource(0x43555253, id);
    if (!cursor)
        return;
    if (NSPlatform::CMemoryHandles::GetHandleSize(cursor) >= 68 &&
        SetCachedCursor(kResourceKeyBase + id))
    {
        const auto* bytes = reinterpret_cast<const uint8_t*>(*cursor);
        const int hotV = static_cast<int16_t>((bytes[64] << 8) | bytes[65]);
        const int hotH = static_cast<int16_t>((bytes[66] << 8) | bytes[67]);
        NSPlatform::CDisplayPointer::SetBitmapCursor(bytes, bytes + 32, hotV, hotH);
    }
    NSPlatform::CResourceManager::ReleaseResource(cursor);
}

void CMouse::SetBusyShape()
{
    if (SetCachedCursor(kBusyKey))
        NSPlatform::CDisplayPointer::SetShape(NSPlatform::CDisplayPointer::kBusy);
}

void CMouse::SetIBeamShape()
{
    if (SetCachedCursor(kIBeamKey))
        NSPlatform::CDisplayPointer::SetShape(NSPlatform::CDisplayPointer::kIBeam);
}

bool CMouse::IsDown()
{
    int16_t h;
    int16_t v;
    return NSPlatform::CDisplayPointer::GetState(h, v);
}

bool CMouse::IsStillDown()
{
    // The button state is read from the server, never from queued events, so a
    // release that is still queued counts as up, as it is.
    return IsDown();
}

CMouse::CGlobalState CMouse::GetState()
{
    CGlobalState state;
    state.fDown = NSPlatform::CDisplayPointer::GetState(state.fH, state.fV);
    return state;
}

long CMouse::GetDoubleClickTicks()
{
    return CTimer::MSToTicks(NSPlatform::CDisplayPointer::GetDoubleClickMS());
}

void CMouse::Watch()
{
    if (++gWatchCount > 0)
        SetBusyShape();
}

void CMouse::Unwatch()
{
    if (--gWatchCount == 0)
        SetArrowShape();
}

void CMouse::StartMouseTracking()
{
    NSPlatform::CDisplayPointer::GetState(gGrabH, gGrabV);
    gMouseDeltaX = 0;
    gMouseDeltaY = 0;
    NSPlatform::CDisplayPointer::HideCursor();
    gMouseTrackingActive = true;
}

void CMouse::EndMouseTracking()
{
    NSPlatform::CDisplayPointer::ShowCursor();
    gMouseTrackingActive = false;
}

void CMouse::PushMouseDelta(short dx, short dy)
{
    if (!gMouseTrackingActive)
        return;
    gMouseDeltaX = Saturate(gMouseDeltaX + dx);
    gMouseDeltaY = Saturate(gMouseDeltaY + dy);
}

void CMouse::PopMouseDelta(short* dx, short* dy)
{
    if (dx)
        *dx = gMouseDeltaX;
    if (dy)
        *dy = gMouseDeltaY;
    NSPlatform::CDisplayPointer::WarpTo(gGrabH, gGrabV);
    gMouseDeltaX = 0;
    gMouseDeltaY = 0;
}

void SystemBeep()
{
    NSPlatform::CDisplay::Beep();
}

} // namespace NSWayfarer
