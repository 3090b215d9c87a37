// The event loop's core: idle spacing, the sleep allowance, the quit sequence,
// the window phases and the life of Run, under the manual clock.
#include "framework/application/CApplication.h"
#include "framework/application/CApplicationWindowSystem.h"
#include "framework/application/CExitTask.h"
#include "framework/application/CTimer.h"
#include "platform/CMainEventQueue.h"
#include "platform/CPlatformClock.h"
#include "platform/resources/CResourceManager.h"

#include "ResourceImageForTests.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <functional>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace NSWayfarer;

namespace
{

class CTestApp : public CApplication
{
public:
    explicit CTestApp(const CApplicationStartupInfo* info) : CApplication(info) {}

    void Initialize() override
    {
        CApplication::Initialize();
        fLog.push_back("Initialize");
        if (fQuitInInitialize)
            RequestQuit();
    }
    void CleanUp() override { fLog.push_back("CleanUp"); }
    void Idle() override
    {
        CApplication::Idle();
        fIdleTimes.push_back(CTimer::GetSystemMS());
        if (fThrowInIdle)
            throw std::runtime_error("idle failed");
        if (fQuitAfterIdles > 0 && static_cast<int>(fIdleTimes.size()) >= fQuitAfterIdles)
            RequestQuit();
    }

    std::vector<std::string> fLog;
    std::vector<TMilliSecond> fIdleTimes;
    bool fThrowInIdle = false;
    bool fQuitInInitialize = false;
    int fQuitAfterIdles = 0;
};

class CTestWindows : public CApplicationWindowSystem
{
public:
    CTestWindows(std::vector<std::string>& log, const char* name) : fLog(log), fName(name) {}
    void HandleChangeRequests() override
    {
        fLog.push_back(fName + ".HandleChangeRequests");
        if (fOnChangeRequests)
            fOnChangeRequests();
    }
    void SetupState() override { fLog.push_back(fName + ".SetupState"); }
    void UpdateGraphics() override { fLog.push_back(fName + ".UpdateGraphics"); }
    bool TryClosingAllWindows() override
    {
        fLog.push_back(fName + ".TryClosing");
        return fAgreeToClose;
    }
    void IdleAll() override { ++fIdles; }

    std::vector<std::string>& fLog;
    std::string fName;
    bool fAgreeToClose = true;
    int fIdles = 0;
    std::function<void()> fOnChangeRequests;
};

class CTestExitTask : public CExitTask
{
public:
    CTestExitTask(std::vector<std::string>& log, const char* name) : fLog(log), fName(name) {}
    void DoCleanup() override
    {
        fLog.push_back(fName);
        if (fThen)
            fThen();
    }
    std::vector<std::string>& fLog;
    std::string fName;
    std::function<void()> fThen;
};

class ApplicationLoop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        NSPlatform::CPlatformClock::SetManual(true);
        NSPlatform::CMainEventQueue::Main().Clear();
        std::snprintf(fInfo.fApplicationName, sizeof fInfo.fApplicationName, "Loop Test");
        fResourceImage = ResourceImageForTests::Build({});
        fResourceRef = NSPlatform::CResourceManager::OpenResImage(fResourceImage.data(),
                                                                  fResourceImage.size());
        ASSERT_NE(fResourceRef, NSPlatform::CResourceManager::kNoFile);
        NSPlatform::CResourceManager::UseResFile(fResourceRef);
        fApp = std::make_unique<CTestApp>(&fInfo);
    }
    void TearDown() override
    {
        for (auto* w : fRegistered)
            CApplication::UnregisterWindowSystem(w);
        fApp.reset();
        if (fResourceRef != NSPlatform::CResourceManager::kNoFile)
            NSPlatform::CResourceManager::CloseResFile(fResourceRef);
        NSPlatform::CMainEventQueue::Main().Clear();
        NSPlatform::CPlatformClock::SetManual(false);
    }
    // Moves the manual clock forward until GetSystemMS reads `target`.
    static void MoveClockToMS(TMilliSecond target)
    {
        const uint32_t ahead = uint32_t(target) - uint32_t(CTimer::GetSystemMS());
        NSPlatform::CPlatformClock::Advance(int64_t(ahead) * 1000);
        ASSERT_EQ(CTimer::GetSystemMS(), target);
    }
    void Register(CTestWindows* w)
    {
        CApplication::RegisterWindowSystem(w);
        fRegistered.push_back(w);
    }
    void Enter()
    {
        fApp->Initialize();
        // Run's state while the loop turns.
        fApp->RequestQuit();
        std::vector<std::string> unused;
        CTestWindows refuse(unused, "refuse");
        refuse.fAgreeToClose = false;
        CApplication::RegisterWindowSystem(&refuse);
        fApp->DriveCompleteEventLoop();
        CApplication::UnregisterWindowSystem(&refuse);
        ASSERT_TRUE(fApp->IsRunningEventLoop());
        fApp->fIdleTimes.clear();
    }

    CApplicationStartupInfo fInfo;
    std::vector<uint8_t> fResourceImage;
    int16_t fResourceRef = NSPlatform::CResourceManager::kNoFile;
    std::unique_ptr<CTestApp> fApp;
    std::vector<CTestWindows*> fRegistered;
};

} // namespace

TEST_F(ApplicationLoop, SleepAllowanceFollowsIdleRateAndBoost)
{
    fApp->Initialize();
    EXPECT_EQ(fApp->GetIdleRate(), 50);
    EXPECT_EQ(fApp->GetSleepTicks(), 3);
    fApp->SetIdleRate(10);
    EXPECT_EQ(fApp->GetSleepTicks(), 0);
    fApp->SetIdleRate(50);
    fApp->StartBoostIdle();
    fApp->StartBoostIdle();
    fApp->StopBoostIdle();
    EXPECT_TRUE(fApp->IsIdleBoosted());
    EXPECT_EQ(fApp->GetSleepTicks(), 0);
    fApp->StopBoostIdle();
    EXPECT_FALSE(fApp->IsIdleBoosted());
}

TEST_F(ApplicationLoop, QuietLoopIdlesOncePerIdleRate)
{
    Enter();
    for (int i = 0; i < 40; ++i)
        fApp->DriveCompleteEventLoop();
    ASSERT_GE(fApp->fIdleTimes.size(), 10u);
    for (size_t i = 1; i < fApp->fIdleTimes.size(); ++i)
    {
        const TMilliSecond gap = fApp->fIdleTimes[i] - fApp->fIdleTimes[i - 1];
        EXPECT_GT(gap, 50);
        // The wait ends when the next pass is due, not a whole allowance later.
        EXPECT_LE(gap, 52);
    }
}

TEST_F(ApplicationLoop, StreamOfEventsStillSpacesIdle)
{
    Enter();
    int handled = 0;
    for (int i = 0; i < 200; ++i)
    {
        NSPlatform::CMainEventQueue::Main().Post([&handled] { ++handled; });
        CTimer::WaitForMS(5);
        fApp->DriveCompleteEventLoop();
    }
    EXPECT_EQ(handled, 200);
    // 200 turns of 5 ms: a pass at most every 50 ms, and none skipped for long.
    ASSERT_GE(fApp->fIdleTimes.size(), 15u);
    for (size_t i = 1; i < fApp->fIdleTimes.size(); ++i)
    {
        const TMilliSecond gap = fApp->fIdleTimes[i] - fApp->fIdleTimes[i - 1];
        EXPECT_GT(gap, 50);
        EXPECT_LE(gap, 60);
    }
}

TEST_F(ApplicationLoop, BoostedIdleRunsEveryTurn)
{
    Enter();
    fApp->StartBoostIdle();
    for (int i = 0; i < 5; ++i)
    {
        CTimer::WaitForMS(1);
        fApp->DriveCompleteEventLoop();
    }
    EXPECT_EQ(fApp->fIdleTimes.size(), 5u);
}

TEST_F(ApplicationLoop, IdleNowMakesThePassDueAndWakesTheWait)
{
    Enter();
    fApp->DriveCompleteEventLoop();
    const size_t before = fApp->fIdleTimes.size();
    const TMilliSecond asked = CTimer::GetSystemMS();
    fApp->IdleNow();
    fApp->DriveCompleteEventLoop();
    ASSERT_EQ(fApp->fIdleTimes.size(), before + 1);
    // At once, not after the rest of the idle rate.
    EXPECT_EQ(fApp->fIdleTimes.back(), asked);
}

TEST_F(ApplicationLoop, IdleKeepsItsPaceWhereTheMillisecondClockTurnsNegativeOrWraps)
{
    auto expectPaced = [this](const char* where)
    {
        SCOPED_TRACE(where);
        fApp->fIdleTimes.clear();
        for (int i = 0; i < 40; ++i)
            fApp->DriveCompleteEventLoop();
        ASSERT_GE(fApp->fIdleTimes.size(), 10u);
        for (size_t i = 1; i < fApp->fIdleTimes.size(); ++i)
        {
            const uint32_t gap = uint32_t(fApp->fIdleTimes[i]) - uint32_t(fApp->fIdleTimes[i - 1]);
            EXPECT_GT(gap, 50u);
            EXPECT_LE(gap, 52u);
        }
    };
    // Between 24.8 and 49.7 days after system start the clock reads negative.
    MoveClockToMS(-1'000'000'000);
    Enter();
    expectPaced("negative");

    const TMilliSecond asked = CTimer::GetSystemMS();
    fApp->IdleNow();
    fApp->DriveCompleteEventLoop();
    ASSERT_FALSE(fApp->fIdleTimes.empty());
    EXPECT_EQ(fApp->fIdleTimes.back(), asked);

    MoveClockToMS(INT32_MAX - 500);
    fApp->IdleNow();
    expectPaced("sign flip");
    EXPECT_LT(CTimer::GetSystemMS(), 0);

    MoveClockToMS(-500);
    fApp->IdleNow();
    expectPaced("through zero");
}

TEST_F(ApplicationLoop, NegativeIdleRateNeverWaitsForEver)
{
    // The real clock: on it a negative wait would block until an event came.
    NSPlatform::CPlatformClock::SetManual(false);
    fApp->Initialize();
    fApp->SetIdleRate(-100);
    // Should a wait block after all, this ends it, late enough to fail the check below.
    std::promise<void> returned;
    std::thread rescue(
        [done = returned.get_future()]
        {
            while (done.wait_for(std::chrono::seconds(2)) == std::future_status::timeout)
                NSPlatform::CMainEventQueue::Main().Post([] {});
        });
    const auto start = std::chrono::steady_clock::now();
    fApp->DriveEventLoop();
    fApp->DriveCompleteEventLoop();
    const auto took = std::chrono::steady_clock::now() - start;
    returned.set_value();
    rescue.join();
    EXPECT_LT(took, std::chrono::seconds(1));
}

TEST_F(ApplicationLoop, QuitSequenceAsksEveryWindowSystem)
{
    std::vector<std::string> log;
    CTestWindows a(log, "a"), b(log, "b");
    Enter();
    Register(&a);
    Register(&b);

    b.fAgreeToClose = false;
    fApp->RequestQuit();
    fApp->DriveCompleteEventLoop();
    EXPECT_TRUE(fApp->IsRunningEventLoop());
    EXPECT_FALSE(fApp->IsClosing());

    b.fAgreeToClose = true;
    fApp->RequestQuit();
    fApp->DriveCompleteEventLoop();
    EXPECT_EQ(fApp->GetRunState(), CApplication::kQuitting);
    EXPECT_TRUE(fApp->IsClosing());
    EXPECT_EQ(log, (std::vector<std::string>{"a.TryClosing", "b.TryClosing", "a.TryClosing",
                                             "b.TryClosing"}));
}

TEST_F(ApplicationLoop, ForceSetupRunsThePhasesInOrder)
{
    std::vector<std::string> log;
    CTestWindows a(log, "a"), b(log, "b");
    Register(&a);
    Register(&b);
    CApplication::ForceSetup();
    EXPECT_EQ(log, (std::vector<std::string>{"a.HandleChangeRequests", "b.HandleChangeRequests",
                                             "a.SetupState", "b.SetupState", "a.UpdateGraphics",
                                             "b.UpdateGraphics"}));
    log.clear();
    CApplication::UnregisterWindowSystem(&a);
    CApplication::ForceInvalidate();
    EXPECT_EQ(log, (std::vector<std::string>{"b.SetupState", "b.UpdateGraphics"}));

    // A layer that goes away during a phase is not called any more.
    log.clear();
    auto* doomed = new CTestWindows(log, "doomed");
    CApplication::RegisterWindowSystem(doomed);
    b.fOnChangeRequests = [doomed]
    {
        CApplication::UnregisterWindowSystem(doomed);
        delete doomed;
    };
    CApplication::ForceSetup();
    EXPECT_EQ(log, (std::vector<std::string>{"b.HandleChangeRequests", "b.SetupState",
                                             "b.UpdateGraphics"}));
}

TEST_F(ApplicationLoop, FailingIdleEndsOnlyThatTurn)
{
    std::vector<std::string> log;
    CTestWindows w(log, "w");
    Register(&w);
    Enter();
    fApp->fThrowInIdle = true;
    for (int i = 0; i < 5; ++i)
        fApp->DriveCompleteEventLoop();
    EXPECT_GE(fApp->fIdleTimes.size(), 2u);
    EXPECT_TRUE(fApp->IsRunningEventLoop());
    EXPECT_GE(w.fIdles, 2);

    // A posted event that throws is dropped like a failing idle pass.
    NSPlatform::CMainEventQueue::Main().Post([] { throw std::runtime_error("event failed"); });
    EXPECT_NO_THROW(fApp->DriveCompleteEventLoop());
}

TEST_F(ApplicationLoop, RunGoesThroughTheWholeLife)
{
    std::vector<std::string> log;
    CTestExitTask first(fApp->fLog, "first"), second(fApp->fLog, "second"),
        dropped(fApp->fLog, "dropped");
    fApp->RegisterExitTask(&first);
    fApp->RegisterExitTask(&dropped);
    fApp->RegisterExitTask(&second);
    fApp->UnregisterExitTask(&dropped);
    fApp->UnregisterExitTask(&dropped);
    // The last task to run is taken away (and deleted) by the one before it.
    auto* gone = new CTestExitTask(fApp->fLog, "gone");
    fApp->RegisterExitTask(gone);
    CTestExitTask last(fApp->fLog, "last");
    last.fThen = [this, gone]
    {
        fApp->UnregisterExitTask(gone);
        delete gone;
    };
    fApp->RegisterExitTask(&last);
    fApp->fQuitAfterIdles = 3;
    fApp->Run();
    EXPECT_EQ(fApp->GetRunState(), CApplication::kQuitting);
    EXPECT_EQ(fApp->fIdleTimes.size(), 3u);
    EXPECT_EQ(fApp->fLog,
              (std::vector<std::string>{"Initialize", "CleanUp", "last", "second", "first"}));
}

TEST_F(ApplicationLoop, IdleOtherAppsHandlesEventsButNoIdle)
{
    Enter();
    int handled = 0;
    NSPlatform::CMainEventQueue::Main().Post([&handled] { ++handled; });
    CApplication::IdleOtherApps();
    EXPECT_EQ(handled, 1);
    const TMilliSecond before = CTimer::GetSystemMS();
    CApplication::IdleOtherApps();
    // Nothing came: the short wait of 6 ticks passed.
    EXPECT_EQ(CTimer::GetSystemMS() - before, 100);
    EXPECT_TRUE(fApp->fIdleTimes.empty());
}

TEST_F(ApplicationLoop, ReserveGivenUpIsTakenBackOnTheNextIdle)
{
    Enter();
    EXPECT_EQ(fApp->DoGrowZone(1000), 40000);
    EXPECT_EQ(fApp->DoGrowZone(1000), 0);
    fApp->DriveCompleteEventLoop();
    EXPECT_EQ(fApp->DoGrowZone(1000), 40000);
}

TEST_F(ApplicationLoop, QuitRequestedWhileInitializingEndsTheRun)
{
    fApp->fQuitInInitialize = true;
    fApp->Run();
    EXPECT_EQ(fApp->GetRunState(), CApplication::kQuitting);
    EXPECT_TRUE(fApp->fIdleTimes.empty());
    EXPECT_EQ(fApp->fLog, (std::vector<std::string>{"Initialize", "CleanUp"}));
}
