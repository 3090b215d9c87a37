// What reaches the screen when a view changes: its pixels, and no others. The
// window is read back from the X server before and after.
#include "WindowTestSupport.h"

#include "framework/windows/CDocumentWindow.h"

using namespace NSWindowTests;
using namespace NSTestSupport;

namespace
{

class UpdateRegion : public WindowTest
{
};

// The screen's pixels under a global rectangle, 3 bytes (R, G, B) each; empty on failure.
std::vector<uint8_t> ReadScreen(const NSPlatform::SDisplayRect& r)
{
    const int width = r.mRight - r.mLeft;
    const int height = r.mBottom - r.mTop;
    const std::string command = "import -window root -crop " + std::to_string(width) + "x" +
                                std::to_string(height) + "+" + std::to_string(r.mLeft) + "+" +
                                std::to_string(r.mTop) + " +repage -depth 8 rgb:- 2>/dev/null";
    std::vector<uint8_t> pixels;
    if (FILE* pipe = ::popen(command.c_str(), "r"))
    {
        uint8_t buffer[65536];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            pixels.insert(pixels.end(), buffer, buffer + got);
        ::pclose(pipe);
    }
    if (pixels.size() != static_cast<size_t>(width) * height * 3)
        pixels.clear();
    return pixels;
}

TEST_F(UpdateRegion, OnlyTheInvalidatedViewChangesOnScreen)
{
    auto* window = new CDocumentWindow(0, "pixels");
    CProbeView left(window->GetRootView(), CLocalRect(0, 0, 100, 80), CRGBColor::kRed);
    CProbeView right(window->GetRootView(), CLocalRect(100, 0, 200, 80), CRGBColor::kBlue);
    const CGlobalRect frame = window->SuggestCenterPositionClient(200, 120);
    window->PrimeAtPos(&frame);
    NSPlatform::CNativeWindow* native = window->GetNative();
    ASSERT_TRUE(PumpUntil([&] { return native->GetPaintCount() > 0 && native->GetXID() != 0; }));
    window->ForcePaint();
    PumpUntil([] { return false; }, 500);

    const int top = 0;
    const NSPlatform::SDisplayRect client = native->GetClientRect();
    const int width = client.mRight - client.mLeft;
    const int height = client.mBottom - client.mTop;
    ASSERT_EQ(width, 200);
    const std::vector<uint8_t> before = ReadScreen(client);
    ASSERT_FALSE(before.empty()) << "the window could not be read back at " << width << "x"
                                 << height;
    ASSERT_EQ(PixelAt(before, width, 150, top + 40), 0x0000FFu);

    const uint64_t pushed = native->GetInvalidatedPixelCount();
    right.SetColor(CRGBColor::kGreen);
    window->ForcePaint();
    EXPECT_EQ(native->GetInvalidatedPixelCount() - pushed, 100u * 80u);
    const uint64_t paints = native->GetPaintCount();
    ASSERT_TRUE(PumpUntil([&] { return native->GetPaintCount() > paints; }));
    PumpUntil([] { return false; }, 200);
    const std::vector<uint8_t> after = ReadScreen(client);
    ASSERT_FALSE(after.empty());

    int changedInside = 0;
    int changedOutside = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const bool changed = PixelAt(before, width, x, y) != PixelAt(after, width, x, y);
            const bool inside = x >= 100 && x < 200 && y >= top && y < top + 80;
            (inside ? changedInside : changedOutside) += changed ? 1 : 0;
        }
    EXPECT_EQ(changedInside, 100 * 80);
    EXPECT_EQ(changedOutside, 0);
    EXPECT_EQ(PixelAt(after, width, 50, top + 40), 0xFF0000u);
}

} // namespace
