// The application's toolbar: a frameless window across the top of the main
// screen's work area that never takes the focus. The application owns it and
// hides it with the other floating windows while it is in the background.
#pragma once

#include <memory>

namespace NSPlatform
{
class CNativeWindow;
}

namespace NSWayfarer
{

class CApplicationToolbar
{
public:
    explicit CApplicationToolbar(short height);
    virtual ~CApplicationToolbar();
    CApplicationToolbar(const CApplicationToolbar&) = delete;
    CApplicationToolbar& operator=(const CApplicationToolbar&) = delete;

    bool WantsToBeActive() const { return false; }
    void SetHeight(short height);
    short GetFrameHeight() const { return fHeight; }

    void Show();
    void Hide();
    bool IsVisible() const;
    // Raises it above the application's other windows (it takes no focus).
    void Activate();

    // Null without a display (the toolbar then only keeps its state).
    NSPlatform::CNativeWindow* GetNativeWindow() const { return fWindow.get(); }

private:
    void Place();

    short fHeight;
    bool fVisible = false;
    std::unique_ptr<NSPlatform::CNativeWindow> fWindow;
};

} // namespace NSWayfarer
