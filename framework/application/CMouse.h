// The mouse as the framework sees it: the cursor shape (with a busy cursor while
// work is under way), the button and position, and a relative-motion mode that
// hides the cursor and reports movement as deltas.
#pragma once

#include <cstdint>

namespace NSWayfarer
{

class CMouse
{
public:
    struct CGlobalState
    {
        bool fDown = false;
        int16_t fH = 0;
        int16_t fV = 0;
    };
    struct CLocalState
    {
        bool fDown = false;
        int16_t fH = 0;
        int16_t fV = 0;
    };

    // Cursor resource ids of the busy and I-beam shapes; on this desktop they are
    // the theme's own cursors.
    static constexpr short kBusyCursorID = 4;
    static constexpr short kIBeamCursorID = 1;

    static void SetArrowShape();
    // A cursor from the application's 'CURS' resource; nothing when it does not exist.
    static void SetUserShape(short id);
    static void SetBusyShape();
    static void SetIBeamShape();

    static bool IsDown();
    static bool IsStillDown();
    static CGlobalState GetState();
    static long GetDoubleClickTicks();

    static void Watch();
    static void Unwatch();
    static int16_t GetWatchCount() { return gWatchCount; }

    static void StartMouseTracking();
    static void EndMouseTracking();
    static void PushMouseDelta(short dx, short dy);
    static void PopMouseDelta(short* dx, short* dy);
    static bool IsMouseTrackingActive() { return gMouseTrackingActive; }

    // The cursor last set: 0 after the arrow, else a key of the shape (tests look).
    static int32_t GetCachedCursor() { return gMacCursor; }

private:
    static bool SetCachedCursor(int32_t key);

    static int32_t gMacCursor;
    static int16_t gWatchCount;
    static bool gMouseTrackingActive;
    static int16_t gGrabH;
    static int16_t gGrabV;
    static int16_t gMouseDeltaX;
    static int16_t gMouseDeltaY;
};

// Busy for the life of a scope.
class CMouseWatcher
{
public:
    CMouseWatcher() { CMouse::Watch(); }
    ~CMouseWatcher() { CMouse::Unwatch(); }
    CMouseWatcher(const CMouseWatcher&) = delete;
    CMouseWatcher& operator=(const CMouseWatcher&) = delete;
};

// The desktop's alert sound.
void SystemBeep();

} // namespace NSWayfarer
