#include "platform/CPlatformClock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <time.h>

namespace NSPlatform
{

namespace
{

std::atomic<bool> gManual{false};
std::atomic<int64_t> gManualUS{0};

// Guards nothing but the hand-over between waiters and wakers.
std::mutex gWaitMutex;
std::condition_variable gWaitCondition;

int64_t RealNowUS()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

} // namespace

int64_t CPlatformClock::NowUS()
{
    return gManual.load() ? gManualUS.load() : RealNowUS();
}

void CPlatformClock::SetManual(bool manual)
{
    if (manual && !gManual.load())
        gManualUS.store(RealNowUS());
    gManual.store(manual);
    WakeWaiters();
}

bool CPlatformClock::IsManual()
{
    return gManual.load();
}

void CPlatformClock::Advance(int64_t us)
{
    if (!gManual.load() || us <= 0)
        return;
    gManualUS.fetch_add(us);
    WakeWaiters();
}

void CPlatformClock::SleepFor(int64_t us)
{
    if (us <= 0)
        return;
    if (gManual.load())
        Advance(us);
    else
        std::this_thread::sleep_for(std::chrono::microseconds(us));
}

bool CPlatformClock::WaitUntil(int64_t deadlineUs, const std::function<bool()>& stop)
{
    std::unique_lock<std::mutex> lock(gWaitMutex);
    for (;;)
    {
        if (stop && stop())
            return false;
        const int64_t now = NowUS();
        if (now >= deadlineUs)
            return true;
        if (gManual.load())
            gWaitCondition.wait(lock);
        else
            gWaitCondition.wait_for(lock, std::chrono::microseconds(deadlineUs - now));
    }
}

void CPlatformClock::WakeWaiters()
{
    std::lock_guard<std::mutex> lock(gWaitMutex);
    gWaitCondition.notify_all();
}

} // namespace NSPlatform
