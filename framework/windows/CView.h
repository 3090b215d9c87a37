// One rectangle of a window's content: enable state, keyboard focus, mouse and
// keyboard capture, invalidation, and the hooks for drawing, input, menus and the
// framework's three update phases. Rectangles are in the window's client coordinates.
#pragma once

#include "framework/application/CMouse.h"
#include "framework/graphics/CLocalPoint.h"
#include "framework/graphics/CLocalRect.h"
#include "framework/graphics/CRGBColor.h"

#include <cstdint>
#include <memory>

namespace NSWayfarer
{

class CABCDragDrop;
class CABCWindow;
class CCanvasToWindowLink;
class CClickSpec;
class CDropSpec;
class CGroupView;
class CKeySpec;
class CMacToolTip;
class CMenu;
class CMenuBar;
class CRegion;
class CSizerInfo;
class CViewItemInfo;

class CView
{
public:
    enum ETransparentMode
    {
        kViewRectAllTransparent = 0,
        kViewRectAllOpaque = 1,
        kViewRectRectOpaque = 2,
        kViewRectMixed = 3
    };
    enum EInvalidateMode
    {
        kInvalidateNothing = 0,
        kInvalidateAllViewOnResize = 1,
        kInvalidateNewArea = 2,
        kInvalidateCustom = 3
    };

    explicit CView(CGroupView* superView);
    CView(CGroupView* superView, const CViewItemInfo* info);
    virtual ~CView();
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    virtual CABCWindow* GetMotherWindow() const;
    virtual void Idle() {}
    virtual void Click(const CClickSpec& spec);
    virtual void Drop(const CDropSpec&) {}
    // The mouse button went up while this view held the mouse capture.
    virtual void Release() {}
    virtual void MouseEntered() {}
    virtual void MouseExited() {}
    virtual void HandleKeyDownUp(const CKeySpec* key);
    virtual void CaptureLost() {}
    virtual void SetMouseCursor();
    virtual void HandleFocusLost() {}
    virtual void HandleFocusRecieved() {}
    virtual void SetupMenus(CMenuBar* bar);
    virtual void HandleMenuSelection(CMenuBar* bar, unsigned long command);
    virtual bool WantsDrag(const char*) { return false; }
    virtual void HandleDrag(const char*, long, const unsigned char*) {}
    virtual void Draw() {}
    virtual void UpdateGraphics() {}
    virtual CRGBColor GetBackgroundColor() const;
    virtual void DoContextMenu(const CLocalPoint& point);
    virtual void DoMouseWheel(unsigned short, short, const CLocalPoint&) {}
    virtual void PositionChanged(const CLocalRect*, const CLocalRect*) {}
    virtual CLocalRect GetUsedRectangle() { return CLocalRect(); }
    // A new region, owned by the caller, or null.
    virtual CRegion* CreateUsedRegion() { return nullptr; }
    virtual void PunchOutDrawingAreaFromRegion(CRegion* region);
    virtual void CustomInvalidate(const CLocalRect*, const CLocalRect*) {}
    virtual void Primed() {}
    virtual CLocalRect GetInvalidateLimitRect() const { return fRect; }
    virtual void* GetNative() const { return nullptr; }
    virtual unsigned long GetContextHelpID() const;
    virtual void SetToolTipText(const char* text);
    virtual void MouseCaptureLost();
    virtual void KeyboardCaptureLost();
    virtual void HandleChangeRequests() {}
    virtual void SetupState() {}
    virtual void AddToEndOfTabOrder();
    virtual void RemoveFromTabOrder();
    virtual void FWSetFocusToThisView();
    virtual void FWSetNoFocus();
    virtual CView* GetViewAtCoord(short x, short y);

    // Geometry.
    const CLocalRect& GetRect() const { return fRect; }
    const CLocalRect* GetRectPtr() const { return &fRect; }
    void Position(const CLocalRect* rect);
    void SetSize(short w, short h);
    void PositionXY(short x, short y);
    // Relative to the superview's inner rectangle's left-top.
    void PositionRelative(short x, short y, short w, short h);
    void PositionRelative(short x, short y);
    bool IsCoordInView(short x, short y) const { return fRect.IsPointIn(x, y); }
    bool IsPointInView(short x, short y) const { return fRect.IsPointIn(x, y); }
    bool IsMouseInsideView() const;
    CMouse::CLocalState GetMouseState() const;
    CGroupView* GetSuperView() const { return fSuperView; }

    // Invalidation; limit asks to clip to the superviews first.
    void Invalidate(const CLocalRect* rect, bool limit);
    void Invalidate(bool limit = true);
    void Invalidate(const CRegion* region, bool limit);
    void Validate(const CLocalRect* rect);
    void Validate();
    bool LimitRectToSuperViews(CLocalRect* rect) const;
    bool LimitRegionToSuperViews(CRegion* region) const;
    void InvalidateFromPositionChange(const CLocalRect* oldRect, const CLocalRect* newRect);
    void SetInvalidateMode(EInvalidateMode mode) { fInvalidateMode = mode; }
    EInvalidateMode GetInvalidateMode() const { return fInvalidateMode; }
    void SetTransparentMode(ETransparentMode mode) { fTransparentMode = mode; }
    ETransparentMode GetTransparentMode() const { return fTransparentMode; }
    // Draws that part of the window now instead of at the next update.
    void DeepDrawPartial(CLocalRect* rect);

    // Drawing support. The link carries one reference for the caller (a CCanvas takes it).
    CCanvasToWindowLink* GetCanvasSpec() const;
    void EraseRect(const CLocalRect* rect);
    void Erase();

    void SetEnabled(bool enabled);
    // This view and every ancestor enabled.
    bool IsEnabled() const;
    bool IsEnabledFlag() const { return fEnabledFlag; }
    bool GetDrawnEnabledFlag() const { return fDrawnEnabledFlag; }
    void SetDrawnEnabledFlag(bool drawn) { fDrawnEnabledFlag = drawn; }

    bool CanHaveFocus() const { return fCanHaveFocusFlag; }
    void SetCanHaveFocus(bool can) { fCanHaveFocusFlag = can; }
    bool HasFocus() const;
    bool SetFocus();
    bool DoesThisOrSubViewHaveFocus() const;
    bool DoesSuperViewDecideFocus() const { return fDoesSuperViewDecideFocus; }
    void SetDoesSuperViewDecideFocus() { fDoesSuperViewDecideFocus = true; }

    bool BeginMouseCapture();
    void EndMouseCapture();
    bool DoesViewHaveMouseCapture() const { return gMouseCaptureOwner == this; }
    bool BeginKeyboardCapture();
    void EndKeyboardCapture();
    bool DoesViewHaveKeyboardCapture() const { return gKeyboardCaptureOwner == this; }
    bool BeginDragDrop(CABCDragDrop* manager);
    void EndDragDrop(CABCDragDrop* manager);
    static CView* GetMouseCaptureOwner() { return gMouseCaptureOwner; }
    static CView* GetKeyboardCaptureOwner() { return gKeyboardCaptureOwner; }
    static CABCDragDrop* GetDragDropManager() { return gDragDropManager; }
    static void SetMouseView(CView* view);
    static CView* GetMouseView() { return gMouseCursorView; }

    // True once per DoContextMenu, with the point it was asked at.
    bool IsContextMenuRequested(CLocalPoint& point);
    // Pops menu up at point (the view's window coordinates) and waits; true with the
    // chosen 0-based item and its menu (a submenu perhaps) when one was chosen.
    bool DoContextMenuUtil(const CLocalPoint& point, CMenu* menu, unsigned short* index,
                           CMenu** chosenMenu) const;

    void SetContextHelpID(unsigned long id) { fContextHelpID = static_cast<uint32_t>(id); }
    void SetToolTipTextID(long id);
    const char* GetToolTipText() const;
    void RemoveTooltip() {}
    void SetDragTarget() { fIsDragTargetFlag = true; }
    bool IsDragTarget() const { return fIsDragTargetFlag; }
    void SetSizerInfo(const CSizerInfo& info);
    const CSizerInfo* GetSizerInfo() const { return fSizerInfo.get(); }

protected:
    // For the group's AddSubView and RemoveSubView.
    friend class CGroupView;
    void SetSuperView(CGroupView* superView) { fSuperView = superView; }
    // The rectangle, limited to the superviews, leaves the region's opaque part.
    void PunchOut(CRegion* region, const CRegion& opaque) const;
    bool IsMotherWindowShown() const;

    bool fRequestContextMenu = false;
    CLocalPoint fRequestContextMenuPosition;
    CLocalRect fRect;
    CGroupView* fSuperView = nullptr;
    bool fCanHaveFocusFlag = false;
    bool fDoesSuperViewDecideFocus = false;
    uint32_t fContextHelpID = 0;
    ETransparentMode fTransparentMode = kViewRectAllOpaque;
    EInvalidateMode fInvalidateMode = kInvalidateAllViewOnResize;
    bool fEnabledFlag = true;
    bool fDrawnEnabledFlag = true;
    std::unique_ptr<CMacToolTip> fToolTipID;
    bool fIsDragTargetFlag = true;
    std::unique_ptr<CSizerInfo> fSizerInfo;

private:
    static CView* gMouseCaptureOwner;
    static CView* gKeyboardCaptureOwner;
    static CView* gMouseCursorView;
    static CABCDragDrop* gDragDropManager;
};

} // namespace NSWayfarer
