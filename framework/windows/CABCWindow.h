// The framework's top-level window: one native window, the root view that covers
// its client area, the keyboard tab order, the border widths around the client
// area, and the global window list through which the application routes events,
// idles, updates and closes windows. Every window kind derives from it.
#pragma once

#include "framework/application/CMouse.h"
#include "framework/graphics/CGlobalRect.h"
#include "framework/graphics/CLocalPoint.h"
#include "framework/graphics/CLocalRect.h"
#include "framework/graphics/CRGBColor.h"
#include "framework/graphics/CRegion.h"
#include "framework/text/CLinkedListTemplate.h"
#include "framework/windows/CGroupView.h"

#include <cstdint>
#include <memory>

namespace NSPlatform
{
class CNativeWindow;
struct SEventRecord;
} // namespace NSPlatform

namespace NSWayfarer
{

class CABCBitmap;
class CCanvasToWindowLink;
class CClickSpec;
class CDialogItemInfo;
class CDialogResource;
class CDrawPort;
class CDropSpec;
class CKeySpec;
class CMacDiskMountInfo;
class CMenuBar;
class CPalette;

class CABCWindow
{
public:
    using TNativeWindow = NSPlatform::CNativeWindow*;

    class CWindowSizeBoxView;

    // The root of every window's view tree; it covers the window's inner rectangle
    // and runs the live drag and grow of the window.
    class CWindowRootGroupView : public CGroupView
    {
    public:
        enum EClickType
        {
            kClickTypeDrag = 11,
            kClickTypeGrow = 12,
            kClickTypeNone = 13
        };

        explicit CWindowRootGroupView(CABCWindow* window);
        ~CWindowRootGroupView() override;

        CABCWindow* GetMotherWindow() const override { return fOwningWindow; }
        void Idle() override;
        void Release() override;
        void HandleKeyDownUp(const CKeySpec* key) override;
        void SetupMenus(CMenuBar* bar) override;
        void HandleMenuSelection(CMenuBar* bar, unsigned long command) override;
        CRGBColor GetBackgroundColor() const override;
        unsigned long GetContextHelpID() const override;
        void PositionSubViews() override;
        void DrawExceptSubViews() override {}
        void CaptureLost() override;

        void ClickDrag(short x, short y);
        void ClickGrow(short x, short y);
        void SetSizeBox(bool big);
        CWindowSizeBoxView* GetSizeBoxView() const { return fWindowSizeBoxView; }
        EClickType GetClickType() const { return fClickType; }

    private:
        void StartTracking(EClickType type, short x, short y);

        CABCWindow* fOwningWindow;
        CWindowSizeBoxView* fWindowSizeBoxView = nullptr;
        EClickType fClickType = kClickTypeNone;
        int16_t fInitClickX = 0;
        int16_t fInitClickY = 0;
        int16_t fClickOffsetX = 0;
        int16_t fClickOffsetY = 0;
    };

    // Reserves the bottom-right corner of a resizable window; a click there starts
    // the window's resize.
    class CWindowSizeBoxView : public CView
    {
    public:
        explicit CWindowSizeBoxView(CGroupView* superView) : CView(superView) {}
        void Click(const CClickSpec&) override {}
        void SetMouseCursor() override {}
        void Draw() override {}

        bool fBigSize = true;
    };

    // Clips the window's port to a rectangle or region for the life of the guard.
    class CClipRect
    {
    public:
        CClipRect(CABCWindow* window, CLocalRect rect);
        CClipRect(CABCWindow* window, const CRegion* region);
        ~CClipRect();
        CClipRect(const CClipRect&) = delete;
        CClipRect& operator=(const CClipRect&) = delete;

    private:
        void Clip(const CRegion& with);

        CABCWindow* fWindow;
        CRegion fSavedClip;
    };

    virtual ~CABCWindow();
    CABCWindow(const CABCWindow&) = delete;
    CABCWindow& operator=(const CABCWindow&) = delete;

    // --- Overridable behaviour ----------------------------------------------------------
    virtual void Position(const CGlobalRect* frame);
    virtual void UnPrime() { SetNoFocus(); }
    virtual void SetNoFocus();
    virtual void TryClosing();
    virtual void MarkForClosing() { fCloseFlag = true; }
    virtual bool IsMarkedForClosing() const { return fCloseFlag; }
    virtual void PrimeAtPos(const CGlobalRect* frame);
    virtual unsigned long GetContextHelpID() const { return fContextHelpID; }
    virtual bool Select();
    virtual void Show();
    virtual void Click(const CClickSpec& spec);
    virtual void Drop(const CDropSpec& spec);
    virtual void Draw();
    virtual void HandleChangeRequests();
    virtual void SetupState();
    virtual void UpdateGraphics();
    virtual void DoContextMenu(const CLocalPoint& point);
    virtual void HandleKeyDownUp(const CKeySpec* key);
    virtual void SetupMenus(CMenuBar* bar);
    virtual void HandleMenuSelection(CMenuBar* bar, unsigned long command);
    virtual void Idle();
    virtual bool IsCloseOK() { return true; }
    virtual void MacHandleDiskMount(const CMacDiskMountInfo* info);
    virtual void Activate();
    virtual void Deactivate() {}
    virtual void GetApplicationRecommendedSize(short* width, short* height);
    virtual void GetMinMaxSize(short* minWidth, short* minHeight, short* maxWidth,
                               short* maxHeight);
    virtual void PositionSubViews();
    virtual bool WantsToBeOnWindowsMenu() const { return true; }
    virtual bool WantsCloseMenu() const { return false; }
    virtual bool WantsToBeActive() const { return true; }
    // Floating palettes stay above the other windows and are skipped where the
    // front "document" window is asked for.
    virtual bool IsFloating() const { return false; }

    // --- Accessors ----------------------------------------------------------------------
    CGroupView* GetRootView() const { return fRootGroupView; }
    CGroupView* GetGroupView() const { return fRootGroupView; }
    CWindowRootGroupView* GetRootGroupView() const { return fRootGroupView; }
    TNativeWindow GetNative() const { return fNativeWindow.get(); }
    CPalette* GetPalette() const { return fPalette; }
    void SetPalette(CPalette* palette);
    bool IsModal() const { return fModalFlag; }
    void SetModalFlag(bool modal) { fModalFlag = modal; }
    void SetContextHelpID(unsigned long id) { fContextHelpID = static_cast<uint32_t>(id); }
    CView* GetFocusViewPtr() const { return fFocusView; }
    void SetFocusViewPtr(CView* view) { fFocusView = view; }
    void SetWindowIsControlWindow() { fWindowIsControlWindow = true; }
    bool IsWindowIsControlWindow() const { return fWindowIsControlWindow; }
    CRGBColor GetBackgroundColor() const { return fBackgroundColor; }

    // At most 255 characters and the terminating zero (title must hold 256 bytes).
    void GetTitle(char* title) const;
    void SetTitle(const char* title);

    // --- Layout from a dialog resource -----------------------------------------------
    // Loads description id and its items, takes its title (the application's name
    // when it has none) and centres the window for its client size; the resource's
    // errors propagate.
    void InitFromDialogResource(short id);
    // The item with that 1-based number, or null (also without a resource).
    CDialogItemInfo* GetDialogItemInfo(short itemID) const;
    CDialogResource* GetDialogResource() const { return fDialogResource; }

    // --- Geometry (global rectangles unless local) ------------------------------------
    void GetClientRect(CGlobalRect* rect) const;
    void GetFrameRect(CGlobalRect* rect) const;
    void ClientToFrame(const CGlobalRect* client, CGlobalRect* frame) const;
    void FrameToClient(const CGlobalRect* frame, CGlobalRect* client) const;
    void ClientToFrame(short* width, short* height) const;
    CLocalRect GetInnerRect() const;
    void GetDefaultScrollbarPositions(CLocalRect* horizontal, CLocalRect* vertical) const;
    bool IsVisible(CLocalRect rect) const;
    CLocalRect GetClipRect() const;
    void MacStoreWindowBorderThickness();
    int16_t GetLeftWidth() const { return fLeftWidth; }
    int16_t GetTopWidth() const { return fTopWidth; }
    int16_t GetRightWidth() const { return fRightWidth; }
    int16_t GetBottomWidth() const { return fBottomWidth; }

    void PositionNative(const CGlobalRect* frame);
    void SetPositionRecommendedByClass(const CGlobalRect* frame) { PositionNative(frame); }
    void SetCenterPositionRecommendedByClass();
    CGlobalRect SuggestCenterPositionFrame(short width, short height) const;
    CGlobalRect SuggestCenterPositionClient(short width, short height) const;
    CGlobalRect SuggestStackedPositionFrame(short width, short height) const;
    CGlobalRect SuggestStackedPositionClient(short width, short height) const;
    void Prime();
    void PrimeAtCentre();
    void PrimeAtSuggestedCenterPositionFrame(short width, short height);
    void PrimeAtSuggestedCenterPositionClient(short width, short height);
    void PrimeAtSuggestedStackedPositionFrame(short width, short height);
    void PrimeAtSuggestedStackedPositionClient(short width, short height);

    void Hide();
    bool IsShown() const;

    // --- Focus and tab order ------------------------------------------------------------
    void AddToEndOfTabOrder(CView* view);
    void RemoveFromTabOrder(CView* view);
    void AddToEndOfTabOrderList(CView* view);
    void RemoveFromTabOrderList(CView* view);
    const CLinkedListTemplate<CView*>& GetTabOrderList() const { return fTabOrderList; }
    CView* GetFocusView() const;
    void SetFocusView(CView* view);
    void FirstFocusItem();
    void LastFocusItem();
    void NextFocusItem();
    void PreviousFocusItem();
    void LoseViewFocus() { NextFocusItem(); }
    // Native controls take the keyboard focus in the native window; views that are
    // not controls clear it.
    void* MacGetKeyboardFocus() const { return fNativeKeyboardFocus; }
    void MacSetKeyboardFocus(void* control) { fNativeKeyboardFocus = control; }
    void MacClearKeyboardFocus() { fNativeKeyboardFocus = nullptr; }

    // --- Activation (called by the application) ---------------------------------------
    void DoActivate() { Activate(); }
    void DoDeactivate();
    void DoDeactivateBeforeDelete();
    void GetRidOfCaptures();

    // --- Drawing, canvas link, pointer ------------------------------------------------
    CCanvasToWindowLink* GetCanvasSpec() const;
    void AttachOffscreen(CABCBitmap* bitmap);
    void DetachOffscreen();
    CABCBitmap* GetOffscreen() const { return fOffscreenBitmap; }
    CCanvasToWindowLink* GetCanvasToWindowLink() const { return fCanvasToWindowLink; }
    void SetCanvasToWindowLink(CCanvasToWindowLink* link) { fCanvasToWindowLink = link; }
    // The port over the native window's backing store, kept in step with the store's
    // size and the window's place on the screen.
    CDrawPort* MacGetPort() const;

    void Invalidate(const CLocalRect* rect);
    void Invalidate(const CRegion* region);
    void Invalidate();
    void Validate(const CLocalRect* rect);
    void Validate(const CRegion* region);
    void Validate();
    const CRegion& GetUpdateRegion() const { return fUpdateRegion; }
    void ForcePaint();
    // For a window just shown: draws what waits to be drawn and lets the window system
    // put the window on the screen, for at most timeoutMs, before work that holds the
    // main thread. Only the display's own events run meanwhile; the application's
    // wait in its queue. True when the window is on the screen.
    bool WaitUntilOnScreen(int timeoutMs);
    // Shows what was drawn into the window's store outside a paint (an off-screen blast).
    void MacPushToScreen(const CLocalRect& rect);
    void DrawComplete();
    void DrawComplete(CLocalRect* rect);
    void ScrollRect(CLocalRect rect, short dx, short dy);

    void MacClickInDrag(const NSPlatform::SEventRecord& event);
    void MacClickInGrow(const NSPlatform::SEventRecord& event);
    void MacHandleZoomButton(const NSPlatform::SEventRecord& event, short part);
    void MacHandleMouseWheel(const NSPlatform::SEventRecord& event);
    // The window manager moved or resized the window: the views follow.
    void MacFrameChanged(short part);
    void SetWindowHasSizeBox();
    void MacSetWindowSizeBoxBig(bool big);
    CMouse::CLocalState GetMouseState() const;
    void MacAvoidIllegalWindowPositions();
    void GlobalToLocal(short gx, short gy, short* x, short* y) const;
    void LocalToGlobal(short x, short y, short* gx, short* gy) const;

    // --- All windows ------------------------------------------------------------------
    static CABCWindow* GetSelected();
    static CABCWindow* GetNonFloatingSelected();
    static CABCWindow* FromNative(TNativeWindow native);
    static CABCWindow* FindWindowAtCoord(short x, short y);
    static CABCWindow* GetWindowUnderMouseCursor();
    static unsigned short CountWindows();
    static unsigned short CountWindowsWhoWantsToBeOnWindowList();
    static CABCWindow* GetEnumWindow(unsigned short index);
    static bool IsWindow(CABCWindow* window);
    static void IdleAll();
    static void UpdateAll();
    static void CloseAll();
    static bool TryClosingAllWindows();
    static void CloseAllMarkedForClosing();
    static void ActivateApplicationWindows();
    static void DeactivateApplicationWindows();
    static void ReleaseMouseButton();
    static void AdjustMouse();
    static void MacEnabledRealtimeWindows(bool enabled) { gEnableRealtimeWindowsFlag = enabled; }
    static bool MacIsRealtimeWindowsEnabled() { return gEnableRealtimeWindowsFlag; }
    static void MacGetDragRect(CGlobalRect* rect);
    // The window that became the front one (activation, selection); the others keep their order.
    static void MacBringToFrontOfOrder(CABCWindow* window);

protected:
    // Frame styles of the native window.
    enum ENativeStyle
    {
        kStyleDocument,     // titled, close box
        kStyleDocumentGrow, // titled, close box, grow box
        kStyleDocumentZoom, // titled, close box, grow and zoom boxes
        kStyleMovableModal, // titled modal dialog, no close box
        kStyleModal,        // modal dialog without title bar
        kStylePlain,        // no frame
        kStyleFloating,     // floating palette with close box
        kStyleFloatingGrow  // the same, resizable
    };

    CABCWindow();
    // Creates the native window (invisible at 0,0,100,100), reads its background
    // colour and border widths. Throws std::bad_alloc after disposing the window.
    void MacCreateNative(ENativeStyle style, const char* title);
    void Dispose();
    void AddWindow();
    void MacActivate();

    bool fWindowIsControlWindow = false;
    CLinkedListTemplate<CView*> fTabOrderList;
    std::unique_ptr<NSPlatform::CNativeWindow> fNativeWindow;
    CPalette* fPalette = nullptr;
    bool fCloseFlag = false;
    CWindowRootGroupView* fRootGroupView = nullptr;
    CView* fFocusView = nullptr;
    bool fModalFlag = false;
    uint32_t fContextHelpID = 0;
    CABCBitmap* fOffscreenBitmap = nullptr;
    CRGBColor fBackgroundColor{0xFFFF, 0xFFFF, 0xFFFF};
    mutable CCanvasToWindowLink* fCanvasToWindowLink = nullptr;
    int16_t fLeftWidth = 0;
    int16_t fRightWidth = 0;
    int16_t fTopWidth = 0;
    int16_t fBottomWidth = 0;
    CDialogResource* fDialogResource = nullptr; // owned

private:
    friend class CCanvasToWindowLink;
    // The next update event is on its way.
    void RequestUpdate();
    void SyncPortWithNative() const;
    void PushToScreen(const CRegion& region);

    ENativeStyle fNativeStyle = kStyleDocument;
    void* fNativeKeyboardFocus = nullptr;
    CRegion fUpdateRegion;
    bool fUpdateRequested = false;
    mutable std::unique_ptr<CDrawPort> fPort;

    static CLinkedListTemplate<CABCWindow*> gWindowList;
    static bool gEnableRealtimeWindowsFlag;
};

} // namespace NSWayfarer
