// The framework's application object: the one per process that runs the event
// loop, spaces the idle passes and carries out the quit sequence.
#pragma once

#include "framework/application/CApplicationStartupInfo.h"
#include "framework/application/CLowLevelApplication.h"
#include "framework/application/CRecentlyUsedDocList.h"
#include "framework/application/CWayfarerApplicationPreferences.h"
#include "framework/graphics/TBitmapID.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace NSPlatform
{
struct SEventRecord;
}

namespace NSWayfarer
{

class CABCBitmap;
class CABCWindow;
class CApplicationToolbar;
class CApplicationWindowSystem;
class CBitmapCache;
class CBitmapDest;
class CClipping;
class CDirSpec;
class CExitTask;
class CFileCreator;
class CKeySpec;
class CMacDiskMountInfo;
class CMenuBar;
class COpenDocumentRequest;
class CUnknownFileType;

class CApplication : public CLowLevelApplication
{
public:
    enum ERunState
    {
        kInitializing = 44,
        kRunningEventLoop = 45,
        kRequestingQuit = 46,
        kQuitting = 47
    };

    explicit CApplication(const CApplicationStartupInfo* info);
    virtual ~CApplication();
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    static CApplication* Get();
    // The running executable; XInternalError when it cannot be told.
    static CFileSpec GetFileSpecForCurrentApplication();

    // Initialize, the loop until a quit succeeded, CleanUp, the exit tasks.
    void Run();
    void RequestQuit();
    bool IsRunningEventLoop() const { return fRunState == kRunningEventLoop; }
    ERunState GetRunState() const { return fRunState; }
    bool IsClosing() const { return fClosing; }
    void SetClosing(bool closing) { fClosing = closing; }
    bool IsActive() const { return fActiveFlag; }
    // Window mode: the application was started on the display (its windows, menus).
    bool UsesDisplay() const { return fUsesDisplay; }
    void Dispose();

    // Loop and idle control.
    void DriveCompleteEventLoop();
    void DriveEventLoop();
    static void IdleOtherApps();
    void DriveIdle();
    void IdleNow();
    void SetIdleRate(long ms) { fIdleRate = static_cast<int32_t>(ms); }
    long GetIdleRate() const { return fIdleRate; }
    void StartBoostIdle() { ++fBoostIdleRefCount; }
    void StopBoostIdle() { --fBoostIdleRefCount; }
    bool IsIdleBoosted() const { return fBoostIdleRefCount > 0; }
    // The loop's sleep allowance for one turn, in ticks of 1/60 s.
    long GetSleepTicks() const;
    // The wait of the next turn: the allowance, cut short where the next idle pass is due.
    int GetSleepMS() const;

    // Every window: HandleChangeRequests, then SetupState, then UpdateGraphics.
    static void ForceSetup();
    static void ForceInvalidate();
    // Window layers (the GUI's window list, the console view) take part in the
    // phases above and in the idle pass once registered; unregister before destruction.
    static void RegisterWindowSystem(CApplicationWindowSystem* system);
    static void UnregisterWindowSystem(CApplicationWindowSystem* system);

    void RegisterExitTask(CExitTask* task);
    void UnregisterExitTask(CExitTask* task);

    // Memory-shortage hook: gives up the reserve; returns the bytes freed.
    long DoGrowZone(long needed);

    uint32_t GetCloseMenuCommandID() const { return fCloseMenuCommandID; }
    void SetCloseMenuCommandID(uint32_t id) { fCloseMenuCommandID = id; }
    uint32_t GetUndoRedoMenuCommandID() const { return fUndoRedoMenuCommandID; }
    void SetUndoRedoMenuCommandID(uint32_t id) { fUndoRedoMenuCommandID = id; }
    uint32_t GetCutMenuCommandID() const { return fCutMenuCommandID; }
    void SetCutMenuCommandID(uint32_t id) { fCutMenuCommandID = id; }
    uint32_t GetCopyMenuCommandID() const { return fCopyMenuCommandID; }
    void SetCopyMenuCommandID(uint32_t id) { fCopyMenuCommandID = id; }
    uint32_t GetPasteMenuCommandID() const { return fPasteMenuCommandID; }
    void SetPasteMenuCommandID(uint32_t id) { fPasteMenuCommandID = id; }
    uint32_t GetDeleteMenuCommandID() const { return fDeleteMenuCommandID; }
    void SetDeleteMenuCommandID(uint32_t id) { fDeleteMenuCommandID = id; }
    uint32_t GetSelectAllMenuCommandID() const { return fSelectAllMenuCommandID; }
    void SetSelectAllMenuCommandID(uint32_t id) { fSelectAllMenuCommandID = id; }

    virtual void Idle() override;
    virtual void Initialize();
    virtual void CleanUp() {}
    virtual void Suspend();
    virtual void Resume();
    virtual bool SaveAllPriorToCloseAll() { return true; }
    virtual CMenuBar* GetMenuBar() { return nullptr; }
    virtual void SetupMenus(CMenuBar*) {}
    // The end of the chain of menu commands: nobody nearer the user took it.
    virtual void HandleMenuSelection(CMenuBar*, unsigned long) {}
    virtual void HandleKeyDownUp(const CKeySpec*) {}
    // A volume arrived and no window is selected to take it.
    virtual void MacHandleDiskMount(const CMacDiskMountInfo*) {}
    // The screen's format changed: cached pictures are decoded again on their next use.
    virtual void ScreenBitmapDestChanged(const CBitmapDest* dest);
    // The cached picture of id; on a miss "JPEG" resource id.GetResourceNumber() decoded for dest
    // and kept. The loader's exceptions go on.
    virtual CABCBitmap* GetBitmap(const CBitmapDest* dest, TBitmapID id);
    virtual void FlushBitmap(TBitmapID id);
    virtual void OpenDragNDropDirectory(const CDirSpec*) {}
    virtual void OpenDragNDropFile(const CFileSpec*, const CUnknownFileType*, const CFileCreator*)
    {
    }
    virtual void OpenDefaultDocument() {}

    // One event from the window system: high-level events go to their handlers,
    // suspend and resume to Suspend/Resume; the registered window layers may take
    // the rest, else it is dispatched to the framework's windows and views below.
    // Every exception is caught and dropped.
    virtual void MacHandleNativeEvent(const NSPlatform::SEventRecord& event);

    // Dispatch to windows and views: which object gets keys, menu set-up and commands.
    void DispatchSetupMenus(CMenuBar* bar);
    void DispatchHandleMenuSelection(CMenuBar* bar, unsigned long command);
    void DispatchKeyDownUp(const CKeySpec* key);
    void MacHandleMouseDown(const NSPlatform::SEventRecord& event);
    void MacHandleMouseUp(const NSPlatform::SEventRecord& event);
    void MacHandleKeyEvent(const NSPlatform::SEventRecord& event);
    void MacHandleUpdateEvent(const NSPlatform::SEventRecord& event);
    void MacHandleDiskEvent(const NSPlatform::SEventRecord& event);
    void MacHandleActivateEvent(const NSPlatform::SEventRecord& event);
    void MacHandleOSEvent(const NSPlatform::SEventRecord& event);
    void MacClickInWindowContent(CABCWindow* window, const NSPlatform::SEventRecord& event);
    // An item chosen in a window's menu bar (the selection in the message); the
    // reset and set-up ran when its menu was about to open.
    void MacClickMenuBar(const NSPlatform::SEventRecord& event);
    // The window manager's close button (or Alt+F4) on a window: its close box.
    void MacHandleCloseRequest(const NSPlatform::SEventRecord& event);
    // The window manager moved, resized or zoomed a window.
    void MacHandleWindowFrameEvent(const NSPlatform::SEventRecord& event);
    void MacHandleMouseWheel(const NSPlatform::SEventRecord& event);
    // Runs the handler installed for a high-level event; its result code (-1708
    // when none is installed or it declines).
    int16_t MacHandleAppleEvent(const NSPlatform::SEventRecord& event);

    // Open requests, handled by the running loop's idle pass in arrival order.
    void AddOpenDocumentRequestFile(const CFileSpec* file);
    void AddOpenDocumentRequestDir(const CDirSpec* directory);
    void AddOpenDocumentRequestNone();
    void PollForDragNDropDocuments();
    void DisposeDocumentRequestList();
    size_t CountOpenDocumentRequests() const { return fOpenDocumentRequestList.size(); }

    // The clipboard; kind is four characters ("TEXT").
    bool DoesClippingExist(const char* kind);
    CClipping* GetClipping(const char* kind);
    void AddClipping(const char* kind, long size, const unsigned char* bytes);
    void ZeroClipboard() {}

    // Floating windows (the toolbar) while the application is in the background.
    void HideFloaters();
    void ShowFloaters();
    void SetToolbar(CApplicationToolbar* toolbar);
    CApplicationToolbar* GetToolbar() const { return fToolbar; }
    int16_t GetHideFloatersCount() const { return fHideFloatersCount; }

    CBitmapCache* GetDefaultBitmapCache() const { return fDefaultBitmapCache; }

    // The recently used documents (oldest first, at most eight) and their preference record.
    void AddDocumentToRecentlyUsed(const CFileSpec* document);
    unsigned short CountRecentlyUsedDocs() const;
    CFileSpec* GetRecentlyUsedDoc(unsigned short index) const;
    bool ValidateRecentlyUsedDoc(unsigned short index) const;
    void DeleteAllRecentlyUsedDocuments();
    bool CheckRecentlyUsedDocs();
    CWayfarerApplicationPreferences GetPreferences();
    void SetPreferences(const CWayfarerApplicationPreferences& preferences);

protected:
    // Waits up to maxMS milliseconds for an event of a kind in mask and handles
    // it; false when none came (a null event).
    virtual bool WaitForEvents(int maxMS, uint16_t mask = 0xFFFF);

private:
    using TAppleEventHandler = std::function<int16_t(const NSPlatform::SEventRecord&)>;

    bool HasUsableReserve() const;
    static std::vector<CApplicationWindowSystem*>& WindowSystems();
    void InstallAppleEventHandlers();
    int16_t HandleOpenDocuments(const NSPlatform::SEventRecord& event);
    bool SynthesizeModifierKeyEvent();
    static void SyncSuperPort();

    // Read by the USB workers while the main thread writes it.
    std::atomic<bool> fClosing = false;
    uint32_t fCloseMenuCommandID = 0;
    uint32_t fUndoRedoMenuCommandID = 0;
    uint32_t fCutMenuCommandID = 0;
    uint32_t fCopyMenuCommandID = 0;
    uint32_t fPasteMenuCommandID = 0;
    uint32_t fDeleteMenuCommandID = 0;
    uint32_t fSelectAllMenuCommandID = 0;
    int16_t fBoostIdleRefCount = 0;
    std::vector<CExitTask*> fExitTaskList;
    int32_t fPreviousIdleMS = 0;
    int32_t fIdleRate = 0;
    ERunState fRunState = kInitializing;
    bool fActiveFlag = true;
    int32_t fMacGrowZoneReserveSize = 0;
    std::unique_ptr<char[]> fMacGrowZoneReserveHandle;
    bool fMacWarnUserAboutLowMemFlag = false;
    std::new_handler fPreviousNewHandler = nullptr;
    bool fGrowZoneInstalled = false;
    bool fOwnsGraphicManager = false;
    bool fOwnsStringManager = false;
    bool fUsesDisplay = false;
    std::vector<std::string> fDocumentsAtStart;
    CBitmapCache* fDefaultBitmapCache = nullptr;
    std::deque<std::unique_ptr<COpenDocumentRequest>> fOpenDocumentRequestList;
    std::map<uint32_t, TAppleEventHandler> fAppleEventHandlers;
    uint16_t fEventMask = 0xFFFF;
    CApplicationToolbar* fToolbar = nullptr;
    int16_t fHideFloatersCount = 0;
    CRecentlyUsedDocList fRecentlyUsedDocList;
};

} // namespace NSWayfarer
