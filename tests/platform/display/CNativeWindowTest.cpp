#include "platform/display/CNativeWindow.h"
#include "platform/display/CDisplay.h"

#include "DisplayTestSupport.h"

#include <X11/Xlib.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

using namespace NSPlatform;
using NSTestSupport::PixelAt;
using NSTestSupport::PumpUntil;
using NSTestSupport::ReadWindowPixels;

namespace
{

void Fill(CNativeWindow& window, const SDisplayRect& r, double red, double green, double blue)
{
    cairo_t* cr = cairo_create(window.GetBackingStore());
    cairo_set_source_rgb(cr, red, green, blue);
    cairo_rectangle(cr, r.mLeft, r.mTop, r.Width(), r.Height());
    cairo_fill(cr);
    cairo_destroy(cr);
}

class NativeWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(CDisplay::Open()); }
    void TearDown() override { CDisplay::FlushEvents(kEveryEventMask); }
};

TEST_F(NativeWindowTest, WindowShowsWhatWasDrawnIntoItsStoreBeforeAndAfterShowing)
{
    CNativeWindow window(CNativeWindow::kDocument, "drawn", {100, 80, 300, 200});
    // Drawn before the window exists on the server: the first expose shows it.
    Fill(window, {0, 0, 200, 120}, 0, 0, 1);
    Fill(window, {10, 10, 60, 40}, 1, 0, 0);
    window.Show();
    ASSERT_TRUE(PumpUntil([&] { return window.GetPaintCount() > 0; }));
    CDisplay::Sync();

    std::vector<uint8_t> pixels = ReadWindowPixels(window.GetXID(), 200, 120);
    ASSERT_FALSE(pixels.empty()) << "import could not read the window";
    EXPECT_EQ(PixelAt(pixels, 200, 10, 10), 0xFF0000u);
    EXPECT_EQ(PixelAt(pixels, 200, 59, 39), 0xFF0000u);
    EXPECT_EQ(PixelAt(pixels, 200, 60, 40), 0x0000FFu);
    EXPECT_EQ(PixelAt(pixels, 200, 199, 119), 0x0000FFu);

    // Drawn later and invalidated: reaches the screen on the next expose, and only
    // the invalidated part is repainted.
    Fill(window, {100, 50, 150, 90}, 0, 1, 0);
    Fill(window, {0, 100, 20, 120}, 1, 1, 0); // drawn, never invalidated
    const uint64_t painted = window.GetPaintCount();
    window.Invalidate(SDisplayRect{100, 50, 150, 90});
    ASSERT_TRUE(PumpUntil([&] { return window.GetPaintCount() > painted; }));
    CDisplay::Sync();
    pixels = ReadWindowPixels(window.GetXID(), 200, 120);
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(PixelAt(pixels, 200, 100, 50), 0x00FF00u);
    EXPECT_EQ(PixelAt(pixels, 200, 149, 89), 0x00FF00u);
    EXPECT_EQ(PixelAt(pixels, 200, 150, 90), 0x0000FFu);
    EXPECT_EQ(PixelAt(pixels, 200, 5, 110), 0x0000FFu);
}

TEST_F(NativeWindowTest, WaitUntilPresentedReturnsWithTheStoreOnTheScreenAndEventsKept)
{
    CNativeWindow window(CNativeWindow::kDocument, "presented", {120, 90, 280, 190});
    // Not shown: nothing to wait for.
    EXPECT_FALSE(window.WaitUntilPresented(1000));
    Fill(window, {0, 0, 160, 100}, 1, 0, 0);
    SEventRecord mine;
    mine.mWhat = kDiskEvent;
    CDisplay::PostEvent(mine);
    window.Show();
    ASSERT_TRUE(window.WaitUntilPresented(5000));
    EXPECT_GT(window.GetPaintCount(), 0u);
    // Nothing was taken from the application's queue meanwhile.
    EXPECT_TRUE(CDisplay::HasEvent(MaskForKind(kDiskEvent)));
    CDisplay::Sync();
    std::vector<uint8_t> pixels = ReadWindowPixels(window.GetXID(), 160, 100);
    ASSERT_FALSE(pixels.empty()) << "import could not read the window";
    EXPECT_EQ(PixelAt(pixels, 160, 80, 50), 0xFF0000u);
    // Once on the screen, asking again returns at once.
    EXPECT_TRUE(window.WaitUntilPresented(1));
}

TEST_F(NativeWindowTest, ClientRectIsGlobalAndMovesAndResizesWithTheStore)
{
    CNativeWindow window(CNativeWindow::kDialog, "placed", {120, 90, 280, 190});
    EXPECT_EQ(window.GetTitle(), "placed");
    window.SetTitle("bad \xFF title");
    EXPECT_EQ(window.GetTitle(), "bad \xEF\xBF\xBD title");
    window.SetTitle("placed");
    window.Show();
    ASSERT_TRUE(PumpUntil([&] { return window.GetPaintCount() > 0; }));
    EXPECT_EQ(window.GetClientRect(), (SDisplayRect{120, 90, 280, 190}));
    EXPECT_EQ(cairo_image_surface_get_width(window.GetBackingStore()), 160 * window.GetScale());

    Fill(window, {0, 0, 10, 10}, 1, 0, 0);
    CDisplay::FlushEvents(kEveryEventMask);
    window.SetClientRect({200, 150, 500, 350});
    ASSERT_TRUE(PumpUntil(
        [&] {
            return window.GetClientRect() == SDisplayRect{200, 150, 500, 350};
        }));
    ASSERT_TRUE(PumpUntil([&] { return CDisplay::HasEvent(MaskForKind(kUpdateEvent)); }));
    cairo_surface_t* store = window.GetBackingStore();
    EXPECT_EQ(cairo_image_surface_get_width(store), 300 * window.GetScale());
    EXPECT_EQ(cairo_image_surface_get_height(store), 200 * window.GetScale());
    // The old pixels survive the rebuild until the framework redraws.
    cairo_surface_flush(store);
    const auto* data = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(store));
    EXPECT_EQ(data[0] & 0xFFFFFF, 0xFF0000u);

    window.Hide();
    EXPECT_FALSE(window.IsVisible());
}

TEST_F(NativeWindowTest, ActivationGivesTheFocusAndReportsIt)
{
    CNativeWindow first(CNativeWindow::kDocument, "first", {10, 10, 110, 110});
    CNativeWindow second(CNativeWindow::kDocument, "second", {150, 10, 250, 110});
    first.Show();
    second.Show();
    ASSERT_TRUE(PumpUntil([&] { return first.GetPaintCount() > 0 && second.GetPaintCount() > 0; }));
    first.Activate();
    ASSERT_TRUE(PumpUntil([&] { return first.IsActive(); }));
    second.Activate();
    ASSERT_TRUE(PumpUntil([&] { return second.IsActive() && !first.IsActive(); }));

    SEventRecord event;
    bool sawDeactivateFirst = false;
    bool sawActivateSecond = false;
    while (CDisplay::GetNextEvent(MaskForKind(kActivateEvent), event))
    {
        if (event.mWindow == &first && !(event.mModifiers & kActiveFlag))
            sawDeactivateFirst = true;
        if (event.mWindow == &second && (event.mModifiers & kActiveFlag))
            sawActivateSecond = true;
    }
    EXPECT_TRUE(sawDeactivateFirst);
    EXPECT_TRUE(sawActivateSecond);
}

} // namespace

namespace
{

// Runs in its own ctest entry with GDK_SCALE=2 (the scale is read when the display opens).
TEST(NativeWindowScale2, StoreAndScreenInDevicePixels)
{
    const char* scale = std::getenv("GDK_SCALE");
    if (!scale || std::string(scale) != "2")
        GTEST_SKIP() << "needs GDK_SCALE=2";
    ASSERT_TRUE(CDisplay::Open());
    CNativeWindow window(CNativeWindow::kDocument, "scaled", {20, 20, 120, 80});
    window.Show();
    ASSERT_TRUE(PumpUntil([&] { return window.GetPaintCount() > 0; }));
    ASSERT_EQ(window.GetScale(), 2);
    cairo_surface_t* store = window.GetBackingStore();
    EXPECT_EQ(cairo_image_surface_get_width(store), 200);
    EXPECT_EQ(cairo_image_surface_get_height(store), 120);

    // A one-unit line at client x = 10 covers device columns 20 and 21: drawn at
    // the device resolution, not enlarged from a coarser image.
    Fill(window, {0, 0, 100, 60}, 1, 1, 1);
    cairo_t* cr = cairo_create(store);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 0.5);
    cairo_move_to(cr, 10.25, 0);
    cairo_line_to(cr, 10.25, 60);
    cairo_stroke(cr);
    cairo_destroy(cr);
    const uint64_t painted = window.GetPaintCount();
    window.InvalidateAll();
    ASSERT_TRUE(PumpUntil([&] { return window.GetPaintCount() > painted; }));
    CDisplay::Sync();
    const std::vector<uint8_t> pixels = ReadWindowPixels(window.GetXID(), 200, 120);
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(PixelAt(pixels, 200, 20, 50), 0x000000u);
    EXPECT_EQ(PixelAt(pixels, 200, 21, 50), 0xFFFFFFu); // half a unit wide: one device pixel
    EXPECT_EQ(PixelAt(pixels, 200, 19, 50), 0xFFFFFFu);
}

} // namespace

namespace
{

bool FixtureHasWindowManager()
{
    const char* state = std::getenv("KELT_XVFB_STATE");
    return state && std::ifstream(std::string(state) + "/wm.pid").good();
}

TEST_F(NativeWindowTest, FrameHoldsTheClientAreaWhereTheWindowManagerDecorates)
{
    if (!FixtureHasWindowManager())
        GTEST_SKIP() << "the fixture runs no window manager";
    CNativeWindow framed(CNativeWindow::kDocument, "framed", {300, 200, 460, 300});
    CNativeWindow plain(CNativeWindow::kPlain, "", {500, 200, 600, 260});
    framed.Show();
    plain.Show();
    ASSERT_TRUE(PumpUntil([&] { return framed.GetPaintCount() > 0 && plain.GetPaintCount() > 0; }));
    // The decoration comes when the window manager has taken the window in.
    ASSERT_TRUE(PumpUntil([&] { return framed.GetFrameRect() != framed.GetClientRect(); }));
    const SDisplayRect client = framed.GetClientRect();
    const SDisplayRect frame = framed.GetFrameRect();
    // The client area stays where it was asked to be, whatever the frame.
    EXPECT_EQ(client, (SDisplayRect{300, 200, 460, 300}));
    EXPECT_LE(frame.mLeft, client.mLeft);
    EXPECT_LT(frame.mTop, client.mTop); // a title bar above
    EXPECT_GE(frame.mRight, client.mRight);
    EXPECT_GE(frame.mBottom, client.mBottom);
    // A busy window manager may show the undecorated one somewhere first and then
    // where it was asked to be.
    ASSERT_TRUE(PumpUntil(
        [&] {
            return plain.GetClientRect() == SDisplayRect{500, 200, 600, 260};
        }));
    EXPECT_EQ(plain.GetFrameRect(), plain.GetClientRect());
}

TEST_F(NativeWindowTest, MovedByTheWindowManagerReportsTheClientAreaWhereTheServerHasIt)
{
    if (!FixtureHasWindowManager())
        GTEST_SKIP() << "the fixture runs no window manager";
    CNativeWindow window(CNativeWindow::kDocument, "moved", {300, 200, 460, 300});
    window.Show();
    ASSERT_TRUE(PumpUntil([&] { return window.GetPaintCount() > 0; }));
    ASSERT_TRUE(PumpUntil([&] { return window.GetFrameRect() != window.GetClientRect(); }));
    CDisplay::FlushEvents(kEveryEventMask);

    // Moved by someone else than the framework: the window manager places the frame.
    Display* server = XOpenDisplay(nullptr);
    ASSERT_NE(server, nullptr);
    XMoveWindow(server, window.GetXID(), 420, 260);
    XSync(server, False);
    bool reported = false;
    ASSERT_TRUE(PumpUntil(
        [&]
        {
            SEventRecord event;
            while (CDisplay::GetNextEvent(MaskForKind(kWindowFrameEvent), event))
                reported = reported || (event.mMessage == 4 && event.mWindow == &window);
            return reported;
        }));
    int left = 0;
    int top = 0;
    Window child = 0;
    XTranslateCoordinates(server, window.GetXID(), DefaultRootWindow(server), 0, 0, &left, &top,
                          &child);
    XCloseDisplay(server);
    EXPECT_NE(left, 300);
    EXPECT_EQ(window.GetClientRect(), (SDisplayRect{left, top, left + 160, top + 100}));
}

} // namespace
