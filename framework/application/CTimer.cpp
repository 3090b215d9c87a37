#include "framework/application/CTimer.h"

#include "platform/CPlatformClock.h"

#include <atomic>

using NSPlatform::CPlatformClock;

namespace NSWayfarer
{

// What the timer thread touches. It owns a reference, so a timer deleted from inside
// its own callback leaves the thread something valid to look at on the way out.
struct CTimer::SShared
{
    std::atomic<bool> fStop{false};
    std::atomic<long> fTickCount{0};
    // Set once the constructor has stored the thread, which the destructor may then use
    // even when it runs on that very thread.
    std::atomic<bool> fReady{false};
};

CTimer::CTimer(TCallback callback, void* userData, long periodMS)
    : fUserData(userData), fCallback(callback), fPeriod(periodMS < 1 ? 1 : periodMS),
      fShared(std::make_shared<SShared>())
{
    // Primed here rather than on the thread, so the first period starts at construction.
    const int64_t periodUS = int64_t(fPeriod) * 1000;
    const int64_t firstDeadline = CPlatformClock::NowUS() + periodUS;
    fThread = std::thread(
        [shared = fShared, callback = fCallback, periodUS, firstDeadline, self = this]()
        {
            shared->fReady.wait(false);
            int64_t deadline = firstDeadline;
            const auto stopped = [&shared]() { return shared->fStop.load(); };
            while (CPlatformClock::WaitUntil(deadline, stopped))
            {
                shared->fTickCount.fetch_add(1);
                if (callback != nullptr)
                    callback(self);
                if (shared->fStop.load())
                    break;
                deadline = CPlatformClock::NowUS() + periodUS;
            }
        });
    fShared->fReady.store(true);
    fShared->fReady.notify_one();
}

CTimer::~CTimer()
{
    fShared->fStop.store(true);
    CPlatformClock::WakeWaiters();
    if (fThread.joinable())
    {
        if (fThread.get_id() == std::this_thread::get_id())
            fThread.detach();
        else
            fThread.join();
    }
}

long CTimer::GetTickCount() const
{
    return fShared->fTickCount.load();
}

long CTimer::GetSystemTick()
{
    return static_cast<long>(CPlatformClock::NowUS() * 60 / 1000000);
}

TMilliSecond CTimer::GetSystemMS()
{
    const int64_t ms = CPlatformClock::NowUS() / 1000;
    return static_cast<TMilliSecond>(static_cast<uint32_t>(ms));
}

uint64_t CTimer::GetSystemUS()
{
    return static_cast<uint64_t>(CPlatformClock::NowUS());
}

void CTimer::WaitForTicks(long ticks)
{
    const long start = GetSystemTick();
    for (;;)
    {
        const long left = ticks - (GetSystemTick() - start);
        if (left <= 0)
            return;
        // Rounded up so that a manual clock lands on or past the tick it waits for.
        CPlatformClock::SleepFor((int64_t(left) * 1000000 + 59) / 60);
    }
}

void CTimer::WaitForMS(long ms)
{
    const TMilliSecond start = GetSystemMS();
    for (;;)
    {
        // Unsigned difference: stays right when GetSystemMS wraps during the wait.
        const uint32_t elapsed = uint32_t(GetSystemMS()) - uint32_t(start);
        const int64_t left = int64_t(ms) - int64_t(elapsed);
        if (left <= 0)
            return;
        CPlatformClock::SleepFor(left * 1000);
    }
}

long CTimer::MSToTicks(long ms)
{
    return ms * 6 / 100;
}

long CTimer::TicksToMS(long ticks)
{
    return ticks * 100 / 6;
}

} // namespace NSWayfarer
