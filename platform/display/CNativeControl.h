// A native toolkit control (push button, progress bar, static text, scroll bar,
// image) placed in a native window's client area at a client rectangle; the
// toolkit draws and tracks it, and a finished click comes back as a control event.
#pragma once

#include "platform/display/SDisplayRect.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace NSPlatform
{

class CNativeWindow;

class CNativeControl
{
public:
    enum EKind
    {
        kPushButton,
        kProgressBar,
        kStaticText,
        kHorizontalScrollBar,
        kVerticalScrollBar,
        kImage
    };

    // The icon theme's dialog icons an image control can show.
    enum EIcon
    {
        kErrorIcon,
        kInformationIcon,
        kWarningIcon
    };

    // Parts: where a click was released (control events) or what is being tracked
    // (the action callback). 0 is outside.
    static constexpr int16_t kNoPart = 0;
    static constexpr int16_t kButtonPart = 10;
    static constexpr int16_t kUpArrowPart = 20;
    static constexpr int16_t kDownArrowPart = 21;
    static constexpr int16_t kPageUpPart = 22;
    static constexpr int16_t kPageDownPart = 23;
    static constexpr int16_t kThumbPart = 129;

    // Called synchronously while the toolkit tracks a scroll bar, once per step.
    using TActionCallback = std::function<void(int16_t part)>;

    // Created shown (it appears when its window does), at rect in client coordinates.
    // Text is UTF-8; a button's title, a static text's text. A control goes before
    // its window does.
    CNativeControl(CNativeWindow& window, EKind kind, const SDisplayRect& rect,
                   const std::string& text = {});
    ~CNativeControl();
    CNativeControl(const CNativeControl&) = delete;
    CNativeControl& operator=(const CNativeControl&) = delete;

    EKind GetKind() const;
    CNativeWindow& GetWindow() const;

    // The control covers exactly rect (client coordinates), whatever the theme's
    // minimum sizes; a text too long for it is wrapped and then cut with an ellipsis.
    // Only a static text lower than one line of its font sticks out below it.
    void SetRect(const SDisplayRect& rect);
    SDisplayRect GetRect() const;
    // Where the toolkit actually put the control, in client coordinates (empty
    // before the window has been laid out).
    SDisplayRect GetAllocation() const;

    void Show();
    void Hide();
    bool IsShown() const;

    // A button's title or a static text's text. Nothing reaches the toolkit when it is
    // unchanged; returns whether it did.
    bool SetTitle(const std::string& text);
    std::string GetTitle() const;

    // Progress bars and scroll bars. A scroll bar's value may be moved by the user.
    void SetValue(int value);
    int GetValue() const;
    void SetMinMax(int minimum, int maximum);
    int GetMinimum() const;
    int GetMaximum() const;
    // Scroll bars: the visible part of the content (the thumb's length); 0 = smallest.
    void SetPageSize(int pageSize);
    // Progress bars: the indeterminate (busy) look, animated by Pulse while shown.
    void SetIndeterminate(bool indeterminate);
    bool IsIndeterminate() const;
    // Moves the busy block one step; only while indeterminate and on screen.
    // Returns whether it moved.
    bool Pulse();
    // The filled fraction the toolkit shows (progress bars), for checks.
    double GetShownFraction() const;

    // A disabled control is drawn inactive and takes no input.
    void SetEnabled(bool enabled);
    bool IsEnabled() const;

    // Push buttons: the theme's look of the default button.
    void SetDefault(bool isDefault);
    bool IsDefault() const;

    // Font by family name, size in pixels and style; an empty name keeps the theme's
    // family, a size of 0 its size.
    void SetFont(const std::string& family, int sizePx, bool bold = false, bool italic = false);
    // The text's colour as 0xRRGGBB; negative: the theme's.
    void SetTextColor(int32_t rgb);

    // Image controls: a dialog icon of the icon theme at the control's size, or
    // RGBA pixels (width * height * 4 bytes, not premultiplied) drawn from the
    // control's top-left corner and clipped to it.
    void SetIcon(EIcon icon);
    void SetPixels(int width, int height, const std::vector<uint8_t>& rgba);

    // Keyboard focus inside the window. The toolkit never moves it by itself (Tab
    // goes to the framework); the framework gives it and takes it back.
    void GrabFocus();
    void ReleaseFocus();
    bool HasFocus() const;

    // Scroll bars: called during tracking for arrows (the value is then left to the
    // callback), page areas (likewise) and thumb drags (the value already follows
    // the thumb). Without a callback arrows and page areas move the value by 1 and
    // by the page size.
    void SetActionCallback(TActionCallback callback);
    // Run after every action callback so the program keeps idling while the user
    // holds the mouse on a control (the framework's idle pass).
    static void SetTrackingIdleHook(std::function<void()> hook);

    // True between a press on the control and its release.
    bool IsTracking() const;

    // Calls made into the toolkit to change the control so far (tests check that an
    // unchanged value costs none).
    uint64_t GetToolkitCallCount() const;

    struct SImpl;

private:
    std::unique_ptr<SImpl> fImpl;
};

} // namespace NSPlatform
