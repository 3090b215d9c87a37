#include "platform/display/CNativeControl.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CDisplayTheme.h"
#include "platform/display/CNativeWindow.h"
#include "platform/display/CSyntheticInput.h"

#include "DisplayTestSupport.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace NSPlatform;
using NSTestSupport::PumpUntil;
using NSTestSupport::ReadWindowPixels;

namespace
{

// The real pointer, moved and pressed through the X server, so the toolkit sees
// exactly what a user's mouse gives it (including the implicit grab that sends
// the release to the pressed control wherever the pointer is).
class CPointer
{
public:
    CPointer() : fDisplay(XOpenDisplay(nullptr)) {}
    ~CPointer()
    {
        if (fDisplay)
            XCloseDisplay(fDisplay);
    }
    bool IsOpen() const { return fDisplay != nullptr; }
    void MoveTo(const CNativeWindow& window, int x, int y)
    {
        const SDisplayRect client = window.GetClientRect();
        XTestFakeMotionEvent(fDisplay, -1, client.mLeft + x, client.mTop + y, CurrentTime);
        Settle();
    }
    void Button(bool press)
    {
        XTestFakeButtonEvent(fDisplay, 1, press ? True : False, CurrentTime);
        Settle();
    }
    void Click(const CNativeWindow& window, int x, int y)
    {
        MoveTo(window, x, y);
        Button(true);
        Button(false);
    }

private:
    void Settle()
    {
        XSync(fDisplay, False);
        CDisplay::Sync();
        PumpUntil([] { return false; }, 80);
    }
    Display* fDisplay;
};

// The control events queued, once one has arrived when one is expected (a
// loaded machine may take a while to pass the clicks on), and after a short
// settling time for any more.
std::vector<SEventRecord> TakeControlEvents(bool expectOne = false)
{
    if (expectOne)
        PumpUntil([] { return CDisplay::HasEvent(MaskForKind(kControlEvent)); }, 3000);
    PumpUntil([] { return false; }, 100);
    std::vector<SEventRecord> events;
    SEventRecord event;
    while (CDisplay::GetNextEvent(MaskForKind(kControlEvent), event))
        events.push_back(event);
    return events;
}

class NativeControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CDisplay::Open());
        fWindow = std::make_unique<CNativeWindow>(CNativeWindow::kDialog, "controls",
                                                  SDisplayRect{200, 150, 600, 450});
    }
    void ShowWindow()
    {
        fWindow->Show();
        fWindow->Activate();
        ASSERT_TRUE(PumpUntil([&] { return fWindow->GetPaintCount() > 0; }));
        CDisplay::Sync();
        PumpUntil([] { return false; }, 200);
        CDisplay::FlushEvents(kEveryEventMask);
    }
    void TearDown() override
    {
        CNativeControl::SetTrackingIdleHook(nullptr);
        CDisplay::FlushEvents(kEveryEventMask);
    }
    std::unique_ptr<CNativeWindow> fWindow;
};

TEST_F(NativeControlTest, ButtonReportsOneCompletionPerClickAndNothingWhenDisabled)
{
    CNativeControl button(*fWindow, CNativeControl::kPushButton, {20, 20, 120, 42}, "Update");
    CNativeControl other(*fWindow, CNativeControl::kPushButton, {20, 60, 120, 82}, "Quit");
    ShowWindow();
    CPointer pointer;
    ASSERT_TRUE(pointer.IsOpen());

    pointer.Click(*fWindow, 70, 31);
    std::vector<SEventRecord> events = TakeControlEvents(true);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].mControl, &button);
    EXPECT_EQ(events[0].mWindow, fWindow.get());
    EXPECT_EQ(events[0].mPart, CNativeControl::kButtonPart);
    // The click belonged to the control, not to the framework's drawing.
    EXPECT_FALSE(CDisplay::HasEvent(MaskForKind(kMouseDown)));

    // Pressed, dragged off (even onto another button) and released there: the
    // pressed button reports part 0, and only it.
    pointer.MoveTo(*fWindow, 70, 31);
    pointer.Button(true);
    EXPECT_TRUE(PumpUntil([&] { return button.IsTracking(); }));
    pointer.MoveTo(*fWindow, 70, 71);
    pointer.Button(false);
    events = TakeControlEvents(true);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].mControl, &button);
    EXPECT_EQ(events[0].mPart, CNativeControl::kNoPart);

    button.SetEnabled(false);
    pointer.Click(*fWindow, 70, 31);
    EXPECT_TRUE(TakeControlEvents().empty());
    button.SetEnabled(true);
    pointer.Click(*fWindow, 70, 31);
    EXPECT_EQ(TakeControlEvents(true).size(), 1u);

    // Hidden: the click reaches the client underneath instead.
    CDisplay::FlushEvents(kEveryEventMask);
    button.Hide();
    pointer.Click(*fWindow, 70, 31);
    EXPECT_TRUE(PumpUntil([] { return CDisplay::HasEvent(MaskForKind(kMouseDown)); }));
    EXPECT_TRUE(TakeControlEvents().empty());
}

TEST_F(NativeControlTest, QueuedCompletionsGoWithTheirControl)
{
    auto button = std::make_unique<CNativeControl>(*fWindow, CNativeControl::kPushButton,
                                                   SDisplayRect{20, 20, 120, 42}, "Go");
    ShowWindow();
    CPointer pointer;
    ASSERT_TRUE(pointer.IsOpen());
    pointer.Click(*fWindow, 70, 31);
    ASSERT_TRUE(PumpUntil([] { return CDisplay::HasEvent(MaskForKind(kControlEvent)); }));
    button.reset();
    EXPECT_FALSE(CDisplay::HasEvent(MaskForKind(kControlEvent)));
}

TEST_F(NativeControlTest, UnchangedTextsAndValuesCostNoToolkitCall)
{
    CNativeControl button(*fWindow, CNativeControl::kPushButton, {20, 20, 120, 42}, "Update");
    CNativeControl text(*fWindow, CNativeControl::kStaticText, {20, 60, 300, 80}, "Idle");
    CNativeControl bar(*fWindow, CNativeControl::kProgressBar, {20, 100, 300, 114});
    const uint64_t buttonCalls = button.GetToolkitCallCount();
    const uint64_t textCalls = text.GetToolkitCallCount();
    const uint64_t barCalls = bar.GetToolkitCallCount();

    EXPECT_FALSE(button.SetTitle("Update"));
    EXPECT_FALSE(text.SetTitle("Idle"));
    bar.SetValue(0);
    button.SetEnabled(true);
    button.SetRect({20, 20, 120, 42});
    EXPECT_EQ(button.GetToolkitCallCount(), buttonCalls);
    EXPECT_EQ(text.GetToolkitCallCount(), textCalls);
    EXPECT_EQ(bar.GetToolkitCallCount(), barCalls);

    EXPECT_TRUE(button.SetTitle("Done"));
    EXPECT_TRUE(text.SetTitle("Found \xFF"));
    EXPECT_EQ(text.GetTitle(), "Found \xEF\xBF\xBD");
    EXPECT_FALSE(text.SetTitle("Found \xFF")); // the same text once made valid
    EXPECT_EQ(button.GetToolkitCallCount(), buttonCalls + 1);
    EXPECT_EQ(text.GetToolkitCallCount(), textCalls + 1);
}

TEST_F(NativeControlTest, ProgressBarFillsProportionallyAndPulsesOnlyOnScreen)
{
    CNativeControl bar(*fWindow, CNativeControl::kProgressBar, {20, 20, 320, 36});
    for (const auto& [value, fraction] : {std::pair{0, 0.0}, {500, 0.5}, {1000, 1.0}, {1200, 1.0}})
    {
        bar.SetValue(value);
        EXPECT_DOUBLE_EQ(bar.GetShownFraction(), fraction) << value;
    }
    bar.SetValue(500);
    bar.SetIndeterminate(true);
    EXPECT_FALSE(bar.Pulse()) << "the window is not on screen yet";
    ShowWindow();

    // The busy block moves from pulse to pulse; the fraction returns afterwards.
    auto barPixels = [&]
    {
        PumpUntil([] { return false; }, 100);
        CDisplay::Sync();
        const SDisplayRect client = fWindow->GetClientRect();
        std::vector<uint8_t> all =
            ReadWindowPixels(fWindow->GetXID(), client.Width(), client.Height());
        std::vector<uint8_t> row;
        if (!all.empty())
            row.assign(all.begin() + (28 * client.Width() + 20) * 3,
                       all.begin() + (28 * client.Width() + 320) * 3);
        return row;
    };
    ASSERT_TRUE(bar.Pulse());
    const std::vector<uint8_t> first = barPixels();
    ASSERT_FALSE(first.empty());
    // The toolkit moves the block only in frames that come soon after a pulse, judged
    // by the time between the last two pulses, so pulse at a pace as the idle time
    // does, not in bursts; give a slow machine a few rounds.
    bool moved = false;
    for (int round = 0; round < 20 && !moved; ++round)
    {
        ASSERT_TRUE(bar.Pulse());
        moved = barPixels() != first;
    }
    EXPECT_TRUE(moved);

    bar.SetIndeterminate(false);
    EXPECT_FALSE(bar.Pulse());
    EXPECT_DOUBLE_EQ(bar.GetShownFraction(), 0.5);
    bar.SetIndeterminate(true);
    bar.Hide();
    EXPECT_FALSE(bar.Pulse());
}

TEST_F(NativeControlTest, ScrollBarTracksArrowsPagesAndThumbLive)
{
    // Vertical, 15 wide, arrows at both ends; range 0..999 with a long thumb.
    CNativeControl bar(*fWindow, CNativeControl::kVerticalScrollBar, {300, 20, 315, 260});
    bar.SetPageSize(300);
    std::vector<int16_t> parts;
    std::vector<int> values;
    int idles = 0;
    bar.SetActionCallback(
        [&](int16_t part)
        {
            parts.push_back(part);
            values.push_back(bar.GetValue());
            // As the framework does: arrows and page areas move the value itself.
            if (part == CNativeControl::kDownArrowPart)
                bar.SetValue(bar.GetValue() + 10);
            if (part == CNativeControl::kPageDownPart)
                bar.SetValue(bar.GetValue() + 100);
        });
    CNativeControl::SetTrackingIdleHook([&] { ++idles; });
    ShowWindow();
    CPointer pointer;
    ASSERT_TRUE(pointer.IsOpen());

    auto clickAt = [&](int y)
    {
        parts.clear();
        pointer.Click(*fWindow, 307, y);
        const std::vector<SEventRecord> events = TakeControlEvents(true);
        EXPECT_EQ(events.size(), 1u);
        return events.empty() ? int16_t(-1) : events[0].mPart;
    };

    // Down arrow at the bottom end.
    EXPECT_EQ(clickAt(255), CNativeControl::kDownArrowPart);
    // A quick click is one step, however many frames the toolkit scrolled in.
    ASSERT_EQ(parts, std::vector<int16_t>{CNativeControl::kDownArrowPart});
    EXPECT_EQ(bar.GetValue(), 10);
    EXPECT_GE(idles, 1);

    // Page area below the thumb, then the up arrow: without the owner acting, the
    // toolkit leaves the value alone.
    const int beforePage = bar.GetValue();
    EXPECT_EQ(clickAt(240), CNativeControl::kPageDownPart);
    ASSERT_FALSE(parts.empty());
    EXPECT_EQ(parts.front(), CNativeControl::kPageDownPart);
    EXPECT_EQ(bar.GetValue(), beforePage + 100 * static_cast<int>(parts.size()));
    const int beforeUp = bar.GetValue();
    EXPECT_EQ(clickAt(24), CNativeControl::kUpArrowPart);
    EXPECT_EQ(bar.GetValue(), beforeUp);

    // Page area above the thumb once the thumb has moved down.
    bar.SetValue(999);
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(clickAt(40), CNativeControl::kPageUpPart);

    // The thumb, dragged: the callback sees the value follow the mouse on every step.
    bar.SetValue(0);
    PumpUntil([] { return false; }, 100);
    parts.clear();
    values.clear();
    pointer.MoveTo(*fWindow, 307, 50);
    pointer.Button(true);
    for (int y = 60; y <= 140; y += 20)
        pointer.MoveTo(*fWindow, 307, y);
    ASSERT_TRUE(PumpUntil([&] { return !values.empty() && values.back() > 100; }))
        << "no live callback while dragging";
    EXPECT_EQ(parts.back(), CNativeControl::kThumbPart);
    EXPECT_GT(values.back(), 0);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    // Released far outside: the thumb stays where it was dragged.
    pointer.MoveTo(*fWindow, 100, 140);
    pointer.Button(false);
    const std::vector<SEventRecord> events = TakeControlEvents(true);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].mPart, CNativeControl::kThumbPart);
    EXPECT_EQ(bar.GetValue(), values.back());
}

TEST_F(NativeControlTest, FocusMovesOnlyWhenTheFrameworkSaysSo)
{
    CNativeControl first(*fWindow, CNativeControl::kPushButton, {20, 20, 120, 42}, "One");
    CNativeControl second(*fWindow, CNativeControl::kPushButton, {20, 60, 120, 82}, "Two");
    ShowWindow();
    first.GrabFocus();
    EXPECT_TRUE(first.HasFocus());
    // Tab is the framework's: the window records it, the toolkit moves nothing.
    CSyntheticInput::PostKey(*fWindow, true, 23, 0xFF09, 0);
    CSyntheticInput::PostKey(*fWindow, false, 23, 0xFF09, 0);
    ASSERT_TRUE(PumpUntil([] { return CDisplay::HasEvent(MaskForKind(kKeyUp)); }));
    EXPECT_TRUE(first.HasFocus());
    EXPECT_FALSE(second.HasFocus());

    // A click does not move it either; the framework does, from the completion.
    CPointer pointer;
    ASSERT_TRUE(pointer.IsOpen());
    pointer.Click(*fWindow, 70, 71);
    EXPECT_TRUE(first.HasFocus());
    second.GrabFocus();
    EXPECT_TRUE(second.HasFocus());
    EXPECT_FALSE(first.HasFocus());
    second.ReleaseFocus();
    EXPECT_FALSE(second.HasFocus());
}

// Every kind at classic item sizes: each lands exactly on its rectangle. With
// KELT_SCREENSHOT set, the window is saved there (for a look in light and dark themes).
void CheckEveryKindFitsItsRectangle()
{
    ASSERT_TRUE(CDisplay::Open());
    CNativeWindow window(CNativeWindow::kDialog, "controls", {100, 100, 460, 300});
    struct SItem
    {
        CNativeControl::EKind mKind;
        SDisplayRect mRect;
        const char* mText;
    };
    const std::vector<SItem> items = {
        {CNativeControl::kPushButton, {270, 160, 350, 180}, "Update"},
        {CNativeControl::kPushButton, {180, 160, 260, 180}, "Quit"},
        {CNativeControl::kPushButton, {90, 160, 170, 180}, "Disabled"},
        {CNativeControl::kProgressBar, {10, 130, 320, 144}, ""},
        {CNativeControl::kStaticText,
         {70, 10, 320, 48},
         "A status line long enough to wrap onto a second line and then be cut short "
         "with an ellipsis where the item ends"},
        {CNativeControl::kVerticalScrollBar, {335, 10, 350, 150}, ""},
        {CNativeControl::kImage, {10, 10, 42, 42}, ""},
        {CNativeControl::kImage, {10, 50, 42, 82}, ""},
        {CNativeControl::kImage, {10, 90, 42, 122}, ""},
        {CNativeControl::kHorizontalScrollBar, {70, 100, 320, 115}, ""},
        {CNativeControl::kStaticText, {70, 60, 320, 79}, "Kelt Podium LX"},
        {CNativeControl::kImage, {10, 150, 50, 190}, ""},
    };
    std::vector<std::unique_ptr<CNativeControl>> controls;
    for (const SItem& item : items)
        controls.push_back(
            std::make_unique<CNativeControl>(window, item.mKind, item.mRect, item.mText));
    controls[0]->SetDefault(true);
    controls[2]->SetEnabled(false);
    controls[3]->SetValue(500);
    controls[5]->SetPageSize(200);
    controls[6]->SetIcon(CNativeControl::kErrorIcon);
    controls[7]->SetIcon(CNativeControl::kInformationIcon);
    controls[8]->SetIcon(CNativeControl::kWarningIcon);
    controls[10]->SetFont("Sans", 14);
    // 60 x 60 pixels in a 40 x 40 control: red left half, blue right half, drawn
    // from the top-left corner and cut at the control's edges.
    std::vector<uint8_t> rgba(60 * 60 * 4);
    for (size_t i = 0; i < rgba.size(); i += 4)
    {
        const bool left = (i / 4) % 60 < 30;
        rgba[i] = left ? 255 : 0;
        rgba[i + 2] = left ? 0 : 255;
        rgba[i + 3] = 255;
    }
    controls[11]->SetPixels(60, 60, rgba);

    cairo_t* cr = cairo_create(window.GetBackingStore());
    // The framework paints windows in the theme's background, which the theme's
    // text colour is made for.
    const CDisplayTheme::SColor background = CDisplayTheme::GetColor(CDisplayTheme::kBackground);
    cairo_set_source_rgb(cr, background.mRed / 65535.0, background.mGreen / 65535.0,
                         background.mBlue / 65535.0);
    cairo_paint(cr);
    cairo_destroy(cr);
    window.Show();
    ASSERT_TRUE(PumpUntil([&] { return window.GetPaintCount() > 0; }));
    PumpUntil([] { return false; }, 300);
    for (size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(controls[i]->GetAllocation(), items[i].mRect) << "item " << i;

    // Moved and resized later, still exact.
    controls[1]->SetRect({180, 150, 250, 176});
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(controls[1]->GetAllocation(), (SDisplayRect{180, 150, 250, 176}));

    if (window.GetScale() == 1)
    {
        CDisplay::Sync();
        const std::vector<uint8_t> pixels = ReadWindowPixels(window.GetXID(), 360, 200);
        ASSERT_FALSE(pixels.empty());
        EXPECT_EQ(NSTestSupport::PixelAt(pixels, 360, 10, 150), 0xFF0000u);
        EXPECT_EQ(NSTestSupport::PixelAt(pixels, 360, 39, 189), 0xFF0000u);
        EXPECT_EQ(NSTestSupport::PixelAt(pixels, 360, 40, 150), 0x0000FFu);
        EXPECT_EQ(NSTestSupport::PixelAt(pixels, 360, 49, 189), 0x0000FFu);
        EXPECT_NE(NSTestSupport::PixelAt(pixels, 360, 50, 150), 0x0000FFu);
        EXPECT_NE(NSTestSupport::PixelAt(pixels, 360, 10, 190), 0xFF0000u);
    }

    if (const char* path = std::getenv("KELT_SCREENSHOT"))
    {
        CDisplay::Sync();
        const std::string command =
            "import -window " + std::to_string(window.GetXID()) + " " + path + " 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
}

// A static text shows as many lines as its rectangle holds in its current font: a
// font made smaller after the window is on the screen lets a second line in.
TEST(NativeControlGeometry, StaticTextLinesFollowAFontChangedLater)
{
    ASSERT_TRUE(CDisplay::Open());
    CNativeWindow window(CNativeWindow::kDialog, "lines", {100, 100, 420, 160});
    // 30 pixels high: one line of 28-pixel text, two lines of 12-pixel text.
    CNativeControl text(window, CNativeControl::kStaticText, {10, 10, 300, 40},
                        "A status line long enough to wrap onto a second line in the small "
                        "font and to be cut short with an ellipsis in the large one");
    text.SetFont("Sans", 28);
    text.SetTextColor(0x000000);
    cairo_t* cr = cairo_create(window.GetBackingStore());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_destroy(cr);
    window.Show();
    ASSERT_TRUE(PumpUntil([&] { return window.GetPaintCount() > 0; }));
    PumpUntil([] { return false; }, 200);

    // Dark pixels in the band where a second 12-pixel line sits, below the first one.
    auto inkInSecondLine = [&]
    {
        CDisplay::Sync();
        const std::vector<uint8_t> pixels = ReadWindowPixels(window.GetXID(), 320, 60);
        int dark = 0;
        for (int y = 10 + 17; y < 10 + 28 && !pixels.empty(); ++y)
            for (int x = 10; x < 300; ++x)
                if ((NSTestSupport::PixelAt(pixels, 320, x, y) & 0xFF) < 0x80)
                    ++dark;
        return dark;
    };
    text.SetFont("Sans", 12);
    PumpUntil([] { return false; }, 200);
    EXPECT_GT(inkInSecondLine(), 20);

    // Back to the large font: one line again, cut with an ellipsis; nothing drawn as
    // a second line below the rectangle.
    text.SetFont("Sans", 28);
    text.SetTextColor(0x000080);
    PumpUntil([] { return false; }, 200);
    CDisplay::Sync();
    const std::vector<uint8_t> pixels = ReadWindowPixels(window.GetXID(), 320, 60);
    ASSERT_FALSE(pixels.empty());
    int below = 0;
    for (int y = 10 + 36; y < 60; ++y)
        for (int x = 10; x < 300; ++x)
            if ((NSTestSupport::PixelAt(pixels, 320, x, y) & 0xFF) < 0x80 ||
                (NSTestSupport::PixelAt(pixels, 320, x, y) >> 16) < 0x80)
                ++below;
    EXPECT_EQ(below, 0);
    CDisplay::FlushEvents(kEveryEventMask);
}

TEST(NativeControlGeometry, EveryKindFitsItsRectangle)
{
    CheckEveryKindFitsItsRectangle();
    CDisplay::FlushEvents(kEveryEventMask);
}

// Runs in its own ctest entry with GDK_SCALE=2.
TEST(NativeControlScale2, EveryKindFitsItsRectangle)
{
    const char* scale = std::getenv("GDK_SCALE");
    if (!scale || std::string(scale) != "2")
        GTEST_SKIP() << "needs GDK_SCALE=2";
    CheckEveryKindFitsItsRectangle();
    CDisplay::FlushEvents(kEveryEventMask);
}

} // namespace
