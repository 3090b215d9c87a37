// What the event loop asks of the windows: the per-window phases of ForceSetup,
// the idle work and the quit sequence. A window layer registers one of these with
// CApplication, so the loop drives windows without depending on them.
#pragma once

namespace NSPlatform
{
struct SEventRecord;
}

namespace NSWayfarer
{

class CApplicationWindowSystem
{
public:
    virtual ~CApplicationWindowSystem() = default;

    // ForceSetup: take what the user asked for (pressed buttons and the like).
    virtual void HandleChangeRequests() {}
    // ForceInvalidate, first pass: derive what to show from the model.
    virtual void SetupState() {}
    // ForceInvalidate, second pass: push the changes to the screen.
    virtual void UpdateGraphics() {}

    // The quit sequence: every window is asked to close; false when one refused.
    virtual bool TryClosingAllWindows() { return true; }

    // The framework's idle pass, in this order.
    virtual void AdjustMouse() {}
    virtual void IdleAll() {}
    virtual void CloseAllMarkedForClosing() {}

    // A turn of the loop in which no event arrived. A window layer may turn a
    // change of the keyboard modifiers into a key event here; true when it handled one.
    virtual bool HandleNullEvent() { return false; }

    // The memory reserve had to be given up; tell the user (once).
    virtual void WarnLowMemory() {}

    // An event from the window system (mouse, key, activate, update, close);
    // true when this layer handled it.
    virtual bool HandleNativeEvent(const NSPlatform::SEventRecord&) { return false; }
    // The application went to the background or came back.
    virtual void DeactivateApplicationWindows() {}
    virtual void ActivateApplicationWindows() {}
    // The selected window lets go of mouse and keyboard captures.
    virtual void GetRidOfCaptures() {}
};

} // namespace NSWayfarer
