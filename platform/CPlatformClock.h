// The process's monotonic clock in microseconds, with a manual mode for tests in which
// time only moves when advanced, so long deadlines and retry pauses are checked at once.
#pragma once

#include <cstdint>
#include <functional>

namespace NSPlatform
{

class CPlatformClock
{
public:
    // Microseconds since system start-up; in manual mode the manual time.
    static int64_t NowUS();

    // Switching on starts the manual time at the current real time; switching off returns
    // to the real clock. Waiters re-check their deadlines either way.
    static void SetManual(bool manual);
    static bool IsManual();
    // Manual mode only (ignored otherwise): moves the manual time forward by us (>= 0).
    static void Advance(int64_t us);

    // Real mode: sleeps at least us. Manual mode: advances the manual time by us and returns.
    static void SleepFor(int64_t us);

    // Blocks until NowUS() >= deadlineUs (true) or until stop() holds (false). stop() is
    // evaluated under the clock's lock after every WakeWaiters and every manual advance,
    // so a thread that makes it true and then calls WakeWaiters is never missed.
    static bool WaitUntil(int64_t deadlineUs, const std::function<bool()>& stop);
    static void WakeWaiters();
};

} // namespace NSPlatform
