#include "SurfaceCanvas.h"

#include "framework/graphics/CMacNullClip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <utility>

namespace NSWayfarer
{
namespace
{

constexpr uint32_t kWhitePixel = 0xFFFFFF;

// Every device pixel: inside(x, y) ? inColor : kWhitePixel.
template <typename TInside>
void ExpectPixels(const CSurfaceCanvas& c, TInside inside, uint32_t inColor)
{
    for (int y = 0; y < c.DeviceHeight(); ++y)
        for (int x = 0; x < c.DeviceWidth(); ++x)
            ASSERT_EQ(c.Pixel(x, y), inside(x, y) ? inColor : kWhitePixel) << x << "," << y;
}

void FillWithNoise(CSurfaceCanvas& c)
{
    std::mt19937 random(3);
    for (int y = 0; y < c.DeviceHeight(); ++y)
        for (int x = 0; x < c.DeviceWidth(); ++x)
            c.SetPixel(x, y, random() & 0xFFFFFF);
}

TEST(CanvasDrawing, RectsAndFramesCoverExactlyTheirPixels)
{
    CSurfaceCanvas c(12, 10);
    CLocalRect r(2, 3, 6, 5);
    c.DrawRect(&r, CRGBColor::kRed);
    ExpectPixels(
        c, [](int x, int y) { return x >= 2 && x < 6 && y >= 3 && y < 5; }, 0xFF0000);

    c.Fill(kWhitePixel);
    CLocalRect frame(1, 1, 7, 6);
    c.DrawFrame(&frame, CRGBColor::kLightGreen);
    ExpectPixels(
        c,
        [](int x, int y)
        { return x >= 1 && x < 7 && y >= 1 && y < 6 && (x == 1 || x == 6 || y == 1 || y == 5); },
        0xAEFFB9);

    // A frame two pixels thin or less is solid; an empty or inverted one draws nothing.
    c.Fill(kWhitePixel);
    CLocalRect thin(3, 2, 5, 8);
    c.DrawFrame(&thin, CRGBColor::kBlack);
    CLocalRect empty(5, 5, 5, 9);
    CLocalRect inverted(9, 9, 2, 2);
    c.DrawFrame(&empty, CRGBColor::kBlack);
    c.DrawRect(&inverted, CRGBColor::kBlack);
    c.DrawRect(nullptr, CRGBColor::kBlack);
    ExpectPixels(
        c, [](int x, int y) { return x >= 3 && x < 5 && y >= 2 && y < 8; }, 0);

    // Far outside the surface: clipped, nothing else touched.
    CLocalRect huge(-32000, -32000, 32000, 32000);
    c.DrawFrame(&huge, CRGBColor::kBlack);
    ExpectPixels(
        c, [](int x, int y) { return x >= 3 && x < 5 && y >= 2 && y < 8; }, 0);
}

TEST(CanvasDrawing, LinesIncludeBothEndsAndFollowTheIdealLine)
{
    CSurfaceCanvas c(40, 30);
    c.DrawHorizontalLine(30, 4, 10, CRGBColor::kBlue);
    ExpectPixels(
        c, [](int x, int y) { return y == 4 && x >= 10 && x <= 30; }, 0x0000FF);
    c.Fill(kWhitePixel);
    c.DrawVerticalLine(7, 2, 2, CRGBColor::kBlue);
    ExpectPixels(
        c, [](int x, int y) { return x == 7 && y == 2; }, 0x0000FF);

    const int lines[][4] = {{2, 3, 37, 17}, {35, 2, 5, 27}, {20, 28, 22, 1}, {1, 1, 29, 29}};
    for (const auto& l : lines)
    {
        c.Fill(kWhitePixel);
        c.DrawLine(short(l[0]), short(l[1]), short(l[2]), short(l[3]), CRGBColor::kBlack);
        std::set<std::pair<int, int>> on;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                if (c.Pixel(x, y) == 0)
                    on.insert({x, y});
                else
                    ASSERT_EQ(c.Pixel(x, y), kWhitePixel);
        const int dx = std::abs(l[2] - l[0]);
        const int dy = std::abs(l[3] - l[1]);
        // One pixel per step along the major axis, ends included, each within half a pixel
        // of the ideal line.
        EXPECT_EQ(on.size(), size_t(std::max(dx, dy) + 1));
        EXPECT_TRUE(on.count({l[0], l[1]}));
        EXPECT_TRUE(on.count({l[2], l[3]}));
        for (const auto& [x, y] : on)
        {
            const double t =
                dx >= dy ? double(x - l[0]) / (l[2] - l[0]) : double(y - l[1]) / (l[3] - l[1]);
            const double ideal = dx >= dy ? l[1] + t * (l[3] - l[1]) : l[0] + t * (l[2] - l[0]);
            EXPECT_LE(std::abs((dx >= dy ? y : x) - ideal), 0.5 + 1e-9) << x << "," << y;
        }
    }
}

TEST(CanvasDrawing, XorFeedbackTwiceRestoresThePixels)
{
    for (int scale : {1, 2})
    {
        CSurfaceCanvas c(30, 20, scale);
        FillWithNoise(c);
        const std::vector<uint32_t> before = c.Snapshot();
        CLocalRect frame(3, 4, 25, 15);
        c.DrawFrameXOR(&frame, CRGBColor::kBlack);
        EXPECT_EQ(c.Port()->GetPenMode(), CDrawPort::kPatCopy);
        // Once: every frame pixel inverted exactly once (corners included), nothing else.
        for (int y = 0; y < c.DeviceHeight(); ++y)
            for (int x = 0; x < c.DeviceWidth(); ++x)
            {
                const int lx = x / scale;
                const int ly = y / scale;
                const bool onFrame = lx >= 3 && lx < 25 && ly >= 4 && ly < 15 &&
                                     (lx == 3 || lx == 24 || ly == 4 || ly == 14);
                const uint32_t was = before[y * c.DeviceWidth() + x];
                ASSERT_EQ(c.Pixel(x, y), onFrame ? (was ^ 0xFFFFFF) : was)
                    << scale << ":" << x << "," << y;
            }
        c.DrawFrameXOR(&frame, CRGBColor::kBlack);
        EXPECT_EQ(c.Snapshot(), before);

        c.DrawLineXOR(0, 0, 29, 19, CRGBColor::kRed);
        c.DrawLineXOR(29, 0, 0, 19, CRGBColor::kRed);
        EXPECT_NE(c.Snapshot(), before);
        c.DrawLineXOR(0, 0, 29, 19, CRGBColor::kRed);
        c.DrawLineXOR(29, 0, 0, 19, CRGBColor::kRed);
        EXPECT_EQ(c.Snapshot(), before);
        EXPECT_EQ(c.Port()->GetPenMode(), CDrawPort::kPatCopy);
        // Partly off the surface: only the visible part flips, and flips back.
        CLocalRect off(-10, -10, 5, 40);
        c.DrawFrameXOR(&off, CRGBColor::kBlack);
        c.DrawFrameXOR(&off, CRGBColor::kBlack);
        EXPECT_EQ(c.Snapshot(), before);
    }
}

TEST(CanvasDrawing, ClipOriginAndNullClip)
{
    CSurfaceCanvas c(12, 12);
    CDrawPort* port = c.Port();
    port->ClipRect(CRect(3, 3, 8, 8));
    CLocalRect all(0, 0, 12, 12);
    c.DrawRect(&all, CRGBColor::kBlack);
    auto inClip = [](int x, int y) { return x >= 3 && x < 8 && y >= 3 && y < 8; };
    ExpectPixels(c, inClip, 0);

    // The null clip suppresses everything, XOR and text included, and nests.
    c.Fill(kWhitePixel);
    {
        CMacNullClip guard(c.MacGetMacPort());
        {
            CMacNullClip inner;
            c.DrawRect(&all, CRGBColor::kBlack);
        }
        c.DrawFrameXOR(&all, CRGBColor::kBlack);
        c.DrawText(2, 10, "Hi", CFontSpec("Arial", 12), CRGBColor::kBlack);
        c.DrawLine(0, 0, 11, 11, CRGBColor::kBlack);
        ExpectPixels(
            c, [](int, int) { return false; }, 0);
    }
    c.DrawRect(&all, CRGBColor::kBlack);
    ExpectPixels(c, inClip, 0);

    // With the origin moved, local (100, 50) is the surface's first pixel.
    CSurfaceCanvas moved(6, 6);
    moved.Port()->SetOrigin(100, 50);
    CLocalRect corner(99, 49, 102, 52);
    moved.DrawRect(&corner, CRGBColor::kBlack);
    ExpectPixels(
        moved, [](int x, int y) { return x < 2 && y < 2; }, 0);
    EXPECT_TRUE(moved.Port()->GetPortRect().IsEqual(
        &static_cast<const CLocalRect&>(CLocalRect(100, 50, 106, 56))));
}

TEST(CanvasDrawing, CopyBitsBetweenAndWithinSurfaces)
{
    CSurfaceCanvas source(8, 8);
    FillWithNoise(source);
    CSurfaceCanvas dest(10, 10, 2);
    dest.Port()->CopyBits(*source.Port(), CRect(2, 2, 6, 5), CRect(5, 5, 9, 8));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
        {
            const bool inside = x >= 10 && x < 18 && y >= 10 && y < 16;
            ASSERT_EQ(dest.Pixel(x, y), inside ? source.Pixel(x / 2 - 3, y / 2 - 3) : kWhitePixel);
        }

    // Scrolling within one surface: overlapping source and destination.
    const std::vector<uint32_t> before = source.Snapshot();
    source.Port()->CopyBits(*source.Port(), CRect(0, 0, 8, 6), CRect(0, 2, 8, 8));
    for (int y = 2; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(source.Pixel(x, y), before[(y - 2) * 8 + x]);
}

} // namespace
} // namespace NSWayfarer
