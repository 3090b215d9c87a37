#include "framework/windows/CABCWindow.h"
#include "framework/application/CLowLevelApplication.h"
#include "framework/windows/CDialogResource.h"

#include "framework/application/CApplication.h"
#include "framework/application/CApplicationToolbar.h"
#include "framework/application/CApplicationWindowSystem.h"
#include "framework/application/CClickSpec.h"
#include "framework/application/CMacDiskMountInfo.h"
#include "framework/application/CPreviousMouseDown.h"
#include "framework/graphics/CDrawPort.h"
#include "framework/graphics/CGraphicManager.h"
#include "framework/application/CMenuBar.h"
#include "framework/windows/CCanvasToWindowLink.h"
#include "framework/windows/CWindowMenuAccess.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeMenuBar.h"
#include "platform/display/CNativeWindow.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace NSWayfarer
{

CLinkedListTemplate<CABCWindow*> CABCWindow::gWindowList;
bool CABCWindow::gEnableRealtimeWindowsFlag = false;

namespace
{

// Front to back, as far as the framework has brought windows forward.
std::vector<CABCWindow*>& FrontOrder()
{
    static std::vector<CABCWindow*> gOrder;
    return gOrder;
}

// The window list's part in the application's loop: the update phases, the idle
// pass and the quit sequence.
class CWindowListSystem : public CApplicationWindowSystem
{
public:
    void HandleChangeRequests() override
    {
        ForAll([](CABCWindow* window) { window->HandleChangeRequests(); });
    }
    void SetupState() override
    {
        ForAll([](CABCWindow* window) { window->SetupState(); });
    }
    void UpdateGraphics() override { CABCWindow::UpdateAll(); }
    bool TryClosingAllWindows() override { return CABCWindow::TryClosingAllWindows(); }
    void AdjustMouse() override { CABCWindow::AdjustMouse(); }
    void IdleAll() override { CABCWindow::IdleAll(); }
    void CloseAllMarkedForClosing() override { CABCWindow::CloseAllMarkedForClosing(); }
    void DeactivateApplicationWindows() override { CABCWindow::DeactivateApplicationWindows(); }
    void ActivateApplicationWindows() override { CABCWindow::ActivateApplicationWindows(); }
    void GetRidOfCaptures() override
    {
        if (CABCWindow* selected = CABCWindow::GetSelected())
            selected->GetRidOfCaptures();
    }

    // Every window in list order; a window deleted by an earlier one's work is skipped.
    template <typename F> static void ForAll(F&& f)
    {
        std::vector<CABCWindow*> windows;
        for (unsigned short i = 0; i < CABCWindow::CountWindows(); ++i)
            windows.push_back(CABCWindow::GetEnumWindow(i));
        for (CABCWindow* window : windows)
        {
            if (CABCWindow::IsWindow(window))
                f(window);
        }
    }
};

CWindowListSystem& WindowListSystem()
{
    static CWindowListSystem gSystem;
    return gSystem;
}

NSPlatform::SDisplayRect ToDisplay(const CRect& r)
{
    return {r.fLeft, r.fTop, r.fRight, r.fBottom};
}

CGlobalRect FromDisplay(const NSPlatform::SDisplayRect& r)
{
    auto clamp = [](int v) { return static_cast<short>(std::clamp(v, -32768, 32767)); };
    return CGlobalRect(clamp(r.mLeft), clamp(r.mTop), clamp(r.mRight), clamp(r.mBottom));
}

CGlobalRect MainScreenRect()
{
    if (CGraphicManager::gGraphicMgr)
        return CGraphicManager::gGraphicMgr->GetMainScreenRect();
    return CGraphicManager().GetMainScreenRect();
}

CGlobalRect MainScreenWorkRect()
{
    if (CGraphicManager::gGraphicMgr)
    {
        const CGraphicManager& manager = *CGraphicManager::gGraphicMgr;
        return manager.GetScreenInfo(manager.GetMainScreenIndex()).fWorkRect;
    }
    const CGraphicManager manager;
    return manager.GetScreenInfo(manager.GetMainScreenIndex()).fWorkRect;
}

} // namespace

// --- Construction and disposal ------------------------------------------------------------

CABCWindow::CABCWindow()
{
    try
    {
        fRootGroupView = new CWindowRootGroupView(this);
    }
    catch (...)
    {
        Dispose();
        throw;
    }
}

CABCWindow::~CABCWindow()
{
    Dispose();
}

void CABCWindow::MacCreateNative(ENativeStyle style, const char* title)
{
    using NSPlatform::CNativeWindow;
    fNativeStyle = style;
    CNativeWindow::EKind kind = CNativeWindow::kDocument;
    bool resizable = false;
    bool zoomable = false;
    bool closable = true;
    short brush = 15; // the document background
    switch (style)
    {
    case kStyleDocument:
        break;
    case kStyleDocumentGrow:
        resizable = true;
        break;
    case kStyleDocumentZoom:
        resizable = true;
        zoomable = true;
        break;
    case kStyleMovableModal:
        kind = CNativeWindow::kModalDialog;
        closable = false;
        brush = 1; // the dialog background
        break;
    case kStyleModal:
        kind = CNativeWindow::kModal;
        closable = false;
        brush = 1;
        break;
    case kStylePlain:
        kind = CNativeWindow::kPlain;
        closable = false;
        break;
    case kStyleFloating:
        kind = CNativeWindow::kFloating;
        brush = 5;
        break;
    case kStyleFloatingGrow:
        kind = CNativeWindow::kFloating;
        resizable = true;
        brush = 5;
        break;
    }
    try
    {
        fNativeWindow = std::make_unique<CNativeWindow>(kind, title ? title : "",
                                                        NSPlatform::SDisplayRect{0, 0, 100, 100});
    }
    catch (...)
    {
        Dispose();
        throw std::bad_alloc();
    }
    fNativeWindow->SetFrameFunctions(resizable, zoomable, closable);
    // The bar sits above the client area and is counted in the top border, so view
    // and dialog item coordinates are the same with or without it.
    NSPlatform::CNativeMenuBar::AttachToWindow(*fNativeWindow);
    fBackgroundColor = CRGBColor::MacGetAppearanceBrushColor(brush);
    MacStoreWindowBorderThickness();
}

void CABCWindow::Dispose()
{
    delete fDialogResource;
    fDialogResource = nullptr;
    delete fRootGroupView;
    fRootGroupView = nullptr;
    fFocusView = nullptr;
    if (fCanvasToWindowLink)
    {
        fCanvasToWindowLink->WindowDisposed();
        fCanvasToWindowLink = nullptr;
    }
    fPort.reset();
    if (fNativeWindow)
        NSPlatform::CNativeMenuBar::DetachFromWindow(*fNativeWindow);
    fNativeWindow.reset();
    unsigned long index = 0;
    if (gWindowList.FindIndex(this, &index))
        gWindowList.RemoveAtIndex(index);
    std::erase(FrontOrder(), this);
    // A click stored for a window that is gone must not pair with one on a new window.
    if (gPreviousMouseDown.fWindow == this)
        gPreviousMouseDown.Reset();
}

void CABCWindow::AddWindow()
{
    CWindowMenuAccess::InstallOnce();
    gWindowList.TailInsert(this);
    FrontOrder().push_back(this);
    CApplication::RegisterWindowSystem(&WindowListSystem());
}

// --- Title ----------------------------------------------------------------------------------

void CABCWindow::GetTitle(char* title) const
{
    const std::string text = fNativeWindow ? fNativeWindow->GetTitle() : std::string();
    const size_t length = std::min<size_t>(text.size(), 255);
    std::memcpy(title, text.data(), length);
    title[length] = 0;
}

void CABCWindow::SetTitle(const char* title)
{
    if (!fNativeWindow || !title)
        return;
    char current[256];
    GetTitle(current);
    if (std::strcmp(current, title) == 0)
        return;
    fNativeWindow->SetTitle(title);
}

void CABCWindow::SetPalette(CPalette* palette)
{
    // Every window is drawn in true colour here: the palette is kept for whoever asks.
    fPalette = palette;
}

// --- Geometry -------------------------------------------------------------------------------

void CABCWindow::GetClientRect(CGlobalRect* rect) const
{
    *rect = fNativeWindow ? FromDisplay(fNativeWindow->GetClientRect()) : CGlobalRect();
}

void CABCWindow::GetFrameRect(CGlobalRect* rect) const
{
    CGlobalRect client;
    GetClientRect(&client);
    ClientToFrame(&client, rect);
}

void CABCWindow::ClientToFrame(const CGlobalRect* client, CGlobalRect* frame) const
{
    *frame = CGlobalRect(static_cast<short>(client->fLeft - fLeftWidth),
                         static_cast<short>(client->fTop - fTopWidth),
                         static_cast<short>(client->fRight + fRightWidth),
                         static_cast<short>(client->fBottom + fBottomWidth));
}

void CABCWindow::FrameToClient(const CGlobalRect* frame, CGlobalRect* client) const
{
    *client = CGlobalRect(static_cast<short>(frame->fLeft + fLeftWidth),
                          static_cast<short>(frame->fTop + fTopWidth),
                          static_cast<short>(frame->fRight - fRightWidth),
                          static_cast<short>(frame->fBottom - fBottomWidth));
}

void CABCWindow::ClientToFrame(short* width, short* height) const
{
    const CGlobalRect client(0, 0, *width, *height);
    CGlobalRect frame;
    ClientToFrame(&client, &frame);
    *width = frame.GetWidth();
    *height = frame.GetHeight();
}

CLocalRect CABCWindow::GetInnerRect() const
{
    CGlobalRect client;
    GetClientRect(&client);
    return CLocalRect(0, 0, client.GetWidth(), client.GetHeight());
}

void CABCWindow::GetDefaultScrollbarPositions(CLocalRect* horizontal, CLocalRect* vertical) const
{
    // The desktop's scroll bars are as wide as the classic ones.
    constexpr short kBarWidth = 16;
    constexpr short kBarHeight = 16;
    const CLocalRect inner = GetInnerRect();
    *horizontal = CLocalRect(
        static_cast<short>(inner.fLeft - 1), static_cast<short>(inner.fBottom - kBarHeight + 1),
        static_cast<short>(inner.fRight - kBarWidth + 2), static_cast<short>(inner.fBottom + 1));
    *vertical = CLocalRect(static_cast<short>(inner.fRight - kBarWidth + 1),
                           static_cast<short>(inner.fTop - 1), static_cast<short>(inner.fRight + 1),
                           static_cast<short>(inner.fBottom - kBarWidth + 2));
}

bool CABCWindow::IsVisible(CLocalRect rect) const
{
    CDrawPort* port = MacGetPort();
    if (!port)
        return false;
    CRegion clip;
    port->GetClip(&clip);
    return clip.DoesRectangleIntersect(&rect);
}

CLocalRect CABCWindow::GetClipRect() const
{
    CDrawPort* port = MacGetPort();
    if (!port)
        return CLocalRect();
    CRegion clip;
    port->GetClip(&clip);
    const CRect bounds = clip.GetBounds();
    return CLocalRect(bounds.fLeft, bounds.fTop, bounds.fRight, bounds.fBottom);
}

void CABCWindow::MacStoreWindowBorderThickness()
{
    if (!fNativeWindow)
        return;
    const NSPlatform::SDisplayRect client = fNativeWindow->GetClientRect();
    NSPlatform::SDisplayRect frame = fNativeWindow->GetFrameRect();
    // The window manager's figures are learned data: nothing absurd is believed.
    auto border = [](int v) { return static_cast<int16_t>(std::clamp(v, 0, 200)); };
    fLeftWidth = border(client.mLeft - frame.mLeft);
    fTopWidth = border(client.mTop - frame.mTop);
    fRightWidth = border(frame.mRight - client.mRight);
    fBottomWidth = border(frame.mBottom - client.mBottom);
}

void CABCWindow::PositionNative(const CGlobalRect* frame)
{
    if (!fNativeWindow || !frame)
        return;
    CGlobalRect client;
    FrameToClient(frame, &client);
    CGlobalRect current;
    GetClientRect(&current);
    CGlobalRect currentFrame;
    ClientToFrame(&current, &currentFrame);
    const bool resize =
        client.GetWidth() != current.GetWidth() || client.GetHeight() != current.GetHeight();
    const bool move = frame->fLeft != currentFrame.fLeft || frame->fTop != currentFrame.fTop;
    if (!resize && !move)
        return;
    CGlobalRect target = current;
    if (move)
        target.Position(client.fLeft, client.fTop);
    if (resize)
        target.SetSize(client.GetWidth(), client.GetHeight());
    fNativeWindow->SetClientRect(ToDisplay(target));
}

void CABCWindow::Position(const CGlobalRect* frame)
{
    PositionNative(frame);
    const CLocalRect inner = GetInnerRect();
    fRootGroupView->Position(&inner);
    PositionSubViews();
    CApplication::ForceSetup();
}

void CABCWindow::PositionSubViews()
{
    const CLocalRect inner = GetInnerRect();
    fRootGroupView->Position(&inner);
}

void CABCWindow::SetCenterPositionRecommendedByClass()
{
    CGlobalRect frame;
    GetFrameRect(&frame);
    frame.Center(MainScreenRect());
    PositionNative(&frame);
}

CGlobalRect CABCWindow::SuggestCenterPositionFrame(short width, short height) const
{
    CGlobalRect frame(0, 0, width, height);
    frame.Center(MainScreenRect());
    return frame;
}

CGlobalRect CABCWindow::SuggestCenterPositionClient(short width, short height) const
{
    ClientToFrame(&width, &height);
    return SuggestCenterPositionFrame(width, height);
}

CGlobalRect CABCWindow::SuggestStackedPositionFrame(short width, short height) const
{
    CGlobalRect area = MainScreenWorkRect();
    area.Shrink(2);
    int best = 0;
    int bestCount = -1;
    for (int k = 0; k < 8; ++k)
    {
        const short x = static_cast<short>(area.fLeft + 16 * k);
        const short y = static_cast<short>(area.fTop + 16 * k);
        int count = 0;
        for (CABCWindow* other : gWindowList)
        {
            if (other == this)
                continue;
            CGlobalRect frame;
            other->GetFrameRect(&frame);
            count += frame.fLeft == x && frame.fTop == y;
        }
        if (bestCount < 0 || count < bestCount)
        {
            best = k;
            bestCount = count;
        }
    }
    CGlobalRect frame(0, 0, width, height);
    frame.Position(static_cast<short>(area.fLeft + 16 * best),
                   static_cast<short>(area.fTop + 16 * best));
    return frame;
}

CGlobalRect CABCWindow::SuggestStackedPositionClient(short width, short height) const
{
    ClientToFrame(&width, &height);
    return SuggestStackedPositionFrame(width, height);
}

void CABCWindow::Prime()
{
    CGlobalRect frame;
    GetFrameRect(&frame);
    PrimeAtPos(&frame);
}

void CABCWindow::PrimeAtCentre()
{
    CGlobalRect frame;
    GetFrameRect(&frame);
    frame.Center(MainScreenRect());
    PrimeAtPos(&frame);
}

void CABCWindow::PrimeAtSuggestedCenterPositionFrame(short width, short height)
{
    const CGlobalRect frame = SuggestCenterPositionFrame(width, height);
    PrimeAtPos(&frame);
}

void CABCWindow::PrimeAtSuggestedCenterPositionClient(short width, short height)
{
    const CGlobalRect frame = SuggestCenterPositionClient(width, height);
    PrimeAtPos(&frame);
}

void CABCWindow::PrimeAtSuggestedStackedPositionFrame(short width, short height)
{
    const CGlobalRect frame = SuggestStackedPositionFrame(width, height);
    PrimeAtPos(&frame);
}

void CABCWindow::PrimeAtSuggestedStackedPositionClient(short width, short height)
{
    const CGlobalRect frame = SuggestStackedPositionClient(width, height);
    PrimeAtPos(&frame);
}

void CABCWindow::PrimeAtPos(const CGlobalRect* frame)
{
    Position(frame);
    HandleChangeRequests();
    SetupState();
    UpdateGraphics();
    Show();
    Select();
    fRootGroupView->Primed();
}

// --- Visibility, order, activation ------------------------------------------------------------

void CABCWindow::Show()
{
    if (!fNativeWindow)
        return;
    if (fNativeStyle == kStyleMovableModal || fNativeStyle == kStyleModal)
    {
        // Kept above the window it interrupts.
        CABCWindow* front = GetNonFloatingSelected();
        fNativeWindow->SetTransientFor(front && front != this ? front->GetNative() : nullptr);
    }
    const bool wasShown = fNativeWindow->IsVisible();
    fNativeWindow->Show();
    if (!wasShown)
        Invalidate();
}

void CABCWindow::Hide()
{
    if (fNativeWindow)
        fNativeWindow->Hide();
}

bool CABCWindow::IsShown() const
{
    return fNativeWindow && fNativeWindow->IsVisible();
}

void CABCWindow::MacBringToFrontOfOrder(CABCWindow* window)
{
    auto& order = FrontOrder();
    auto it = std::find(order.begin(), order.end(), window);
    if (it == order.end())
        return;
    order.erase(it);
    order.insert(order.begin(), window);
}

bool CABCWindow::Select()
{
    CABCWindow* front = GetSelected();
    if (front == this || (front && front->IsModal()))
        return false;
    CApplication* application = CApplication::Get();
    if (fNativeWindow)
    {
        if (!application || application->IsActive())
            fNativeWindow->Activate();
        else
            fNativeWindow->Raise();
    }
    MacBringToFrontOfOrder(this);
    return true;
}

void CABCWindow::MacActivate()
{
    fRootGroupView->SetEnabled(true);
    CApplication::ForceSetup();
}

void CABCWindow::Activate()
{
    MacActivate();
}

void CABCWindow::DoDeactivate()
{
    Deactivate();
    GetRidOfCaptures();
    fRootGroupView->SetEnabled(false);
    CApplication::ForceSetup();
}

void CABCWindow::DoDeactivateBeforeDelete()
{
    Deactivate();
    GetRidOfCaptures();
}

void CABCWindow::GetRidOfCaptures()
{
    if (CView* owner = CView::GetKeyboardCaptureOwner(); owner && owner->GetMotherWindow() == this)
        owner->KeyboardCaptureLost();
    if (CView* owner = CView::GetMouseCaptureOwner(); owner && owner->GetMotherWindow() == this)
        owner->MouseCaptureLost();
}

// --- Closing ----------------------------------------------------------------------------------

void CABCWindow::TryClosing()
{
    if (IsCloseOK())
        MarkForClosing();
}

bool CABCWindow::TryClosingAllWindows()
{
    CApplication* application = CApplication::Get();
    if (application && !application->SaveAllPriorToCloseAll())
        return false;
    std::vector<CABCWindow*> windows;
    for (CABCWindow* window : gWindowList)
        windows.push_back(window);
    for (CABCWindow* window : windows)
    {
        if (!IsWindow(window) || window->IsWindowIsControlWindow())
            continue;
        if (!window->IsCloseOK())
            return false;
        window->MarkForClosing();
    }
    CloseAllMarkedForClosing();
    return true;
}

void CABCWindow::CloseAllMarkedForClosing()
{
    unsigned long index = 0;
    while (index < gWindowList.CountItems())
    {
        CABCWindow* window = gWindowList.GetAtIndex(index);
        if (!window->fCloseFlag)
        {
            ++index;
            continue;
        }
        window->fCloseFlag = false;
        if (window == GetSelected())
            window->DoDeactivateBeforeDelete();
        window->SetNoFocus();
        window->UnPrime();
        delete window;
        // A destructor that did not leave the list would make this loop spin.
        if (index < gWindowList.CountItems() && gWindowList.GetAtIndex(index) == window)
            ++index;
    }
}

void CABCWindow::CloseAll()
{
    for (CABCWindow* window : gWindowList)
        window->MarkForClosing();
    CloseAllMarkedForClosing();
}

// --- Default routing ------------------------------------------------------------------------

void CABCWindow::Click(const CClickSpec& spec)
{
    if (CView* owner = CView::GetMouseCaptureOwner())
    {
        if (owner->IsEnabled())
            owner->Click(spec);
        return;
    }
    if (fRootGroupView->IsEnabled())
        fRootGroupView->Click(spec);
}

void CABCWindow::DoContextMenu(const CLocalPoint& point)
{
    if (CView* owner = CView::GetMouseCaptureOwner())
    {
        if (owner->IsEnabled())
            owner->DoContextMenu(point);
        return;
    }
    if (fRootGroupView->IsEnabled())
        fRootGroupView->DoContextMenu(point);
}

void CABCWindow::Drop(const CDropSpec& spec)
{
    fRootGroupView->Drop(spec);
}

void CABCWindow::Draw()
{
    fRootGroupView->Draw();
}

void CABCWindow::HandleChangeRequests()
{
    fRootGroupView->HandleChangeRequests();
}

void CABCWindow::SetupState()
{
    fRootGroupView->SetupState();
}

void CABCWindow::UpdateGraphics()
{
    fRootGroupView->UpdateGraphics();
}

void CABCWindow::HandleKeyDownUp(const CKeySpec* key)
{
    if (CApplication* application = CApplication::Get())
        application->HandleKeyDownUp(key);
}

void CABCWindow::SetupMenus(CMenuBar* bar)
{
    CApplication* application = CApplication::Get();
    if (!application)
        return;
    const uint32_t close = application->GetCloseMenuCommandID();
    if (WantsCloseMenu() && close != 0 && bar)
        bar->SetMenuItemEnable(close, true);
    application->SetupMenus(bar);
}

void CABCWindow::HandleMenuSelection(CMenuBar* bar, unsigned long command)
{
    CApplication* application = CApplication::Get();
    if (!application)
        return;
    // Without a close command every command goes on: swallowing them all would leave
    // a document window's menus dead.
    const uint32_t close = application->GetCloseMenuCommandID();
    if (WantsCloseMenu() && close != 0 && close == command)
    {
        TryClosing();
        return;
    }
    application->HandleMenuSelection(bar, command);
}

void CABCWindow::Idle()
{
    fRootGroupView->Idle();
}

void CABCWindow::MacHandleDiskMount(const CMacDiskMountInfo* info)
{
    if (CApplication* application = CApplication::Get())
        application->MacHandleDiskMount(info);
}

void CABCWindow::GetApplicationRecommendedSize(short* width, short* height)
{
    *width = 300;
    *height = 500;
}

void CABCWindow::GetMinMaxSize(short* minWidth, short* minHeight, short* maxWidth, short* maxHeight)
{
    *minWidth = 60;
    *minHeight = 60;
    *maxWidth = 20000;
    *maxHeight = 20000;
}

// --- Focus ------------------------------------------------------------------------------------

void CABCWindow::SetNoFocus()
{
    if (CView* focus = GetFocusView())
        focus->FWSetNoFocus();
}

void CABCWindow::AddToEndOfTabOrder(CView* view)
{
    if (view)
        view->AddToEndOfTabOrder();
}

void CABCWindow::RemoveFromTabOrder(CView* view)
{
    if (view)
        view->RemoveFromTabOrder();
}

void CABCWindow::AddToEndOfTabOrderList(CView* view)
{
    fTabOrderList.TailInsert(view);
}

void CABCWindow::RemoveFromTabOrderList(CView* view)
{
    unsigned long index = 0;
    if (fTabOrderList.FindIndex(view, &index))
        fTabOrderList.RemoveAtIndex(index);
}

CView* CABCWindow::GetFocusView() const
{
    if (fNativeKeyboardFocus)
    {
        // A native control that holds the keyboard focus answers for its view.
        for (CView* view : fTabOrderList)
        {
            if (view->GetNative() == fNativeKeyboardFocus)
                return view;
        }
    }
    return fFocusView;
}

void CABCWindow::SetFocusView(CView* view)
{
    CView* old = GetFocusView();
    if (old == view)
        return;
    if (old)
        old->FWSetNoFocus();
    if (view && view->CanHaveFocus())
        view->FWSetFocusToThisView();
}

namespace
{

bool Qualifies(const CView* view)
{
    return view->CanHaveFocus() && view->IsEnabled();
}

} // namespace

void CABCWindow::FirstFocusItem()
{
    for (CView* view : fTabOrderList)
    {
        if (Qualifies(view))
        {
            view->SetFocus();
            return;
        }
    }
    SetNoFocus();
}

void CABCWindow::LastFocusItem()
{
    CView* last = nullptr;
    for (CView* view : fTabOrderList)
    {
        if (Qualifies(view))
            last = view;
    }
    if (last)
        last->SetFocus();
    else
        SetNoFocus();
}

void CABCWindow::NextFocusItem()
{
    CView* focus = GetFocusView();
    bool seen = false;
    for (CView* view : fTabOrderList)
    {
        if (seen && Qualifies(view))
        {
            view->SetFocus();
            return;
        }
        seen = seen || (focus && view == focus);
    }
    FirstFocusItem();
}

void CABCWindow::PreviousFocusItem()
{
    CView* focus = GetFocusView();
    CView* previous = nullptr;
    for (CView* view : fTabOrderList)
    {
        if (focus && view == focus)
            break;
        if (Qualifies(view))
            previous = view;
    }
    if (previous)
        previous->SetFocus();
    else
        LastFocusItem();
}

// --- All windows ------------------------------------------------------------------------------

CABCWindow* CABCWindow::GetSelected()
{
    for (CABCWindow* window : FrontOrder())
    {
        if (window->IsShown())
            return window;
    }
    return nullptr;
}

CABCWindow* CABCWindow::GetNonFloatingSelected()
{
    for (CABCWindow* window : FrontOrder())
    {
        if (window->IsShown() && !window->IsFloating())
            return window;
    }
    return nullptr;
}

CABCWindow* CABCWindow::FromNative(TNativeWindow native)
{
    if (!native)
        return nullptr;
    for (CABCWindow* window : gWindowList)
    {
        if (window->GetNative() == native)
            return window;
    }
    return nullptr;
}

CABCWindow* CABCWindow::FindWindowAtCoord(short x, short y)
{
    // Floating windows lie above the others; then front to back.
    for (int floating = 1; floating >= 0; --floating)
    {
        for (CABCWindow* window : FrontOrder())
        {
            if (window->IsFloating() != (floating == 1) || !window->IsShown())
                continue;
            CGlobalRect client;
            window->GetClientRect(&client);
            if (client.IsPointIn(x, y))
                return window;
        }
    }
    return nullptr;
}

CABCWindow* CABCWindow::GetWindowUnderMouseCursor()
{
    const CMouse::CGlobalState state = CMouse::GetState();
    return FindWindowAtCoord(state.fH, state.fV);
}

unsigned short CABCWindow::CountWindows()
{
    return static_cast<unsigned short>(gWindowList.CountItems());
}

unsigned short CABCWindow::CountWindowsWhoWantsToBeOnWindowList()
{
    unsigned short count = 0;
    for (CABCWindow* window : gWindowList)
        count += window->WantsToBeOnWindowsMenu();
    return count;
}

CABCWindow* CABCWindow::GetEnumWindow(unsigned short index)
{
    return index < gWindowList.CountItems() ? gWindowList.GetAtIndex(index) : nullptr;
}

bool CABCWindow::IsWindow(CABCWindow* window)
{
    unsigned long index = 0;
    return window && gWindowList.FindIndex(window, &index);
}

void CABCWindow::IdleAll()
{
    CABCWindow* selected = GetSelected();
    if (selected)
        selected->Idle();
    CWindowListSystem::ForAll(
        [selected](CABCWindow* window)
        {
            if (window != selected)
                window->Idle();
        });
}

void CABCWindow::UpdateAll()
{
    if (CGraphicManager::gGraphicMgr)
        CGraphicManager::gGraphicMgr->EnableDrawing();
    CWindowListSystem::ForAll([](CABCWindow* window) { window->UpdateGraphics(); });
    if (CGraphicManager::gGraphicMgr)
        CGraphicManager::gGraphicMgr->DisableDrawing();
}

void CABCWindow::ActivateApplicationWindows()
{
    if (CABCWindow* selected = GetSelected())
        selected->Activate();
}

void CABCWindow::DeactivateApplicationWindows()
{
    if (CABCWindow* selected = GetSelected())
        selected->DoDeactivate();
}

void CABCWindow::ReleaseMouseButton()
{
    if (CView* owner = CView::GetMouseCaptureOwner())
        owner->Release();
}

void CABCWindow::InitFromDialogResource(short id)
{
    auto* resource = new CDialogResource(this, id);
    delete fDialogResource;
    fDialogResource = resource;
    char title[CDialogResource::kMaxTitleLength + 1];
    fDialogResource->GetTitle(title);
    if (title[0] == 0)
    {
        char name[256] = {};
        if (CLowLevelApplication* application = CLowLevelApplication::Get())
            application->GetName(name);
        SetTitle(name);
    }
    else
    {
        SetTitle(title);
    }
    const CGlobalRect client = fDialogResource->GetClientRect();
    const CGlobalRect frame = SuggestCenterPositionClient(client.GetWidth(), client.GetHeight());
    PositionNative(&frame);
}

CDialogItemInfo* CABCWindow::GetDialogItemInfo(short itemID) const
{
    return fDialogResource ? fDialogResource->GetDialogItemInfo(itemID) : nullptr;
}

} // namespace NSWayfarer
