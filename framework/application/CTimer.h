// The framework's time base: tick, millisecond and microsecond clocks counting from system
// start-up, waits, tick/millisecond conversion, and a periodic timer that calls a function.
#pragma once

#include <cstdint>
#include <memory>
#include <thread>

namespace NSWayfarer
{

// Milliseconds of GetSystemMS: signed 32 bits, wrapping after about 24.8 days of uptime.
using TMilliSecond = int32_t;

class CTimer
{
public:
    using TCallback = void (*)(CTimer*);

    // Fires callback every periodMS milliseconds, measured from the end of the previous
    // call, on a timer thread of its own, until destruction. Periods below 1 ms count as 1.
    CTimer(TCallback callback, void* userData, long periodMS);
    CTimer(const CTimer&) = delete;
    CTimer& operator=(const CTimer&) = delete;
    // Waits for a running callback to return; afterwards the callback is never called
    // again. May be called from the callback itself.
    virtual ~CTimer();

    // Number of expiries so far.
    long GetTickCount() const;
    void* GetUserData() const { return fUserData; }

    // Ticks (1/60 s) since system start-up.
    static long GetSystemTick();
    // Microseconds since start-up / 1000, truncated to 32 bits.
    static TMilliSecond GetSystemMS();
    static uint64_t GetSystemUS();

    // Return once the given number of ticks / milliseconds has passed. They sleep rather
    // than spin; on the manual test clock they advance it and return at once.
    static void WaitForTicks(long ticks);
    static void WaitForMS(long ms);

    // ms * 6 / 100 and ticks * 100 / 6, integer division toward zero.
    static long MSToTicks(long ms);
    static long TicksToMS(long ticks);

private:
    struct SShared;

    void* fUserData = nullptr;
    TCallback fCallback = nullptr;
    long fPeriod = 0;
    std::shared_ptr<SShared> fShared;
    std::thread fThread;
};

} // namespace NSWayfarer
