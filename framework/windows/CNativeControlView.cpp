#include "framework/windows/CNativeControlView.h"

#include "framework/application/CApplication.h"
#include "framework/files/XBase.h"
#include "framework/windows/CABCWindow.h"
#include "framework/windows/CDialogItemInfo.h"
#include "platform/display/CNativeWindow.h"

#include <cstring>
#include <unordered_map>

namespace NSWayfarer
{

namespace
{

std::unordered_map<const NSPlatform::CNativeControl*, CNativeControlView*>& Registry()
{
    static std::unordered_map<const NSPlatform::CNativeControl*, CNativeControlView*> registry;
    return registry;
}

// While the user holds the mouse on a live control the toolkit runs its own loop:
// the windows are still painted and the program still idles from there.
void KeepProgramRunning()
{
    for (unsigned short i = 0; i < CABCWindow::CountWindows(); ++i)
    {
        if (CABCWindow* window = CABCWindow::GetEnumWindow(i))
            window->ForcePaint();
    }
    if (CApplication* application = CApplication::Get())
        application->DriveIdle();
}

NSPlatform::SDisplayRect ToDisplay(const CLocalRect& rect)
{
    return NSPlatform::SDisplayRect{rect.fLeft, rect.fTop, rect.fRight, rect.fBottom};
}

} // namespace

CNativeControlView::CNativeControlView(CGroupView* superView) : CControlView(superView) {}

CNativeControlView::CNativeControlView(CGroupView* superView, const CDialogItemInfo* info)
    : CControlView(superView, info)
{
}

CNativeControlView::~CNativeControlView()
{
    Unregister();
    fNative.reset();
}

void CNativeControlView::Register()
{
    if (fNative)
        Registry()[fNative.get()] = this;
}

void CNativeControlView::Unregister()
{
    if (fNative)
        Registry().erase(fNative.get());
}

void CNativeControlView::SetNative(std::unique_ptr<TNative> control)
{
    Unregister();
    fNative = std::move(control);
    Register();
}

std::unique_ptr<CNativeControlView::TNative>
CNativeControlView::MacCreateNative(TNative::EKind kind, const std::string& title,
                                    const CLocalRect& rect)
{
    CABCWindow* window = GetMotherWindow();
    if (!window || !window->GetNative())
        throw XBase();
    std::unique_ptr<TNative> control;
    try
    {
        control = std::make_unique<TNative>(*window->GetNative(), kind, ToDisplay(rect), title);
    }
    catch (const std::bad_alloc&)
    {
        throw;
    }
    catch (...)
    {
        throw XBase();
    }
    if (kind == TNative::kHorizontalScrollBar || kind == TNative::kVerticalScrollBar)
    {
        control->SetActionCallback(
            [this](int16_t part)
            {
                // Value pushes wait while the user moves the control; a callback
                // that must move it lifts the block itself.
                ++fBlockUpdateGraphicsCount;
                if (part != 0)
                    MacActionCallback(part);
                --fBlockUpdateGraphicsCount;
            });
        TNative::SetTrackingIdleHook(KeepProgramRunning);
    }
    return control;
}

void CNativeControlView::MacUpdateGraphics(short value)
{
    if (!fNative)
        return;
    const TNative::EKind kind = fNative->GetKind();
    const bool hasValue = kind == TNative::kProgressBar || kind == TNative::kHorizontalScrollBar ||
                          kind == TNative::kVerticalScrollBar;
    if (hasValue && !IsUpdateGraphicsBlocked() && fNative->GetValue() != value)
        fNative->SetValue(value);
    const bool enabled = IsEnabled();
    if (enabled != fNative->IsEnabled())
        fNative->SetEnabled(enabled);
    fMacEnabledFlag = enabled;
}

void CNativeControlView::PositionNative(const CLocalRect& rect)
{
    if (fNative)
        fNative->SetRect(ToDisplay(rect));
}

CLocalRect CNativeControlView::MacGetControlRect() const
{
    if (!fNative)
        return CLocalRect();
    const NSPlatform::SDisplayRect r = fNative->GetRect();
    return CLocalRect(static_cast<short>(r.mLeft), static_cast<short>(r.mTop),
                      static_cast<short>(r.mRight), static_cast<short>(r.mBottom));
}

void CNativeControlView::MacSetControlTitle(const char* title)
{
    if (!fNative)
        return;
    const char* text = title ? title : "";
    fNative->SetTitle(std::string(text, strnlen(text, 255)));
}

void CNativeControlView::MacGetControlTitle(char* title) const
{
    if (!title)
        return;
    const std::string text = fNative ? fNative->GetTitle() : std::string();
    const size_t n = text.size() < 255 ? text.size() : 255;
    std::memcpy(title, text.data(), n);
    title[n] = 0;
}

void CNativeControlView::MacSetFontSpec(const CFontSpec& spec)
{
    if (fNative)
        fNative->SetFont(spec.GetName(), spec.GetSize(), spec.IsBold(), spec.IsItalic());
}

void CNativeControlView::Click(const CClickSpec& spec)
{
    // The toolkit tracks presses on the control itself; what reaches the view is a
    // click on its margin, which only moves the focus.
    if (!IsEnabled())
        return;
    fMacBusyWithUserFlag = true;
    CView::Click(spec);
    fMacBusyWithUserFlag = false;
}

void CNativeControlView::FWSetFocusToThisView()
{
    CABCWindow* window = GetMotherWindow();
    if (!window)
        return;
    window->SetFocusViewPtr(this);
    if (fNative)
    {
        fNative->GrabFocus();
        window->MacSetKeyboardFocus(fNative.get());
    }
    HandleFocusRecieved();
    ForceSetup();
}

void CNativeControlView::FWSetNoFocus()
{
    CABCWindow* window = GetMotherWindow();
    if (fNative)
        fNative->ReleaseFocus();
    if (window)
    {
        window->MacClearKeyboardFocus();
        window->SetFocusViewPtr(nullptr);
    }
    HandleFocusLost();
    ForceSetup();
}

CNativeControlView* CNativeControlView::FromNative(const TNative* control)
{
    auto it = Registry().find(control);
    return it == Registry().end() ? nullptr : it->second;
}

void CNativeControlView::DispatchControlEvent(const TNative* control, short part)
{
    CNativeControlView* view = FromNative(control);
    if (!view || !view->IsEnabled())
        return;
    view->fMacBusyWithUserFlag = true;
    view->MacControlClicked(part);
    // The view may be gone once the setup pass has run (its window closed).
    if (FromNative(control) == view)
        view->fMacBusyWithUserFlag = false;
    ForceSetup();
}

} // namespace NSWayfarer
