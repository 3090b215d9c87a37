// A framework canvas drawing into a native window's backing store: what the X server
// shows is what the canvas drew, pixel for pixel, at window scale 1 and (in a ctest
// entry of its own with GDK_SCALE=2) at the device resolution of scale 2.
#include "framework/graphics/CABCCanvas.h"
#include "framework/graphics/CDrawPort.h"
#include "framework/graphics/CRGBColor.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeWindow.h"

#include "DisplayTestSupport.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

using namespace NSWayfarer;
using NSPlatform::CDisplay;
using NSPlatform::CNativeWindow;
using NSTestSupport::PixelAt;
using NSTestSupport::PumpUntil;
using NSTestSupport::ReadWindowPixels;

namespace
{

// The canvas a window's views will draw on, here without the window layer: a drawing
// port over the window's backing store.
class CStoreCanvas : public CABCCanvas
{
public:
    explicit CStoreCanvas(CNativeWindow& window)
        : fPort(window.GetBackingStore()), fProxy(CMacSuperPort(&fPort))
    {
        SetProxy(&fProxy);
    }
    ~CStoreCanvas() override { SetProxy(nullptr); }
    CABCBitmap* GetDestBitmap() override { return nullptr; }
    unsigned char GetBitDepth() const override { return 32; }

private:
    CDrawPort fPort;
    CCanvasAttributeProxy fProxy;
};

uint32_t StorePixel(cairo_surface_t* store, int x, int y)
{
    cairo_surface_flush(store);
    const unsigned char* row =
        cairo_image_surface_get_data(store) + y * cairo_image_surface_get_stride(store);
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
}

// Keeps what the server showed next to the fixture's state, for a person to look at.
void SaveScreenshot(unsigned long xid, int scale)
{
    if (const char* state = std::getenv("KELT_XVFB_STATE"))
    {
        const std::string path =
            std::string(state) + "/window-canvas-scale" + std::to_string(scale) + ".png";
        [[maybe_unused]] const int rc = std::system(
            ("import -window " + std::to_string(xid) + " " + path + " 2>/dev/null").c_str());
    }
}

TEST(WindowCanvas, ScreenShowsWhatTheCanvasDrewAtDeviceResolution)
{
    ASSERT_TRUE(CDisplay::Open());
    const int kWidth = 160;
    const int kHeight = 120;
    CNativeWindow window(CNativeWindow::kDocument, "canvas", {200, 150, 200 + kWidth, 150 + kHeight});
    window.Show();
    ASSERT_TRUE(PumpUntil([&] { return window.GetPaintCount() > 0; }));
    const int s = window.GetScale();
    const char* wanted = std::getenv("GDK_SCALE");
    ASSERT_EQ(s, wanted ? std::atoi(wanted) : 1);

    {
        CStoreCanvas canvas(window);
        const CLocalRect all(0, 0, kWidth, kHeight);
        canvas.DrawRect(&all, CRGBColor::kWhite);
        const CLocalRect filled(10, 10, 60, 40);
        canvas.DrawRect(&filled, CRGBColor::kRed);
        const CLocalRect framed(70, 10, 120, 40);
        canvas.DrawFrame(&framed, CRGBColor::kBlue);
        canvas.DrawLine(10, 60, 120, 60, CRGBColor(0, 0xFFFF, 0));
        canvas.DrawText(10, 100, "Kelt Podium", CFontSpec("Arial", 12), CRGBColor::kBlack);
        EXPECT_EQ(CDrawPort::GetCurrent()->GetDeviceScale(), s);
    }
    const uint64_t painted = window.GetPaintCount();
    window.InvalidateAll();
    ASSERT_TRUE(PumpUntil([&] { return window.GetPaintCount() > painted; }));
    CDisplay::Sync();

    const int w = kWidth * s;
    const int h = kHeight * s;
    const std::vector<uint8_t> screen = ReadWindowPixels(window.GetXID(), w, h);
    ASSERT_FALSE(screen.empty()) << "import could not read the window";
    SaveScreenshot(window.GetXID(), s);

    // The screen is the store, unconverted and unscaled.
    cairo_surface_t* store = window.GetBackingStore();
    ASSERT_EQ(cairo_image_surface_get_width(store), w);
    int differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            differing += PixelAt(screen, w, x, y) != StorePixel(store, x, y);
    EXPECT_EQ(differing, 0);

    auto at = [&](int x, int y) { return PixelAt(screen, w, x, y); };
    // Edges fall on device pixels: a local pixel is an s x s block.
    EXPECT_EQ(at(10 * s, 10 * s), 0xFF0000u);
    EXPECT_EQ(at(60 * s - 1, 40 * s - 1), 0xFF0000u);
    EXPECT_EQ(at(10 * s - 1, 10 * s), 0xFFFFFFu);
    EXPECT_EQ(at(60 * s, 40 * s - 1), 0xFFFFFFu);
    EXPECT_EQ(at(70 * s + s - 1, 20 * s), 0x0000FFu); // the frame's left edge
    EXPECT_EQ(at(70 * s + s, 20 * s), 0xFFFFFFu);     // its inside
    EXPECT_EQ(at(120 * s - 1, 40 * s - 1), 0x0000FFu);
    EXPECT_EQ(at(50 * s, 60 * s + s - 1), 0x00FF00u); // the line, one local pixel thick
    EXPECT_EQ(at(50 * s, 60 * s - 1), 0xFFFFFFu);
    EXPECT_EQ(at(50 * s, 60 * s + s), 0xFFFFFFu);

    // Text: ink only in its line box (x from 10 by its width, baseline 100), dark ink
    // present; at scale 2, laid out at the device resolution: an enlargement would
    // leave every aligned 2 x 2 block of one colour.
    CStoreCanvas measure(window);
    const CFontSpec font("Arial", 12);
    const int textWidth = measure.GetTextWidth("Kelt Podium", font);
    const int ascent = measure.GetTextBaseline(font);
    const int height = measure.GetTextHeight(font);
    int ink = 0;
    int dark = 0;
    int outside = 0;
    int mixedBlocks = 0;
    for (int y = 70 * s; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const uint32_t p = at(x, y);
            if (p == 0xFFFFFFu)
                continue;
            ++ink;
            dark += p == 0x000000u;
            const bool inBox = x >= 10 * s && x < (10 + textWidth) * s &&
                               y >= (100 - ascent) * s && y < (100 - ascent + height) * s;
            outside += !inBox;
            if (s == 2 && x % 2 == 0 && y % 2 == 0 && x + 1 < w && y + 1 < h)
                mixedBlocks += at(x + 1, y) != p || at(x, y + 1) != p || at(x + 1, y + 1) != p;
        }
    EXPECT_GT(ink, 30 * s * s);
    EXPECT_GT(dark, 0);
    EXPECT_EQ(outside, 0);
    if (s == 2)
    {
        EXPECT_GT(mixedBlocks, 20);
    }
}

} // namespace
