#include "framework/graphics/CRegion.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <bitset>
#include <random>

namespace NSWayfarer
{
namespace
{

constexpr int kSide = 48;
using TPixels = std::bitset<kSide * kSide>;

TPixels Pixels(const CRect& r)
{
    TPixels p;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            p[y * kSide + x] = r.IsPointIn(short(x), short(y));
    return p;
}

TPixels Pixels(const CRegion& region)
{
    TPixels p;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            p[y * kSide + x] = region.IsPointIn(short(x), short(y));
    return p;
}

TEST(Region, SetOperationsAreExactPixelSets)
{
    // Every operation against a plain bit model, on random rectangles (some empty or
    // inverted).
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coord(0, kSide);
    auto randomRect = [&]
    {
        return CRect(short(coord(random)), short(coord(random)), short(coord(random)),
                     short(coord(random)));
    };
    for (int round = 0; round < 200; ++round)
    {
        CRegion region(randomRect());
        TPixels model = Pixels(region);
        for (int step = 0; step < 6; ++step)
        {
            const CRect r = randomRect();
            const TPixels rp = Pixels(r);
            const CRegion other(r);
            const bool viaRegion = step % 2 == 1;
            switch (random() % 4)
            {
            case 0:
                viaRegion ? region.OrRegion(other) : region.OrRectangle(r);
                model |= rp;
                break;
            case 1:
                viaRegion ? region.AndRegion(other) : region.AndRectangle(r);
                model &= rp;
                break;
            case 2:
                viaRegion ? region.SubRegion(other) : region.SubRectangle(r);
                model &= ~rp;
                break;
            default:
                viaRegion ? region.InvertRegion(other) : region.InvertRectangle(r);
                model ^= rp;
                break;
            }
            ASSERT_EQ(Pixels(region), model) << "round " << round << " step " << step;
            ASSERT_EQ(region.IsEmpty(), model.none());
            const CRect probe = randomRect();
            ASSERT_EQ(region.DoesRectangleIntersect(&probe), (model & Pixels(probe)).any());
            const CRegion probeRegion(probe);
            ASSERT_EQ(region.DoesRegionsOverlap(&probeRegion), (model & Pixels(probe)).any());
        }
    }
}

TEST(Region, EmptyRegionsStayEmpty)
{
    CRegion region;
    EXPECT_TRUE(region.IsEmpty());
    region.OrRectangle(CRect(5, 5, 5, 20));
    region.OrRectangle(CRect(20, 20, 10, 30));
    EXPECT_TRUE(region.IsEmpty());
    region.OrRectangle(CRect(0, 0, 4, 4));
    EXPECT_FALSE(region.IsEmpty());
    region.Empty();
    EXPECT_TRUE(region.IsEmpty());
    // Touching is not intersecting.
    region.SetRectangle(&static_cast<const CRect&>(CRect(0, 0, 10, 10)));
    const CRect touching(10, 0, 20, 10);
    EXPECT_FALSE(region.DoesRectangleIntersect(&touching));
}

TEST(Region, CopiesOffsetsAndOwnership)
{
    CRegion region(CRect(0, 0, 10, 10));
    region.OrRectangle(CRect(20, 0, 30, 10));
    CRegion copy(region);
    copy.Offset(-5, 100);
    EXPECT_TRUE(region.IsPointIn(0, 0));
    EXPECT_FALSE(copy.IsPointIn(0, 0));
    EXPECT_TRUE(copy.IsPointIn(-5, 100));
    EXPECT_TRUE(copy.IsPointIn(24, 109));
    EXPECT_FALSE(copy.IsPointIn(10, 105));
    const CRect bounds = copy.GetBounds();
    EXPECT_TRUE(bounds.IsEqual(&static_cast<const CRect&>(CRect(-5, 100, 25, 110))));
    EXPECT_EQ(copy.CountRectangles(), 2);

    // A wide-open rectangle (16-bit width wraps) is still the whole plane.
    const CRegion open(CRect(-32767, -32767, 32767, 32767));
    EXPECT_TRUE(open.IsPointIn(-32000, 32000));

    cairo_region_t* native = region.DetachNative();
    EXPECT_TRUE(region.IsEmpty());
    {
        CRegion adopted(native);
        EXPECT_TRUE(adopted.IsPointIn(25, 5));
        EXPECT_TRUE(adopted.GetNative() == native);
    }
    region.OrRectangle(CRect(1, 1, 2, 2));
    EXPECT_TRUE(region.IsPointIn(1, 1));
}

} // namespace
} // namespace NSWayfarer
