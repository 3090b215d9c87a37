#include "framework/application/CApplication.h"

#include "framework/application/CApplicationToolbar.h"
#include "framework/application/CApplicationWindowSystem.h"
#include "framework/application/CClickSpec.h"
#include "framework/application/CExitTask.h"
#include "framework/application/CKeySpec.h"
#include "framework/application/CMacAppleMenu.h"
#include "framework/application/CMacDiskMountInfo.h"
#include "framework/application/CMenu.h"
#include "framework/application/CMenuBar.h"
#include "framework/application/CMouse.h"
#include "framework/application/COpenDocumentRequest.h"
#include "framework/application/CPreviousMouseDown.h"
#include "framework/application/CTimer.h"
#include "framework/files/CClipping.h"
#include "framework/files/CDirSpec.h"
#include "framework/files/CFileCreator.h"
#include "framework/files/CUnknownFileType.h"
#include "framework/files/XBase.h"
#include "framework/graphics/CBitmapCache.h"
#include "framework/windows/CNativeControlView.h"
#include "framework/graphics/CGraphicManager.h"
#include "framework/text/CStringManager.h"
#include "framework/text/StringUtilities.h"
#include "framework/windows/CABCWindow.h"
#include "framework/windows/CFloaterWindow.h"
#include "platform/CMainEventQueue.h"
#include "platform/CPlatformClock.h"
#include "platform/display/CDesktopSession.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CDisplayClipboard.h"
#include "platform/display/CDisplayPointer.h"
#include "platform/display/CVolumeMonitor.h"
#include "platform/display/SEventRecord.h"
#include "platform/resources/CResourceManager.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <new>
#include <string>
#include <thread>
#include <type_traits>

namespace NSWayfarer
{

CPreviousMouseDown gPreviousMouseDown;

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

// The thread the application lives on: only it may touch the reserve.
std::thread::id gApplicationThread;

// An allocation that fails gives up the application's reserve and tries again;
// with the reserve gone (or on another thread) it fails for good.
void GrowZoneNewHandler()
{
    auto* application = dynamic_cast<CApplication*>(CLowLevelApplication::Get());
    if (application && std::this_thread::get_id() == gApplicationThread &&
        application->DoGrowZone(0) > 0)
        return;
    throw std::bad_alloc();
}

// The screen must be one the framework draws on: 8, 16 or 32 bits per pixel.
void CheckDisplay(const char* applicationName)
{
    if (!NSPlatform::CDisplay::Open())
    {
        std::fprintf(stderr, "%s cannot run: no display could be opened (is DISPLAY set?).\n",
                     applicationName);
        throw XBase();
    }
    const int depth = CGraphicManager().GetMainScreenBitDepth();
    if (depth == 8 || depth == 16 || depth == 32)
        return;
    NSPlatform::CDisplay::FlushEvents(NSPlatform::kEveryEventMask);
    char message[512];
    std::snprintf(message, sizeof message,
                  "%s cannot run!\rYour screen is set to an unsupported color depth. Please Quit, "
                  "increase the color depth and try again.",
                  applicationName);
    // The classic line break is a carriage return; the desktop's dialogs break at '\n'.
    std::string text = message;
    std::replace(text.begin(), text.end(), '\r', '\n');
    NSPlatform::CDisplay::ShowStopMessage(text);
    throw XBase();
}

} // namespace

CApplication::CApplication(const CApplicationStartupInfo* info)
    : CLowLevelApplication(info->fApplicationName, info->fFileSpec,
                           NSPlatform::CResourceManager::CurResFile()),
      fMacGrowZoneReserveSize(info->fMacGrowZoneReserveSize)
{
    fUsesDisplay = info->fUsesDisplay;
    fDocumentsAtStart = info->fDocuments;
    if (fUsesDisplay)
        CheckDisplay(info->fApplicationName);
    try
    {
        if (fUsesDisplay)
            NSPlatform::CDisplay::FlushEvents(NSPlatform::kEveryEventMask);
        if (fMacGrowZoneReserveSize > 0)
        {
            fMacGrowZoneReserveHandle.reset(new char[fMacGrowZoneReserveSize]);
            gApplicationThread = std::this_thread::get_id();
            fPreviousNewHandler = std::set_new_handler(GrowZoneNewHandler);
            fGrowZoneInstalled = true;
        }
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

void CApplication::ScreenBitmapDestChanged(const CBitmapDest*)
{
    if (fDefaultBitmapCache)
        fDefaultBitmapCache->FlushAll();
}

CABCBitmap* CApplication::GetBitmap(const CBitmapDest* dest, TBitmapID id)
{
    // Pictures asked for before Initialize still have a cache to live in.
    if (!fDefaultBitmapCache)
        fDefaultBitmapCache = new CBitmapCache;
    if (CABCBitmap* bitmap = fDefaultBitmapCache->Find(id))
        return bitmap;
    return fDefaultBitmapCache->LoadAndRegisterFromJPEGResource(dest, id);
}

void CApplication::FlushBitmap(TBitmapID id)
{
    if (fDefaultBitmapCache)
        fDefaultBitmapCache->Flush(id);
}

CApplication* CApplication::Get()
{
    return static_cast<CApplication*>(CLowLevelApplication::Get());
}

void CApplication::Dispose()
{
    if (fUsesDisplay)
        NSPlatform::CDesktopSession::Unregister();
    DisposeDocumentRequestList();
    fMacGrowZoneReserveHandle.reset();
    if (fGrowZoneInstalled)
    {
        std::set_new_handler(fPreviousNewHandler);
        fGrowZoneInstalled = false;
    }
    delete fDefaultBitmapCache;
    fDefaultBitmapCache = nullptr;
    if (fOwnsStringManager)
    {
        delete CStringManager::gStringMgr;
        CStringManager::gStringMgr = nullptr;
        fOwnsStringManager = false;
    }
    fActiveFlag = false;
    delete fToolbar;
    fToolbar = nullptr;
    if (fOwnsGraphicManager)
    {
        delete CGraphicManager::gGraphicMgr;
        CGraphicManager::gGraphicMgr = nullptr;
        fOwnsGraphicManager = false;
    }
    else if (CGraphicManager::gGraphicMgr)
    {
        // A manager someone else made outlives us: it must not call back into us.
        CGraphicManager::gGraphicMgr->SetScreenChangeHandler(nullptr);
    }
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
    if (!fDefaultBitmapCache)
        fDefaultBitmapCache = new CBitmapCache;
    if (!CGraphicManager::gGraphicMgr)
    {
        CGraphicManager::gGraphicMgr = new CGraphicManager;
        fOwnsGraphicManager = true;
    }
    CGraphicManager::gGraphicMgr->SetScreenChangeHandler(
        [this]
        { ScreenBitmapDestChanged(CGraphicManager::gGraphicMgr->GetBitmapDestForMainScreen()); });
    CGraphicManager::gGraphicMgr->ScreenBitDepthOrPaletteChanged();
    if (!CStringManager::gStringMgr)
    {
        CStringManager::gStringMgr = new CStringManager;
        fOwnsStringManager = true;
    }
    fEventMask = NSPlatform::kEveryEventMask;
    InstallAppleEventHandlers();
    CMouse::SetArrowShape();

    if (fUsesDisplay)
    {
        NSPlatform::CDisplay::CatchQuitSignals();
        char name[kMaxNameLength + 1] = {};
        GetName(name);
        NSPlatform::CDesktopSession::Register(name);
        NSPlatform::CVolumeMonitor::Start();
        // Started with documents: they are opened instead of the default document.
        NSPlatform::SEventRecord start;
        start.mWhat = NSPlatform::kHighLevelEvent;
        start.mMessage = NSPlatform::kCoreEventClass;
        start.mHighLevelID = fDocumentsAtStart.empty() ? NSPlatform::kAEOpenApplication
                                                       : NSPlatform::kAEOpenDocuments;
        start.mFiles = fDocumentsAtStart;
        NSPlatform::CDisplay::Stamp(start);
        NSPlatform::CDisplay::PostEvent(std::move(start));
    }
}

void CApplication::InstallAppleEventHandlers()
{
    fAppleEventHandlers.clear();
    fAppleEventHandlers[NSPlatform::kAEOpenApplication] = [this](const NSPlatform::SEventRecord&)
    {
        AddOpenDocumentRequestNone();
        return int16_t{0};
    };
    fAppleEventHandlers[NSPlatform::kAEOpenDocuments] =
        [this](const NSPlatform::SEventRecord& event) { return HandleOpenDocuments(event); };
    fAppleEventHandlers[NSPlatform::kAEQuitApplication] = [this](const NSPlatform::SEventRecord&)
    {
        RequestQuit();
        return int16_t{0};
    };
    // Printing is not something this framework does.
    fAppleEventHandlers[NSPlatform::kAEPrintDocuments] = [](const NSPlatform::SEventRecord&)
    { return int16_t{-1708}; };
}

namespace
{

// The set-up that runs when one of the bar's menus is about to open goes through
// the same routing as commands do.
CMenuBar* WiredMenuBar(CApplication* application)
{
    CMenuBar* bar = application->GetMenuBar();
    if (bar)
        bar->SetSetupHandler([application](CMenuBar* b) { application->DispatchSetupMenus(b); });
    return bar;
}

} // namespace

void CApplication::Run()
{
    fRunState = kInitializing;
    Initialize();
    WiredMenuBar(this);
    // A quit asked for while initialising (nothing to show, say) is not lost.
    if (fRunState == kInitializing)
        fRunState = kRunningEventLoop;
    while (fRunState != kQuitting)
        DriveCompleteEventLoop();
    CleanUp();
    NSPlatform::CVolumeMonitor::Stop();
    delete fToolbar;
    fToolbar = nullptr;

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

bool CApplication::WaitForEvents(int maxMS, uint16_t mask)
{
    const bool display = NSPlatform::CDisplay::IsOpen();
    NSPlatform::SEventRecord event;
    // What the window system recorded earlier comes before any waiting.
    bool got = display && NSPlatform::CDisplay::GetNextEvent(mask, event);
    bool ranWork = false;
    if (!got)
    {
        ranWork = WaitOnMainQueue(maxMS);
        got = display && NSPlatform::CDisplay::GetNextEvent(mask, event);
    }
    SyncSuperPort();
    if (!got)
        return ranWork;
    MacHandleNativeEvent(event);
    return true;
}

void CApplication::SyncSuperPort()
{
    // Whatever ran in the wait (drawing from a backing store) may have switched ports.
    if (CGraphicManager::gGraphicMgr)
        CGraphicManager::gGraphicMgr->MacSyncSuperPort();
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
        bool handled = WaitForEvents(GetSleepMS(), fEventMask);
        if (!handled)
            handled = SynthesizeModifierKeyEvent();
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
        // High-level events (a quit, documents to open) wait for the outer loop.
        const bool handled =
            WaitForEvents(TicksToWaitMS(static_cast<long>(fIdleRate) * 60 / 1000),
                          NSPlatform::kEveryEventMask & ~NSPlatform::kHighLevelEventMask);
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
        // Without an application object (tests, start-up) only the queue is served.
        if (auto* application = dynamic_cast<CApplication*>(CLowLevelApplication::Get()))
            application->WaitForEvents(TicksToWaitMS(6));
        else
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
    if (CGraphicManager::gGraphicMgr)
        CGraphicManager::gGraphicMgr->MacPollForSeedChange();
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
    if (CGraphicManager::gGraphicMgr)
        CGraphicManager::gGraphicMgr->MacPollForSeedChange();
    if (fRunState == kRunningEventLoop)
        PollForDragNDropDocuments();
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
    HideFloaters();
    ForEachWindowSystem(WindowSystems(), [](CApplicationWindowSystem* system)
                        { system->DeactivateApplicationWindows(); });
    fActiveFlag = false;
    ForEachWindowSystem(WindowSystems(),
                        [](CApplicationWindowSystem* system) { system->GetRidOfCaptures(); });
}

void CApplication::Resume()
{
    // The desktop already brought the application to the front: the resume event
    // comes from one of its windows taking the focus.
    fActiveFlag = true;
    ForEachWindowSystem(WindowSystems(), [](CApplicationWindowSystem* system)
                        { system->ActivateApplicationWindows(); });
    ForEachWindowSystem(WindowSystems(),
                        [](CApplicationWindowSystem* system) { system->GetRidOfCaptures(); });
    ShowFloaters();
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

bool CApplication::SynthesizeModifierKeyEvent()
{
    // One value for the whole process: the modifiers as the last null event saw them.
    static uint16_t gLastModifiers = 0;
    if (!NSPlatform::CDisplay::IsOpen())
        return false;
    const uint16_t now = NSPlatform::CDisplayPointer::GetModifierWord();
    if (now == gLastModifiers)
        return false;
    NSPlatform::SEventRecord event;
    NSPlatform::CDisplay::Stamp(event);
    event.mWhat = now > gLastModifiers ? NSPlatform::kKeyDown : NSPlatform::kKeyUp;
    event.mMessage = NSPlatform::kModifierOnlyKeyMessage;
    event.mModifiers = now;
    gLastModifiers = now;
    MacHandleNativeEvent(event);
    return true;
}

void CApplication::MacHandleNativeEvent(const NSPlatform::SEventRecord& event)
{
    using namespace NSPlatform;
    try
    {
        if (event.mWhat == kHighLevelEvent)
        {
            MacHandleAppleEvent(event);
            return;
        }
        if (event.mWhat == kOSEvent)
        {
            const uint32_t kind = event.mMessage >> 24;
            if (kind == kSuspendResumeMessage)
            {
                MacHandleOSEvent(event);
                return;
            }
            // The pointer moved: relative tracking reads the movement.
            if (kind == kMouseMovedMessage)
                CMouse::PushMouseDelta(event.mDeltaH, event.mDeltaV);
        }
        bool handled = false;
        ForEachWindowSystem(WindowSystems(), [&](CApplicationWindowSystem* system)
                            { return !(handled = system->HandleNativeEvent(event)); });
        if (handled)
            return;
        switch (event.mWhat)
        {
        case kMouseDown:
            MacHandleMouseDown(event);
            break;
        case kMouseUp:
            MacHandleMouseUp(event);
            break;
        case kKeyDown:
        case kKeyUp:
        case kAutoKey:
            MacHandleKeyEvent(event);
            break;
        case kUpdateEvent:
            MacHandleUpdateEvent(event);
            break;
        case kDiskEvent:
            MacHandleDiskEvent(event);
            break;
        case kMenuSelectEvent:
            MacClickMenuBar(event);
            break;
        case kActivateEvent:
            MacHandleActivateEvent(event);
            break;
        case kOSEvent:
            MacHandleOSEvent(event);
            break;
        case kWindowCloseEvent:
            MacHandleCloseRequest(event);
            break;
        case kWindowFrameEvent:
            MacHandleWindowFrameEvent(event);
            break;
        case kMouseWheelEvent:
            MacHandleMouseWheel(event);
            break;
        case kControlEvent:
            // The toolkit tracked the click; its owner view acts on where it ended.
            CNativeControlView::DispatchControlEvent(event.mControl, event.mPart);
            break;
        default:
            break;
        }
    }
    catch (...)
    {
        // One event's failure ends its handling only.
    }
}

void CApplication::MacHandleMouseDown(const NSPlatform::SEventRecord& event)
{
    SyncSuperPort();
    CABCWindow* window = CABCWindow::FromNative(event.mWindow);
    if (!window)
        return;
    // The window manager owns title bars and frames: what reaches a window here is a
    // click in its client area, or in the size box a resizable window keeps there.
    short x = 0;
    short y = 0;
    window->GlobalToLocal(event.mWhereH, event.mWhereV, &x, &y);
    CABCWindow::CWindowSizeBoxView* sizeBox = window->GetRootGroupView()->GetSizeBoxView();
    if (sizeBox && sizeBox->GetRect().IsPointIn(x, y))
        window->MacClickInGrow(event);
    else
        MacClickInWindowContent(window, event);
}

void CApplication::MacClickInWindowContent(CABCWindow* window,
                                           const NSPlatform::SEventRecord& event)
{
    try
    {
        CFloaterWindow::EndFloaterKeyboardCapture();
        short x = 0;
        short y = 0;
        window->GlobalToLocal(event.mWhereH, event.mWhereV, &x, &y);
        const CModifierKeyStatus modifiers(static_cast<short>(event.mModifiers));
        if (modifiers.MacIsControlKeyDown())
        {
            window->DoContextMenu(CLocalPoint(x, y));
            return;
        }
        const long ms = CTimer::TicksToMS(static_cast<long>(event.mWhen));
        const bool doubleClick = gPreviousMouseDown.fWindow == window &&
                                 event.mWhen - gPreviousMouseDown.fTime <
                                     static_cast<uint32_t>(CMouse::GetDoubleClickTicks()) &&
                                 std::abs(x - gPreviousMouseDown.fX) <= 4 &&
                                 std::abs(y - gPreviousMouseDown.fY) <= 4;
        if (doubleClick)
        {
            gPreviousMouseDown.Reset();
            window->Click(CClickSpec(CClickSpec::kDoubleClick, x, y, ms, modifiers));
        }
        else
        {
            gPreviousMouseDown.fWindow = window;
            gPreviousMouseDown.fTime = event.mWhen;
            gPreviousMouseDown.fX = x;
            gPreviousMouseDown.fY = y;
            window->Click(CClickSpec(CClickSpec::kClick, x, y, ms, modifiers));
        }
        // The click may have closed the window (marked; deleted in idle) but not deleted it.
        if (CABCWindow::IsWindow(window) && window != CABCWindow::GetSelected() &&
            window->WantsToBeActive())
            window->Select();
    }
    catch (...)
    {
    }
}

void CApplication::MacHandleMouseUp(const NSPlatform::SEventRecord& event)
{
    try
    {
        SyncSuperPort();
        if (CABCWindow* window = CABCWindow::FindWindowAtCoord(event.mWhereH, event.mWhereV))
        {
            short x = 0;
            short y = 0;
            window->GlobalToLocal(event.mWhereH, event.mWhereV, &x, &y);
            const CModifierKeyStatus modifiers(static_cast<short>(event.mModifiers));
            window->Drop(
                CDropSpec(x, y, CTimer::TicksToMS(static_cast<long>(event.mWhen)), modifiers));
        }
    }
    catch (...)
    {
    }
    CABCWindow::ReleaseMouseButton();
}

void CApplication::MacClickMenuBar(const NSPlatform::SEventRecord& event)
{
    try
    {
        CMenuBar* bar = WiredMenuBar(this);
        // A modal loop disables the bar: what was chosen just before is dropped.
        if (!bar || !bar->IsEnabled())
            return;
        const long selection = static_cast<long>(event.mMessage);
        const unsigned long command = bar->MacMenuToCommandID(selection);
        if (command == CMenu::kSystemAppleMenuCommand)
        {
            if (CMacAppleMenu* apple = bar->MacGetAppleMenu())
                apple->HandleSystemMenus(selection);
        }
        else if (command != 0)
        {
            DispatchSetupMenus(bar);
            DispatchHandleMenuSelection(bar, command);
        }
    }
    catch (...)
    {
    }
}

void CApplication::MacHandleKeyEvent(const NSPlatform::SEventRecord& event)
{
    using namespace NSPlatform;
    CMenuBar* bar = WiredMenuBar(this);
    if ((event.mWhat == kKeyDown || event.mWhat == kAutoKey) && bar && bar->IsEnabled() &&
        (event.mModifiers & kCmdKey) && !(event.mModifiers & (kOptionKey | kShiftKey)))
    {
        bar->ResetAllMenuItems();
        DispatchSetupMenus(bar);
        const long selection = bar->MacMenuKey(static_cast<char>(event.mMessage & 0xFF));
        const unsigned long command = bar->MacMenuToCommandID(selection);
        if (command == CMenu::kSystemAppleMenuCommand)
        {
            if (CMacAppleMenu* apple = bar->MacGetAppleMenu())
                apple->HandleSystemMenus(selection);
            return;
        }
        if (command != 0)
        {
            DispatchHandleMenuSelection(bar, command);
            return;
        }
    }
    const CKeySpec key(event);
    DispatchKeyDownUp(&key);
}

void CApplication::DispatchKeyDownUp(const CKeySpec* key)
{
    if (CView* owner = CView::GetKeyboardCaptureOwner())
    {
        owner->HandleKeyDownUp(key);
        return;
    }
    if (CABCWindow* window = CABCWindow::GetSelected())
    {
        if (CView* focus = window->GetFocusView())
            focus->HandleKeyDownUp(key);
        else
            window->HandleKeyDownUp(key);
        return;
    }
    HandleKeyDownUp(key);
}

void CApplication::DispatchSetupMenus(CMenuBar* bar)
{
    if (CABCWindow* window = CABCWindow::GetNonFloatingSelected())
    {
        if (CView* focus = window->GetFocusView())
            focus->SetupMenus(bar);
        else
            window->SetupMenus(bar);
        return;
    }
    SetupMenus(bar);
}

void CApplication::DispatchHandleMenuSelection(CMenuBar* bar, unsigned long command)
{
    if (CABCWindow* window = CABCWindow::GetNonFloatingSelected())
    {
        CView* focus = window->GetFocusView();
        if (focus && focus->IsEnabled())
            focus->HandleMenuSelection(bar, command);
        else
            window->HandleMenuSelection(bar, command);
        return;
    }
    HandleMenuSelection(bar, command);
}

void CApplication::MacHandleUpdateEvent(const NSPlatform::SEventRecord& event)
{
    if (CGraphicManager::gGraphicMgr)
        CGraphicManager::gGraphicMgr->MacPollForSeedChange();
    // Other windows paint themselves from their stores: nothing to draw for them.
    if (CABCWindow* window = CABCWindow::FromNative(event.mWindow))
        window->ForcePaint();
}

void CApplication::MacHandleActivateEvent(const NSPlatform::SEventRecord& event)
{
    CABCWindow* window = CABCWindow::FromNative(event.mWindow);
    if (!window || !window->WantsToBeActive())
        return;
    if (event.mModifiers & NSPlatform::kActiveFlag)
    {
        CABCWindow::MacBringToFrontOfOrder(window);
        window->DoActivate();
    }
    else
    {
        window->DoDeactivate();
    }
}

void CApplication::MacHandleOSEvent(const NSPlatform::SEventRecord& event)
{
    if ((event.mMessage >> 24) != NSPlatform::kSuspendResumeMessage)
        return;
    if (event.mMessage & NSPlatform::kResumeFlag)
    {
        Resume();
    }
    else
    {
        Suspend();
        CMouse::SetArrowShape();
    }
}

void CApplication::AddDocumentToRecentlyUsed(const CFileSpec* document)
{
    fRecentlyUsedDocList.AddDocumentToRecentlyUsed(document);
}

unsigned short CApplication::CountRecentlyUsedDocs() const
{
    return fRecentlyUsedDocList.CountRecentlyUsedDocs();
}

CFileSpec* CApplication::GetRecentlyUsedDoc(unsigned short index) const
{
    return fRecentlyUsedDocList.GetRecentlyUsedDoc(index);
}

bool CApplication::ValidateRecentlyUsedDoc(unsigned short index) const
{
    return fRecentlyUsedDocList.ValidateRecentlyUsedDoc(index);
}

void CApplication::DeleteAllRecentlyUsedDocuments()
{
    fRecentlyUsedDocList.DeleteAllRecentlyUsedDocuments();
}

bool CApplication::CheckRecentlyUsedDocs()
{
    return fRecentlyUsedDocList.CheckRecentlyUsedDocs();
}

CWayfarerApplicationPreferences CApplication::GetPreferences()
{
    return fRecentlyUsedDocList.GetPreferences();
}

void CApplication::SetPreferences(const CWayfarerApplicationPreferences& preferences)
{
    fRecentlyUsedDocList.SetPreferences(preferences);
}

void CApplication::MacHandleDiskEvent(const NSPlatform::SEventRecord& event)
{
    CMacDiskMountInfo info(event.mMessage);
    if (info.fErr == 0)
    {
        if (event.mVolumeName.empty())
            throw XFile();
        info.SetVolumeName(event.mVolumeName.c_str());
        info.fVolumeRefNum = static_cast<int16_t>(-1 - info.fDriveNumber);
    }
    if (CABCWindow* window = CABCWindow::GetSelected())
        window->MacHandleDiskMount(&info);
    else
        MacHandleDiskMount(&info);
}

void CApplication::MacHandleCloseRequest(const NSPlatform::SEventRecord& event)
{
    CABCWindow* window = CABCWindow::FromNative(event.mWindow);
    if (!window)
        return;
    // A window behind a modal dialog waits until the dialog is done.
    CABCWindow* front = CABCWindow::GetSelected();
    if (front && front != window && front->IsModal())
        return;
    try
    {
        window->TryClosing();
    }
    catch (...)
    {
    }
}

void CApplication::MacHandleWindowFrameEvent(const NSPlatform::SEventRecord& event)
{
    CABCWindow* window = CABCWindow::FromNative(event.mWindow);
    if (!window)
        return;
    const short part = static_cast<short>(event.mMessage);
    if (part == 7 || part == 8)
        window->MacHandleZoomButton(event, part);
    else
        window->MacFrameChanged(part);
}

void CApplication::MacHandleMouseWheel(const NSPlatform::SEventRecord& event)
{
    if (CABCWindow* window = CABCWindow::FromNative(event.mWindow))
        window->MacHandleMouseWheel(event);
}

int16_t CApplication::MacHandleAppleEvent(const NSPlatform::SEventRecord& event)
{
    constexpr int16_t kEventNotHandled = -1708;
    if (event.mMessage != NSPlatform::kCoreEventClass)
        return kEventNotHandled;
    auto it = fAppleEventHandlers.find(event.mHighLevelID);
    if (it == fAppleEventHandlers.end())
        return kEventNotHandled;
    return it->second(event);
}

int16_t CApplication::HandleOpenDocuments(const NSPlatform::SEventRecord& event)
{
    // An item that cannot be read drops it and every item after it; the event
    // still counts as handled.
    try
    {
        for (const std::string& path : event.mFiles)
        {
            CFileSpec file = CFileSpec::FromPath(path);
            file.Resolve();
            std::error_code error;
            const auto status = std::filesystem::status(file.GetPath(), error);
            if (error)
                throw XFile();
            if (std::filesystem::is_directory(status))
            {
                NSPlatform::SNativeFileSpec native;
                file.MacGetFSSpec(&native);
                const CDirSpec directory(native);
                AddOpenDocumentRequestDir(&directory);
            }
            else
            {
                AddOpenDocumentRequestFile(&file);
            }
        }
    }
    catch (...)
    {
    }
    return 0;
}

void CApplication::AddOpenDocumentRequestFile(const CFileSpec* file)
{
    fOpenDocumentRequestList.push_back(std::make_unique<COpenDocumentRequest>(file));
}

void CApplication::AddOpenDocumentRequestDir(const CDirSpec* directory)
{
    fOpenDocumentRequestList.push_back(std::make_unique<COpenDocumentRequest>(directory));
}

void CApplication::AddOpenDocumentRequestNone()
{
    fOpenDocumentRequestList.push_back(std::make_unique<COpenDocumentRequest>());
}

void CApplication::PollForDragNDropDocuments()
{
    while (!fOpenDocumentRequestList.empty())
    {
        std::unique_ptr<COpenDocumentRequest> request = std::move(fOpenDocumentRequestList.front());
        fOpenDocumentRequestList.pop_front();
        try
        {
            switch (request->GetType())
            {
            case COpenDocumentRequest::kFile:
            {
                std::unique_ptr<CFileSpec> file(request->GetFile());
                const CUnknownFileType type = file->GetFileType();
                const CFileCreator creator = file->MacGetCreator();
                OpenDragNDropFile(file.get(), &type, &creator);
                break;
            }
            case COpenDocumentRequest::kDirectory:
            {
                std::unique_ptr<CDirSpec> directory(request->GetDirectory());
                OpenDragNDropDirectory(directory.get());
                break;
            }
            case COpenDocumentRequest::kNone:
                OpenDefaultDocument();
                break;
            }
        }
        catch (...)
        {
            // This request is dropped; the rest wait for the next idle pass.
            return;
        }
    }
}

void CApplication::DisposeDocumentRequestList()
{
    fOpenDocumentRequestList.clear();
}

bool CApplication::DoesClippingExist(const char* kind)
{
    return kind &&
           NSPlatform::CDisplayClipboard::Has(static_cast<uint32_t>(PackStringToLong(kind)));
}

CClipping* CApplication::GetClipping(const char* kind)
{
    if (!kind)
        throw XInternalError();
    auto bytes = NSPlatform::CDisplayClipboard::Get(static_cast<uint32_t>(PackStringToLong(kind)));
    if (!bytes)
        throw XNotFound();
    return new CClipping(kind, static_cast<long>(bytes->size()), bytes->data());
}

void CApplication::AddClipping(const char* kind, long size, const unsigned char* bytes)
{
    if (!kind || size < 0 || (size > 0 && !bytes))
        throw XInternalError();
    NSPlatform::CDisplayClipboard::Put(static_cast<uint32_t>(PackStringToLong(kind)),
                                       NSPlatform::CDisplayClipboard::TBytes(bytes, bytes + size));
}

void CApplication::HideFloaters()
{
    if (fHideFloatersCount == 0 && fToolbar)
        fToolbar->Hide();
    ++fHideFloatersCount;
}

void CApplication::ShowFloaters()
{
    if (fHideFloatersCount > 0)
        --fHideFloatersCount;
    if (fHideFloatersCount == 0 && fToolbar)
    {
        fToolbar->Show();
        fToolbar->Activate();
    }
}

void CApplication::SetToolbar(CApplicationToolbar* toolbar)
{
    if (toolbar != fToolbar)
        delete fToolbar;
    fToolbar = toolbar;
    if (fToolbar)
    {
        fToolbar->Show();
        fToolbar->Activate();
    }
}

} // namespace NSWayfarer
