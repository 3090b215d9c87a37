// Text through the canvas. "Arial" is Liberation Sans here, which has Arial's metrics, so
// widths and heights are those of the classic font at these pixel sizes.
#include "SurfaceCanvas.h"

#include <gtest/gtest.h>

namespace NSWayfarer
{
namespace
{

const CFontSpec kArial12("Arial", 12);
const CFontSpec kArial11("Arial", 11);

TEST(CanvasText, MetricsOfLiberationSansAtElevenAndTwelvePixels)
{
    CSurfaceCanvas c(10, 10);
    EXPECT_EQ(c.GetTextBaseline(kArial12), 11);
    EXPECT_EQ(c.GetTextHeight(kArial12), 14);
    EXPECT_EQ(c.GetTextWidth("Hello, world", kArial12), 65);
    EXPECT_EQ(c.GetTextBaseline(kArial11), 10);
    EXPECT_EQ(c.GetTextHeight(kArial11), 13);
    EXPECT_EQ(c.GetTextWidth("Hello, world", kArial11), 56);
    EXPECT_EQ(c.GetTextWidth("", kArial11), 0);
    CLocalRect r;
    c.GetTextRect(&r, "Hello, world", kArial12);
    EXPECT_TRUE(r.IsEqual(&static_cast<const CLocalRect&>(CLocalRect(0, 0, 65, 14))));

    // The family really is Liberation Sans, and the style bits reach the font.
    const char* sample = "Kelt Podium LX OS Update 1.20";
    EXPECT_EQ(c.GetTextWidth(sample, kArial12),
              c.GetTextWidth(sample, CFontSpec("Liberation Sans", 12)));
    EXPECT_GT(c.GetTextWidth(sample, CFontSpec("Arial", 12, true, false, false)),
              c.GetTextWidth(sample, kArial12));
    // Whole-pixel advances at each size, so twice the size is only about twice as wide.
    EXPECT_NEAR(c.GetTextWidth(sample, CFontSpec("Arial", 24)),
                2 * c.GetTextWidth(sample, kArial12), 10);
}

TEST(CanvasText, TextSitsOnItsBaselineInsideItsWidth)
{
    for (const CFontSpec& font : {kArial12, kArial11})
    {
        CSurfaceCanvas c(120, 50);
        const short ascent = c.GetTextBaseline(font);
        const short descent = short(c.GetTextHeight(font) - ascent);
        c.DrawText(10, 30, "HH", font, CRGBColor::kBlack);
        CRect ink = c.InkBounds();
        EXPECT_EQ(ink.fBottom, 30) << "capitals end on the row above the baseline";
        EXPECT_GE(ink.fTop, 30 - ascent);
        EXPECT_LE(ink.fTop, 30 - font.GetSize() * 2 / 3);
        EXPECT_GE(ink.fLeft, 10);
        EXPECT_LE(ink.fRight, 10 + c.GetTextWidth("HH", font));

        c.Fill(0xFFFFFF);
        c.DrawText(10, 30, "gy", font, CRGBColor::kBlack);
        ink = c.InkBounds();
        EXPECT_GT(ink.fBottom, 31);
        EXPECT_LE(ink.fBottom, 30 + descent);

        c.Fill(0xFFFFFF);
        c.DrawText(10, 30, "HH", CFontSpec(font.GetName(), font.GetSize(), false, false, true),
                   CRGBColor::kBlack);
        EXPECT_GT(c.InkBounds().fBottom, 30) << "underline below the baseline";

        // Source-copy text mode: the line box (width x height, top at baseline - ascent)
        // takes the background colour.
        c.Fill(0xFFFFFF);
        c.Port()->TextMode(CDrawPort::kSrcCopy);
        c.Port()->RGBBackColor(CRGBColor::kGray);
        c.DrawText(10, 30, "HH", font, CRGBColor::kBlack);
        EXPECT_TRUE(c.InkBounds().IsEqual(&static_cast<const CRect&>(CRect(
            10, short(30 - ascent), short(10 + c.GetTextWidth("HH", font)), short(30 + descent)))));
        EXPECT_EQ(c.Pixel(10, 30 - ascent), 0xCCCCCCu);
        c.Port()->TextMode(CDrawPort::kSrcOr);
    }
}

TEST(CanvasText, WrappedTextStaysInItsRectangle)
{
    CSurfaceCanvas c(200, 120);
    const CLocalRect box(20, 10, 120, 60);
    c.DrawWrappedText(box,
                      "The instrument is ready. Press Update to send the new operating system, "
                      "or Quit to leave it as it is. This last sentence does not fit any more.",
                      kArial11, CRGBColor::kBlack);
    const CRect ink = c.InkBounds();
    EXPECT_TRUE(ink.IsCompletelyInside(box))
        << ink.fLeft << "," << ink.fTop << "," << ink.fRight << "," << ink.fBottom;
    EXPECT_GE(ink.fTop, 10);
    EXPECT_LE(ink.fTop, 14);
    EXPECT_GE(ink.fBottom, 57) << "lines down to the box's bottom, the last one cut";
    EXPECT_GE(ink.fRight, 100) << "lines fill the width before wrapping";
}

TEST(CanvasText, LeftMiddleAndCentredPlacement)
{
    CSurfaceCanvas c(200, 60);
    // Height 14 in 30: the box's top is 8 down, the baseline 11 below that.
    const CLocalRect status(20, 10, 180, 40);
    c.DrawTextAtLeftMiddle(&status, "HH", kArial12, CRGBColor::kBlack);
    CRect ink = c.InkBounds();
    EXPECT_EQ(ink.fBottom, 10 + 8 + 11);
    EXPECT_GE(ink.fLeft, 22);
    EXPECT_LE(ink.fLeft, 24);

    // 65 wide in 10: starts (10 - 65) / 2 = -27 left of the rectangle.
    c.Fill(0xFFFFFF);
    const CLocalRect narrow(100, 20, 110, 34);
    c.DrawCentredText(&narrow, "Hello, world", kArial12, CRGBColor::kBlack);
    ink = c.InkBounds();
    EXPECT_GE(ink.fLeft, 73);
    EXPECT_LE(ink.fLeft, 75);
    EXPECT_LE(ink.fRight, 73 + 65);
    EXPECT_GE(ink.fRight, 73 + 60);
    EXPECT_EQ(ink.fTop, 20 + 11 - 9) << "cap height 9 above the baseline at top + ascent";
}

TEST(CanvasText, BadTextIsHarmless)
{
    CSurfaceCanvas c(100, 30);
    c.DrawText(5, 20, nullptr, kArial12, CRGBColor::kBlack);
    EXPECT_EQ(c.GetTextWidth(nullptr, kArial12), 0);
    EXPECT_TRUE(c.InkBounds().IsEmpty());
    // Text that is not UTF-8 is Mac Roman: 0xA9 is the copyright sign, 0xC9 the ellipsis.
    c.DrawText(5, 20, "\xa9\xc9", kArial12, CRGBColor::kBlack);
    EXPECT_FALSE(c.InkBounds().IsEmpty());
    EXPECT_EQ(c.GetTextWidth("\xa9 1.20\xc9", kArial12),
              c.GetTextWidth("\xc2\xa9 1.20\xe2\x80\xa6", kArial12));
    EXPECT_GT(c.GetTextWidth("\xa9 1.20\xc9", kArial12), c.GetTextWidth(" 1.20", kArial12));
    // An unknown family falls back to some font rather than to nothing.
    EXPECT_GT(c.GetTextWidth("Hello", CFontSpec("No Such Family 123", 12)), 0);
    // Size 0 is the default size.
    EXPECT_EQ(c.GetTextHeight(CFontSpec("Arial", 0)), 14);
}

} // namespace
} // namespace NSWayfarer
