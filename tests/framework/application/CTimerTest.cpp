#include "framework/application/CTimer.h"
#include "platform/CPlatformClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <time.h>

using namespace NSWayfarer;
using NSPlatform::CPlatformClock;

namespace
{

class CManualClockTimer : public ::testing::Test
{
protected:
    void SetUp() override { CPlatformClock::SetManual(true); }
    void TearDown() override { CPlatformClock::SetManual(false); }
};

// Polls on the real clock, so a broken timer fails the test instead of hanging it.
template <typename Predicate> bool Eventually(Predicate done)
{
    for (int i = 0; i < 5000; ++i)
    {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

double ProcessCPUSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct SCounter
{
    std::atomic<int> fCalls{0};
    std::atomic<void*> fSeenUserData{nullptr};
};

void CountCall(CTimer* timer)
{
    auto* counter = static_cast<SCounter*>(timer->GetUserData());
    counter->fSeenUserData = timer->GetUserData();
    counter->fCalls.fetch_add(1);
}

} // namespace

TEST(CTimer, TickConversionsTruncateTowardZero)
{
    EXPECT_EQ(CTimer::MSToTicks(50), 3);
    EXPECT_EQ(CTimer::MSToTicks(16), 0);
    EXPECT_EQ(CTimer::MSToTicks(17), 1);
    EXPECT_EQ(CTimer::MSToTicks(-50), -3);
    EXPECT_EQ(CTimer::TicksToMS(3), 50);
    EXPECT_EQ(CTimer::TicksToMS(1), 16);
    EXPECT_EQ(CTimer::TicksToMS(-1), -16);
    EXPECT_EQ(CTimer::TicksToMS(60), 1000);
}

TEST_F(CManualClockTimer, ClocksAgreeAndSystemMSWrapsToNegative)
{
    const uint64_t us = CTimer::GetSystemUS();
    EXPECT_EQ(CTimer::GetSystemMS(), TMilliSecond(uint32_t(us / 1000)));
    EXPECT_EQ(CTimer::GetSystemTick(), long(us * 60 / 1000000));

    // Move to just before 2^31 ms of uptime, then across it.
    const int64_t wrapUS = (int64_t(1) << 31) * 1000;
    CPlatformClock::Advance(wrapUS - 1000 - CPlatformClock::NowUS());
    const TMilliSecond before = CTimer::GetSystemMS();
    EXPECT_EQ(before, INT32_MAX);
    CTimer::WaitForMS(5); // must not wait forever across the wrap
    const TMilliSecond after = CTimer::GetSystemMS();
    EXPECT_LT(after, 0);
    EXPECT_EQ(after, INT32_MIN + 4);
}

TEST_F(CManualClockTimer, WaitsAdvanceTheManualClockAtOnce)
{
    const TMilliSecond start = CTimer::GetSystemMS();
    CTimer::WaitForMS(0);
    CTimer::WaitForMS(-10);
    EXPECT_EQ(CTimer::GetSystemMS(), start);

    CTimer::WaitForMS(20000);
    EXPECT_EQ(CTimer::GetSystemMS() - start, 20000);
    for (int i = 0; i < 20; ++i)
        CTimer::WaitForMS(1000);
    EXPECT_EQ(CTimer::GetSystemMS() - start, 40000);

    const long ticks = CTimer::GetSystemTick();
    CTimer::WaitForTicks(3);
    EXPECT_EQ(CTimer::GetSystemTick() - ticks, 3);
}

TEST(CTimer, RealWaitsSleepInsteadOfSpinning)
{
    const double cpuBefore = ProcessCPUSeconds();
    const TMilliSecond start = CTimer::GetSystemMS();
    CTimer::WaitForMS(150);
    const TMilliSecond waited = CTimer::GetSystemMS() - start;
    const double cpu = ProcessCPUSeconds() - cpuBefore;
    EXPECT_GE(waited, 150);
    EXPECT_LT(cpu, 0.05);

    const long ticks = CTimer::GetSystemTick();
    CTimer::WaitForTicks(2);
    EXPECT_GE(CTimer::GetSystemTick() - ticks, 2);
}

TEST_F(CManualClockTimer, PeriodicTimerFiresOncePerPeriodOfManualTime)
{
    SCounter counter;
    const int64_t start = CPlatformClock::NowUS();
    CTimer timer(CountCall, &counter, 100);
    ASSERT_TRUE(Eventually(
        [&]
        {
            if (counter.fCalls.load() >= 3)
                return true;
            CPlatformClock::Advance(10000);
            return false;
        }));
    EXPECT_EQ(timer.GetTickCount(), 3);
    EXPECT_EQ(counter.fSeenUserData.load(), &counter);
    // Each expiry needs a full period after the previous one.
    EXPECT_GE(CPlatformClock::NowUS() - start, 300000);
}

namespace
{

// The first call takes 250 ms of manual time, more than two periods.
struct SLongFirstCall
{
    std::atomic<int> fCalls{0};
    std::atomic<int64_t> fFirstEnd{0};
    std::atomic<int64_t> fSecondStart{0};
};

void LongFirstCall(CTimer* timer)
{
    auto* state = static_cast<SLongFirstCall*>(timer->GetUserData());
    const int call = state->fCalls.load() + 1;
    if (call == 2)
        state->fSecondStart = CPlatformClock::NowUS();
    if (call == 1)
    {
        CPlatformClock::Advance(250000);
        state->fFirstEnd = CPlatformClock::NowUS();
    }
    state->fCalls.store(call);
}

} // namespace

TEST_F(CManualClockTimer, NextCallComesAFullPeriodAfterTheLastOneEnded)
{
    SLongFirstCall state;
    CTimer timer(LongFirstCall, &state, 100);
    CPlatformClock::Advance(100000);
    ASSERT_TRUE(Eventually([&] { return state.fCalls.load() >= 1; }));
    // The clock stands still now: a timer that kept a fixed rate would make up for the
    // periods the call took at once. A short real wait gives it the chance.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(state.fCalls.load(), 1);
    CPlatformClock::Advance(99000);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(state.fCalls.load(), 1);
    CPlatformClock::Advance(1000);
    ASSERT_TRUE(Eventually([&] { return state.fCalls.load() >= 2; }));
    EXPECT_EQ(state.fSecondStart.load() - state.fFirstEnd.load(), 100000);
}

TEST(CTimer, StopsFiringOnceDestroyed)
{
    SCounter counter;
    {
        CTimer timer(CountCall, &counter, 5);
        ASSERT_TRUE(Eventually([&] { return counter.fCalls.load() >= 3; }));
    }
    const int calls = counter.fCalls.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(counter.fCalls.load(), calls);
}

namespace
{

struct SSlowCallback
{
    std::atomic<bool> fEntered{false};
    std::atomic<bool> fFinished{false};
};

void SlowCall(CTimer* timer)
{
    auto* state = static_cast<SSlowCallback*>(timer->GetUserData());
    if (state->fEntered.exchange(true))
        return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    state->fFinished = true;
}

struct SSelfDeleting
{
    std::atomic<CTimer*> fTimer{nullptr};
    std::atomic<bool> fDeleted{false};
};

void DeleteSelf(CTimer* timer)
{
    auto* state = static_cast<SSelfDeleting*>(timer->GetUserData());
    // The creator stores the pointer only after construction; until then there is nothing to do.
    CTimer* self = state->fTimer.load();
    if (self == nullptr)
        return;
    EXPECT_EQ(self, timer);
    delete self;
    state->fDeleted = true;
}

} // namespace

TEST(CTimer, DestructionWaitsForARunningCallback)
{
    SSlowCallback state;
    auto* timer = new CTimer(SlowCall, &state, 1);
    ASSERT_TRUE(Eventually([&] { return state.fEntered.load(); }));
    delete timer;
    EXPECT_TRUE(state.fFinished.load());
}

TEST(CTimer, CallbackMayDeleteItsOwnTimer)
{
    SSelfDeleting state;
    state.fTimer = new CTimer(DeleteSelf, &state, 1);
    EXPECT_TRUE(Eventually([&] { return state.fDeleted.load(); }));
    // Give the detached thread time to wind down under the sanitizers.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}
