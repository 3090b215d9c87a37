#include "framework/application/CApplication.h"

#include "framework/application/CApplicationWindowSystem.h"
#include "framework/application/CExitTask.h"
#include "framework/application/CTimer.h"
#include "framework/files/XBase.h"
#include "platform/CMainEventQueue.h"
#include "platform/CPlatformClock.h"
#include "platform/resources/CResourceManager.h"

#include <climits>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <type_traits>

namespace NSWayfarer
{

namespace
{

// Ticks are 1/60 s; the loop's sleep is given in ticks like everything else of its time.
// A negative idle rate must not turn into poll's "wait for ever".
int TicksToWaitMS(long ticks)
{
    return ticks > 0 ? static_cast<int>(ticks * 1000 / 60) : 0;
}

// Milliseconds from `since` to `now`. GetSystemMS counts from system start-up and
// wraps every 49.7 days (its sign flips half-way): only the unsigned difference
// stays right across both.
int64_t ElapsedMS(int32_t since, int32_t now = CTimer::GetSystemMS())
{
    return static_cast<uint32_t>(now) - static_cast<uint32_t>(since);
}

// Calls f for every registered window layer. A phase may unregister (and delete) a
// layer, so the walk goes over a snapshot and skips what has left meanwhile. f may
// return false to stop the walk; the result tells whether it ran to the end.
template <typename F>
bool ForEachWindowSystem(const std::vector<CApplicationWindowSystem*>& live, F&& f)
{
    for (CApplicationWindowSystem* system : std::vector(live))
    {
        if (std::find(live.begin(), live.end(), system) == live.end())
            continue;
        if constexpr (std::is_same_v<decltype(f(system)), bool>)
        {
            if (!f(system))
                return false;
        }
        else
        {
            f(system);
        }
    }
    return true;
}

bool WaitOnMainQueue(int maxMS)
{
    auto& queue = NSPlatform::CMainEventQueue::Main();
    if (NSPlatform::CPlatformClock::IsManual())
    {
        // On the test clock time passes only when waited for: the wait that found
        // nothing takes its whole allowance, in no real time.
        const int ran = queue.WaitAndDispatch(0);
        if (ran == 0 && maxMS > 0)
            CTimer::WaitForMS(maxMS);
        return ran > 0;
    }
    return queue.WaitAndDispatch(maxMS) > 0;
}

} // namespace

CApplication::CApplication(const CApplicationStartupInfo* info)
    : CLowLevelApplication(info->fApplicationName, info->fFileSpec,
                           NSPlatform::CResourceManager::CurResFile()),
      fMacGrowZoneReserveSize(info->fMacGrowZoneReserveSize)
{
    try
    {
        if (fMacGrowZoneReserveSize > 0)
            fMacGrowZoneReserveHandle.reset(new char[fMacGrowZoneReserveSize]);
    }
    catch (...)
    {
        Dispose();
        throw;
    }
}

CApplication::~CApplication()
{
    Dispose();
    fExitTaskList.clear();
}

CFileSpec CApplication::GetFileSpecForCurrentApplication()
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        throw XInternalError();
    path[length] = 0;
    return CFileSpec::FromPath(path);
}

CApplication* CApplication::Get()
{
    return static_cast<CApplication*>(CLowLevelApplication::Get());
}

void CApplication::Dispose()
{
    fMacGrowZoneReserveHandle.reset();
    fActiveFlag = false;
}

std::vector<CApplicationWindowSystem*>& CApplication::WindowSystems()
{
    static std::vector<CApplicationWindowSystem*> gSystems;
    return gSystems;
}

void CApplication::RegisterWindowSystem(CApplicationWindowSystem* system)
{
    auto& systems = WindowSystems();
    if (system && std::find(systems.begin(), systems.end(), system) == systems.end())
        systems.push_back(system);
}

void CApplication::UnregisterWindowSystem(CApplicationWindowSystem* system)
{
    std::erase(WindowSystems(), system);
}

void CApplication::Initialize()
{
    fIdleRate = 50;
}

void CApplication::Run()
{
    fRunState = kInitializing;
    Initialize();
    // A quit asked for while initialising (nothing to show, say) is not lost.
    if (fRunState == kInitializing)
        fRunState = kRunningEventLoop;
    while (fRunState != kQuitting)
        DriveCompleteEventLoop();
    CleanUp();

    // Last registered, first run: a task registered later may rely on an earlier one.
    std::vector<CExitTask*> tasks = fExitTaskList;
    for (auto it = tasks.rbegin(); it != tasks.rend(); ++it)
    {
        // A task may unregister (and delete) another one while it cleans up.
        if (std::find(fExitTaskList.begin(), fExitTaskList.end(), *it) == fExitTaskList.end())
            continue;
        try
        {
            (*it)->DoCleanup();
        }
        catch (...)
        {
            // One failing task must not keep the others from giving back what they hold.
        }
    }
}

void CApplication::RequestQuit()
{
    fRunState = kRequestingQuit;
}

long CApplication::GetSleepTicks() const
{
    return IsIdleBoosted() ? 0 : static_cast<long>(fIdleRate) * 60 / 1000;
}

bool CApplication::WaitForEvents(int maxMS)
{
    return WaitOnMainQueue(maxMS);
}

int CApplication::GetSleepMS() const
{
    const int allowance = TicksToWaitMS(GetSleepTicks());
    // Never sleep past the moment the next idle pass is due: waking a little late
    // for every pass would stretch everything paced by the idle rate.
    const int64_t untilIdle = static_cast<int64_t>(fIdleRate) + 1 - ElapsedMS(fPreviousIdleMS);
    return static_cast<int>(std::clamp<int64_t>(untilIdle, 0, allowance));
}

void CApplication::DriveCompleteEventLoop()
{
    try
    {
        bool handled = WaitForEvents(GetSleepMS());
        if (!handled)
        {
            ForEachWindowSystem(WindowSystems(), [&](CApplicationWindowSystem* system)
                                { handled = system->HandleNullEvent() || handled; });
        }
        if (handled && ElapsedMS(fPreviousIdleMS) <= fIdleRate)
            return;

        if (fRunState == kRequestingQuit)
        {
            fRunState = kRunningEventLoop;
            fClosing = true;
            const bool allClosed =
                ForEachWindowSystem(WindowSystems(), [](CApplicationWindowSystem* system)
                                    { return system->TryClosingAllWindows(); });
            if (allClosed)
                fRunState = kQuitting;
            else
                fClosing = false;
        }
        else if (fRunState == kRunningEventLoop)
        {
            DriveIdle();
        }
    }
    catch (...)
    {
        // A failure ends this turn only; the loop goes on with the next one.
    }
}

void CApplication::DriveEventLoop()
{
    try
    {
        const bool handled = WaitForEvents(TicksToWaitMS(static_cast<long>(fIdleRate) * 60 / 1000));
        if (!handled && fRunState == kRunningEventLoop)
            DriveIdle();
    }
    catch (...)
    {
    }
}

void CApplication::IdleOtherApps()
{
    try
    {
        // Not through the application object: this also serves code that waits
        // while no application exists (tests, start-up).
        WaitOnMainQueue(TicksToWaitMS(6));
    }
    catch (...)
    {
    }
}

void CApplication::DriveIdle()
{
    const int32_t now = CTimer::GetSystemMS();
    if (!IsIdleBoosted() && ElapsedMS(fPreviousIdleMS, now) <= fIdleRate)
        return;
    fPreviousIdleMS = now;
    Idle();
}

void CApplication::IdleNow()
{
    fPreviousIdleMS = 0;
    // An empty piece of work is the null event that ends a sleeping wait.
    NSPlatform::CMainEventQueue::Main().Post([] {});
}

bool CApplication::HasUsableReserve() const
{
    return fMacGrowZoneReserveHandle != nullptr || fMacGrowZoneReserveSize <= 0;
}

void CApplication::Idle()
{
    if (!HasUsableReserve())
    {
        // Take the reserve back as soon as memory allows; until then the warning stands.
        fMacGrowZoneReserveHandle.reset(new (std::nothrow) char[fMacGrowZoneReserveSize]);
        if (fMacGrowZoneReserveHandle)
            fMacWarnUserAboutLowMemFlag = false;
    }
    if (fMacWarnUserAboutLowMemFlag)
    {
        ForEachWindowSystem(WindowSystems(),
                            [](CApplicationWindowSystem* system) { system->WarnLowMemory(); });
        fMacWarnUserAboutLowMemFlag = false;
    }
    if (fActiveFlag)
        ForEachWindowSystem(WindowSystems(),
                            [](CApplicationWindowSystem* system) { system->AdjustMouse(); });
    ForEachWindowSystem(WindowSystems(),
                        [](CApplicationWindowSystem* system) { system->IdleAll(); });
    ForEachWindowSystem(WindowSystems(), [](CApplicationWindowSystem* system)
                        { system->CloseAllMarkedForClosing(); });
}

long CApplication::DoGrowZone(long)
{
    if (!fMacGrowZoneReserveHandle)
        return 0;
    fMacGrowZoneReserveHandle.reset();
    fMacWarnUserAboutLowMemFlag = true;
    return fMacGrowZoneReserveSize;
}

void CApplication::Suspend()
{
    fActiveFlag = false;
}

void CApplication::Resume()
{
    fActiveFlag = true;
}

void CApplication::ForceSetup()
{
    ForEachWindowSystem(WindowSystems(),
                        [](CApplicationWindowSystem* system) { system->HandleChangeRequests(); });
    ForceInvalidate();
}

void CApplication::ForceInvalidate()
{
    ForEachWindowSystem(WindowSystems(),
                        [](CApplicationWindowSystem* system) { system->SetupState(); });
    ForEachWindowSystem(WindowSystems(),
                        [](CApplicationWindowSystem* system) { system->UpdateGraphics(); });
}

void CApplication::RegisterExitTask(CExitTask* task)
{
    fExitTaskList.push_back(task);
}

void CApplication::UnregisterExitTask(CExitTask* task)
{
    auto it = std::find(fExitTaskList.begin(), fExitTaskList.end(), task);
    if (it != fExitTaskList.end())
        fExitTaskList.erase(it);
}

} // namespace NSWayfarer
