#include "platform/CMainEventQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <unistd.h>
#include <vector>

using NSPlatform::CMainEventQueue;
using Clock = std::chrono::steady_clock;

namespace
{

long ElapsedMs(Clock::time_point since)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

} // namespace

TEST(CMainEventQueue, NothingPostedWaitsTheWholeTimeoutAndReportsNothing)
{
    CMainEventQueue queue;
    const auto start = Clock::now();
    EXPECT_EQ(queue.WaitAndDispatch(60), 0);
    EXPECT_GE(ElapsedMs(start), 55);
}

TEST(CMainEventQueue, PostFromAnotherThreadWakesTheWaitAndRunsOnTheWaitingThread)
{
    CMainEventQueue queue;
    std::thread::id ranOn;
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        queue.Post([&] { ranOn = std::this_thread::get_id(); });
    });
    const auto start = Clock::now();
    int ran = 0;
    while (ran == 0 && ElapsedMs(start) < 5000)
        ran = queue.WaitAndDispatch(5000);
    poster.join();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_LT(ElapsedMs(start), 2000);
}

TEST(CMainEventQueue, WorkPostedBeforeTheWaitRunsWithoutWaiting)
{
    CMainEventQueue queue;
    int count = 0;
    queue.Post([&] { ++count; });
    queue.Post([&] { ++count; });
    const auto start = Clock::now();
    EXPECT_EQ(queue.WaitAndDispatch(1000), 2);
    EXPECT_EQ(count, 2);
    EXPECT_LT(ElapsedMs(start), 500);
}

TEST(CMainEventQueue, WorkPostedByWorkRunsOnTheNextPass)
{
    CMainEventQueue queue;
    int count = 0;
    queue.Post([&] { queue.Post([&] { ++count; }); });
    EXPECT_EQ(queue.WaitAndDispatch(0), 1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(queue.WaitAndDispatch(0), 1);
    EXPECT_EQ(count, 1);
}

TEST(CMainEventQueue, ReadyWatchRunsAndRemovedWatchDoesNot)
{
    CMainEventQueue queue;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    int firstCalls = 0, secondCalls = 0;
    int second = 0;
    // The first handler removes the second one, which is ready in the same pass.
    queue.AddWatch(fds[0], POLLIN, [&](short) {
        ++firstCalls;
        queue.RemoveWatch(second);
        char c;
        ASSERT_EQ(::read(fds[0], &c, 1), 1);
    });
    second = queue.AddWatch(fds[0], POLLIN, [&](short) { ++secondCalls; });
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    EXPECT_EQ(queue.WaitAndDispatch(1000), 1);
    EXPECT_EQ(firstCalls, 1);
    EXPECT_EQ(secondCalls, 0);
    EXPECT_EQ(queue.WaitAndDispatch(0), 0);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(CMainEventQueue, ManyPostersLoseNothing)
{
    CMainEventQueue queue;
    constexpr int kThreads = 4, kEach = 500;
    std::atomic<int> posted{0};
    int ran = 0;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([&] {
            for (int i = 0; i < kEach; ++i)
            {
                queue.Post([&] { ++ran; });
                ++posted;
            }
        });
    const auto start = Clock::now();
    while (ran < kThreads * kEach && ElapsedMs(start) < 10000)
        queue.WaitAndDispatch(100);
    for (auto& t : posters)
        t.join();
    EXPECT_EQ(ran, kThreads * kEach);
}

TEST(CMainEventQueue, FailingWorkKeepsTheWorkPostedAfterIt)
{
    CMainEventQueue queue;
    std::vector<int> order;
    queue.Post([&] { order.push_back(1); });
    queue.Post([] { throw std::runtime_error("work failed"); });
    queue.Post([&] { order.push_back(2); });
    queue.Post([&] { order.push_back(3); });
    EXPECT_THROW(queue.WaitAndDispatch(0), std::runtime_error);
    EXPECT_EQ(order, (std::vector<int>{1}));
    queue.Post([&] { order.push_back(4); });
    // The rest comes first and without waiting.
    const auto start = Clock::now();
    EXPECT_EQ(queue.WaitAndDispatch(1000), 3);
    EXPECT_LT(ElapsedMs(start), 500);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

namespace
{

// A second source joining the wait, as the window system's main context does.
class CPipeSource : public CMainEventQueue::CJoinedSource
{
public:
    CPipeSource() { EXPECT_EQ(::pipe(fPipe), 0); }
    ~CPipeSource() override
    {
        ::close(fPipe[0]);
        ::close(fPipe[1]);
    }
    bool Prepare(std::vector<pollfd>& fds, int& timeoutMs) override
    {
        ++fPrepared;
        fds.push_back({fPipe[0], POLLIN, 0});
        if (fTimeoutMs >= 0 && (timeoutMs < 0 || fTimeoutMs < timeoutMs))
            timeoutMs = fTimeoutMs;
        return fReadyAlready;
    }
    int Dispatch(pollfd* fds, size_t count) override
    {
        ++fDispatched;
        if (count != 1 || !(fds[0].revents & POLLIN))
            return 0;
        char byte;
        return static_cast<int>(::read(fPipe[0], &byte, 1));
    }

    int fPipe[2] = {-1, -1};
    int fPrepared = 0;
    int fDispatched = 0;
    int fTimeoutMs = -1;
    bool fReadyAlready = false;
};

TEST(CMainEventQueue, JoinedSourceSharesTheOneWait)
{
    CMainEventQueue queue;
    CPipeSource source;
    queue.SetJoinedSource(&source);

    // Its descriptor ends the wait; what it delivered counts as having come.
    std::thread writer(
        [&]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            EXPECT_EQ(::write(source.fPipe[1], "x", 1), 1);
        });
    const auto start = Clock::now();
    EXPECT_EQ(queue.WaitAndDispatch(5000), 1);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    writer.join();

    // Its own deadline shortens the wait; it hears of every wait, also an empty one.
    source.fTimeoutMs = 10;
    const auto shortStart = Clock::now();
    EXPECT_EQ(queue.WaitAndDispatch(5000), 0);
    EXPECT_LT(Clock::now() - shortStart, std::chrono::seconds(2));
    EXPECT_EQ(source.fPrepared, source.fDispatched);

    // Something ready already: no waiting at all.
    source.fTimeoutMs = -1;
    source.fReadyAlready = true;
    const auto readyStart = Clock::now();
    queue.WaitAndDispatch(5000);
    EXPECT_LT(Clock::now() - readyStart, std::chrono::seconds(2));

    // Posted work still runs beside it.
    source.fReadyAlready = false;
    bool ran = false;
    queue.Post([&] { ran = true; });
    EXPECT_EQ(queue.WaitAndDispatch(5000), 1);
    EXPECT_TRUE(ran);
    queue.SetJoinedSource(nullptr);
}

} // namespace
