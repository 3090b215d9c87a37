#include "platform/CPlatformClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using NSPlatform::CPlatformClock;

namespace
{

class CManualClock : public ::testing::Test
{
protected:
    void SetUp() override { CPlatformClock::SetManual(true); }
    void TearDown() override { CPlatformClock::SetManual(false); }
};

} // namespace

TEST(CPlatformClock, RealClockIsMonotonicAndSleepsAtLeastTheTimeAsked)
{
    ASSERT_FALSE(CPlatformClock::IsManual());
    const int64_t before = CPlatformClock::NowUS();
    CPlatformClock::SleepFor(5000);
    const int64_t after = CPlatformClock::NowUS();
    EXPECT_GE(after - before, 5000);
    CPlatformClock::Advance(1000000000); // ignored on the real clock
    EXPECT_LT(CPlatformClock::NowUS() - after, 1000000000);
}

TEST_F(CManualClock, TimeMovesOnlyWhenAdvanced)
{
    const int64_t start = CPlatformClock::NowUS();
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    EXPECT_EQ(CPlatformClock::NowUS(), start);
    CPlatformClock::Advance(250);
    EXPECT_EQ(CPlatformClock::NowUS(), start + 250);
    CPlatformClock::SleepFor(20000000); // twenty seconds, at once
    EXPECT_EQ(CPlatformClock::NowUS(), start + 250 + 20000000);
    CPlatformClock::Advance(-5);
    EXPECT_EQ(CPlatformClock::NowUS(), start + 250 + 20000000);
}

TEST_F(CManualClock, ManualTimeStartsAtRealTimeAndDoesNotRestartWhenSetAgain)
{
    const int64_t start = CPlatformClock::NowUS();
    CPlatformClock::SetManual(false);
    EXPECT_GE(CPlatformClock::NowUS(), start);
    CPlatformClock::SetManual(true);
    CPlatformClock::Advance(7);
    const int64_t advanced = CPlatformClock::NowUS();
    CPlatformClock::SetManual(true);
    EXPECT_EQ(CPlatformClock::NowUS(), advanced);
}

TEST_F(CManualClock, WaiterWakesWhenAnotherThreadAdvancesPastItsDeadline)
{
    const int64_t deadline = CPlatformClock::NowUS() + 1000;
    std::atomic<bool> reached{false};
    std::thread waiter([&] { reached = CPlatformClock::WaitUntil(deadline, nullptr); });
    CPlatformClock::Advance(400);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(reached.load());
    CPlatformClock::Advance(600);
    waiter.join();
    EXPECT_TRUE(reached.load());
}

TEST_F(CManualClock, StoppedWaiterReturnsFalseBeforeItsDeadline)
{
    std::atomic<bool> stop{false};
    std::atomic<int> result{-1};
    std::thread waiter(
        [&]
        {
            result = CPlatformClock::WaitUntil(CPlatformClock::NowUS() + 1000000,
                                               [&] { return stop.load(); });
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    stop = true;
    CPlatformClock::WakeWaiters();
    waiter.join();
    EXPECT_EQ(result.load(), 0);
}

TEST(CPlatformClock, SwitchingToRealTimeReleasesManualWaiters)
{
    CPlatformClock::SetManual(true);
    const int64_t deadline = CPlatformClock::NowUS() + 2000;
    std::thread waiter([&] { EXPECT_TRUE(CPlatformClock::WaitUntil(deadline, nullptr)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    CPlatformClock::SetManual(false); // the real clock has long passed the deadline
    waiter.join();
}
