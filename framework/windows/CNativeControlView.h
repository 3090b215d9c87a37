// A control view that owns one toolkit control placed at its rectangle: the view
// keeps the control's value and enable state in step, and a click the toolkit
// tracked comes back through MacControlClicked.
#pragma once

#include "framework/graphics/CFontSpec.h"
#include "framework/windows/CControlView.h"
#include "platform/display/CNativeControl.h"

#include <cstdint>
#include <memory>
#include <string>

namespace NSWayfarer
{

class CDialogItemInfo;

class CNativeControlView : public CControlView
{
public:
    using TNative = NSPlatform::CNativeControl;

    explicit CNativeControlView(CGroupView* superView);
    CNativeControlView(CGroupView* superView, const CDialogItemInfo* info);
    ~CNativeControlView() override;

    virtual bool IsBusyWithUser() const { return fMacBusyWithUserFlag; }
    // Called repeatedly while the toolkit tracks a control with live feedback.
    virtual void MacActionCallback(short /*part*/) {}
    // Once when tracking ends, with the part the mouse was released in (0 = outside).
    virtual void MacControlClicked(short /*part*/) {}

    void Click(const CClickSpec& spec) override;
    void Draw() override {}
    void* GetNative() const override { return fNative.get(); }
    void FWSetFocusToThisView() override;
    void FWSetNoFocus() override;

    TNative* GetControl() const { return fNative.get(); }
    void SetNative(std::unique_ptr<TNative> control);

    void StartBlockingUpdateGraphics() { ++fBlockUpdateGraphicsCount; }
    void EndBlockingUpdateGraphics()
    {
        if (fBlockUpdateGraphicsCount > 0)
            --fBlockUpdateGraphicsCount;
    }
    bool IsUpdateGraphicsBlocked() const { return fBlockUpdateGraphicsCount > 0; }

    // Pushes the value (unless blocked) and the view's enable state to the control.
    void MacUpdateGraphics(short value);
    void PositionNative(const CLocalRect& rect);
    CLocalRect MacGetControlRect() const;
    // Titles are at most 255 characters; title needs 256 bytes.
    void MacSetControlTitle(const char* title);
    void MacGetControlTitle(char* title) const;
    void MacSetFontSpec(const CFontSpec& spec);

    // A finished click the window system recorded: the view that owns control is
    // told, then the application runs its setup pass. Unknown controls are ignored.
    static void DispatchControlEvent(const TNative* control, short part);
    static CNativeControlView* FromNative(const TNative* control);

protected:
    // Creates the control in the mother window at rect; the toolkit's failure
    // throws XBase. Scroll bars get the live action routine.
    std::unique_ptr<TNative> MacCreateNative(TNative::EKind kind, const std::string& title,
                                             const CLocalRect& rect);

    std::unique_ptr<TNative> fNative;
    int16_t fBlockUpdateGraphicsCount = 0;
    bool fMacBusyWithUserFlag = false;
    bool fMacEnabledFlag = true;

private:
    void Register();
    void Unregister();
};

} // namespace NSWayfarer
