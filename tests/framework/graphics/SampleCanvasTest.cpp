// Draws one canvas with every kind of operation at device scale 1 and 2. With
// KELT_SAMPLE_CANVAS_PNG set, the two results are written there (name-1x.png, name-2x.png)
// for a person to look at; the test itself checks that both scales agree.
#include "SurfaceCanvas.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace NSWayfarer
{
namespace
{

void DrawSample(CSurfaceCanvas& c)
{
    const CFontSpec body("Arial", 12);
    const CFontSpec small("Arial", 11);
    const CFontSpec bold("Arial", 12, true, false, false);
    CLocalRect panel(10, 10, 230, 150);
    c.DrawRect(&panel, CRGBColor::kLightGray);
    c.DrawFrame(&panel, CRGBColor::kDarkGray);
    c.DrawText(20, 30, "Kelt Podium LX OS 1.20", bold, CRGBColor::kBlack);
    c.DrawText(20, 48, "Arial 12: Hamburgefonstiv", body, CRGBColor::kBlack);
    c.DrawText(20, 64, "Arial 11: Hamburgefonstiv", small, CRGBColor::kBlue);
    CLocalRect wrap(20, 72, 140, 110);
    c.DrawFrame(&wrap, CRGBColor::kRed);
    c.DrawWrappedText(wrap, "Wrapped text runs on over several lines and is cut at the box.", small,
                      CRGBColor::kVeryDarkGray);
    CLocalRect button(150, 80, 220, 100);
    c.DrawRect(&button, CRGBColor::kWhite);
    c.DrawFrame(&button, CRGBColor::kBlack);
    c.DrawCentredText(&button, "Update", body, CRGBColor::kBlack);
    CLocalRect status(20, 115, 220, 140);
    c.DrawFrame(&status, CRGBColor::kMediumDarkGray);
    c.DrawTextAtLeftMiddle(&status, "Found Kelt Podium LX", small, CRGBColor::kDarkGreen);
    c.DrawLine(150, 104, 220, 112, CRGBColor::kRed);
    c.DrawHorizontalLine(150, 108, 220, CRGBColor::kGreen);
    CLocalRect feedback(145, 75, 225, 105);
    c.DrawFrameXOR(&feedback, CRGBColor::kBlack);
}

TEST(SampleCanvas, DoubleScaleDrawsTheSameShapesAtDeviceResolution)
{
    CSurfaceCanvas one(240, 160);
    CSurfaceCanvas two(240, 160, 2);
    DrawSample(one);
    DrawSample(two);
    if (const char* base = std::getenv("KELT_SAMPLE_CANVAS_PNG"))
    {
        cairo_surface_write_to_png(one.Surface(), (std::string(base) + "-1x.png").c_str());
        cairo_surface_write_to_png(two.Surface(), (std::string(base) + "-2x.png").c_str());
    }
    // Shapes: every 1x pixel outside text covers exactly a 2x2 block of the same colour.
    // Checked on the panel frame and the XOR feedback frame, which no text touches.
    for (int x = 10; x < 230; ++x)
        for (int y : {10, 149})
            for (int d = 0; d < 4; ++d)
                ASSERT_EQ(one.Pixel(x, y), two.Pixel(2 * x + d % 2, 2 * y + d / 2))
                    << x << "," << y;
    for (int y = 75; y < 105; ++y)
        for (int d = 0; d < 4; ++d)
            ASSERT_EQ(one.Pixel(145, y), two.Pixel(290 + d % 2, 2 * y + d / 2)) << y;
    // Text: the same layout (ink in the same place, to a device pixel), but rendered at the
    // device's resolution: a doubled bitmap would have no edge falling between two device
    // pixels of one 1x pixel.
    CRect inkOne;
    CRect inkTwo;
    for (int y = 18; y < 34; ++y)
        for (int x = 18; x < 140; ++x)
            if (one.Pixel(x, y) != 0xEEEEEE)
                inkOne.Add(CRect(short(x), short(y), short(x + 1), short(y + 1)));
    int splitBlocks = 0;
    for (int y = 36; y < 68; ++y)
        for (int x = 36; x < 280; ++x)
        {
            if (two.Pixel(x, y) != 0xEEEEEE)
                inkTwo.Add(CRect(short(x), short(y), short(x + 1), short(y + 1)));
            if (x % 2 == 0 && y % 2 == 0 &&
                (two.Pixel(x, y) != two.Pixel(x + 1, y) || two.Pixel(x, y) != two.Pixel(x, y + 1)))
                ++splitBlocks;
        }
    EXPECT_NEAR(inkTwo.fLeft, 2 * inkOne.fLeft, 2);
    EXPECT_NEAR(inkTwo.fBottom, 2 * inkOne.fBottom, 2);
    EXPECT_NEAR(inkTwo.GetWidth(), 2 * inkOne.GetWidth(), 3);
    EXPECT_GT(splitBlocks, 50);
}

} // namespace
} // namespace NSWayfarer
