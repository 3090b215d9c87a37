#include "framework/graphics/CGlobalPoint.h"
#include "framework/graphics/CLocalPoint.h"
#include "framework/graphics/CLocalRect.h"
#include "framework/graphics/CPoint.h"
#include "framework/graphics/CRect.h"

#include <gtest/gtest.h>

namespace NSWayfarer
{
namespace
{

void ExpectRect(const CRect& r, short left, short top, short right, short bottom)
{
    EXPECT_EQ(r.fLeft, left);
    EXPECT_EQ(r.fTop, top);
    EXPECT_EQ(r.fRight, right);
    EXPECT_EQ(r.fBottom, bottom);
}

TEST(Rect, RightAndBottomEdgesLieOutside)
{
    const CRect r(10, 10, 20, 20);
    EXPECT_TRUE(r.IsPointIn(10, 10));
    EXPECT_TRUE(r.IsPointIn(19, 19));
    EXPECT_FALSE(r.IsPointIn(20, 15));
    EXPECT_FALSE(r.IsPointIn(15, 20));
    EXPECT_FALSE(r.IsPointIn(9, 15));

    const CRect a(0, 0, 10, 10);
    const CRect b(10, 0, 20, 10);
    EXPECT_FALSE(a.DoesIntersect(&b));
    EXPECT_FALSE(b.DoesIntersect(&a));
    CRect sum(a);
    ExpectRect(sum.Add(b), 0, 0, 20, 10);
    const CRect overlapping(9, 9, 30, 30);
    EXPECT_TRUE(a.DoesIntersect(&overlapping));
    EXPECT_TRUE(CRect(2, 2, 5, 5).IsCompletelyInside(a));
    EXPECT_TRUE(a.IsCompletelyInside(a));
    EXPECT_FALSE(overlapping.IsCompletelyInside(a));
}

TEST(Rect, IntersectZeroesDisjointButKeepsAnEdge)
{
    CRect disjoint(0, 0, 10, 10);
    EXPECT_FALSE(disjoint.Intersect(CRect(20, 20, 30, 30)));
    ExpectRect(disjoint, 0, 0, 0, 0);

    CRect edge(0, 0, 10, 10);
    EXPECT_FALSE(edge.Intersect(CRect(10, 0, 20, 10)));
    ExpectRect(edge, 10, 0, 10, 10);
    EXPECT_TRUE(edge.IsEmpty());

    CRect overlap(0, 0, 10, 10);
    EXPECT_TRUE(overlap.Intersect(CRect(5, -5, 15, 5)));
    ExpectRect(overlap, 5, 0, 10, 5);

    // Add keeps an empty operand's corners.
    CRect grown(5, 5, 6, 6);
    ExpectRect(grown.Add(CRect(0, 0, 0, 0)), 0, 0, 6, 6);
}

TEST(Rect, EmptinessAndUntangle)
{
    EXPECT_TRUE(CRect(5, 5, 5, 20).IsEmpty());
    CRect tangled(20, 30, 10, 5);
    EXPECT_TRUE(tangled.IsEmpty());
    ExpectRect(tangled.Untangle(), 10, 5, 20, 30);
    EXPECT_FALSE(tangled.IsEmpty());
    EXPECT_TRUE(CRect(0, 0, 5, 10).IsVertical());
    EXPECT_FALSE(CRect(0, 0, 10, 10).IsVertical());
}

TEST(Rect, PlacementAndSizing)
{
    CRect r(10, 20, 40, 30);
    ExpectRect(r.Position(100, 200), 100, 200, 130, 210);
    ExpectRect(r.MoveRight(), 130, 200, 160, 210);
    ExpectRect(r.MoveLeft(), 100, 200, 130, 210);
    ExpectRect(r.MoveDown(), 100, 210, 130, 220);
    ExpectRect(r.MoveUp(), 100, 200, 130, 210);
    ExpectRect(r.MoveLeft(5).MoveUp(5).MoveRight(1).MoveDown(2), 96, 197, 126, 207);
    ExpectRect(r.Grow(3), 93, 194, 129, 210);
    ExpectRect(r.Shrink(3), 96, 197, 126, 207);
    ExpectRect(r.GrowHorizontal(1).ShrinkVertical(2), 95, 199, 127, 205);
    ExpectRect(r.SetSize(7, 8), 95, 199, 102, 207);

    CRect small(0, 0, 10, 10);
    ExpectRect(small.LimitSize(100, 100, 50, 50), 0, 0, 50, 50);
    ExpectRect(small.LimitMinSize(60, 10), 0, 0, 60, 50);
    ExpectRect(small.LimitMaxSize(20, 30), 0, 0, 20, 30);

    const CRect frame(100, 100, 200, 150);
    CRect box(0, 0, 10, 10);
    ExpectRect(box.AlignRight(frame).AlignBottom(frame), 190, 140, 200, 150);
    ExpectRect(box.AlignLeft(frame).AlignTop(frame), 100, 100, 110, 110);
}

TEST(Rect, CentringTruncatesTowardsZero)
{
    CRect five(0, 0, 5, 5);
    ExpectRect(five.CenterHorizontally(CRect(0, 0, 10, 10)), 2, 0, 7, 5);
    // 7 wider than 10 - 17: (10 - 17) / 2 = -3, so 3 out on the left and 4 on the right.
    CRect wide(0, 0, 17, 3);
    ExpectRect(wide.Center(CRect(0, 0, 10, 9)), -3, 3, 14, 6);
}

TEST(Rect, MoveInsideKeepsTheSize)
{
    const CRect screen(0, 0, 100, 100);
    CRect off(-50, 120, -10, 140);
    ExpectRect(off.MoveCompletelyInside(&screen), 0, 80, 40, 100);
    CRect big(-20, -20, 130, 130);
    ExpectRect(big.MoveCompletelyInside(&screen), -50, -50, 100, 100);

    CRect left(-300, 10, -200, 50);
    ExpectRect(left.MoveJustInside(&screen), -99, 10, 1, 50);
    CRect below(10, 500, 50, 600);
    ExpectRect(below.MoveJustInside(&screen), 10, 99, 50, 199);
    CRect right(150, -80, 170, -60);
    ExpectRect(right.MoveJustInside(&screen), 99, 1 - 20, 119, 1);
}

TEST(Rect, ArithmeticWrapsInSixteenBits)
{
    CRect r(32760, 0, 32767, 10);
    ExpectRect(r.Offset(10, 0), -32766, 0, -32759, 10);
    EXPECT_EQ(r.GetWidth(), 7);
    // A wide-open rectangle's width wraps; nothing repairs it.
    EXPECT_TRUE(CRect(-32767, 0, 32767, 1).IsEmpty());
}

TEST(Rect, PackedLayouts)
{
    const CRect r(-2, 3, 0x1234, -32768);
    uint8_t bytes[8];
    r.Pack(bytes);
    const uint8_t expected[8] = {0xFF, 0xFE, 0x00, 0x03, 0x12, 0x34, 0x80, 0x00};
    EXPECT_EQ(0, memcmp(bytes, expected, 8));
    CRect back;
    back.Unpack(bytes);
    EXPECT_TRUE(back.IsEqual(&r));

    // Dialog templates: top, left, bottom, right, little-endian.
    const uint8_t native[8] = {0x0A, 0x00, 0x14, 0x00, 0x1E, 0x00, 0xFF, 0xFF};
    CRect item;
    item.UnpackTLBRRectNative(native);
    ExpectRect(item, 20, 10, -1, 30);

    const SMacRect mac = r.MacGetRect();
    EXPECT_EQ(mac.mTop, 3);
    EXPECT_EQ(mac.mLeft, -2);
    EXPECT_TRUE(CRect(r.MacGetUpperLeft(), r.MacGetLowerRight()).IsEqual(&r));
    EXPECT_TRUE(CRect(mac).IsEqual(&r));
    SMacRect setup;
    MacSetupRect(&setup, 5, 6, 10, 20);
    ExpectRect(CRect(setup), 5, 6, 15, 26);
    EXPECT_TRUE(
        CLocalRect(1, 2, 3, 4).IsEqual(&static_cast<const CLocalRect&>(CLocalRect(1, 2, 3, 4))));
}

TEST(Point, PositionAndSizeShareTheTwoValues)
{
    CPoint p;
    p.SetSize(30, 40);
    EXPECT_EQ(p.GetX(), 30);
    EXPECT_EQ(p.GetHeight(), 40);
    EXPECT_EQ(p.Position(-1, 2).SetWidth(7).GetX(), 7);
    const CPoint q(7, 2);
    EXPECT_TRUE(p.IsEqual(&q));
    EXPECT_TRUE(p.Zero().IsEqual(&static_cast<const CPoint&>(CPoint())));
    EXPECT_TRUE(CLocalPoint(3, 4).IsEqual(CLocalPoint(3, 4)));
    EXPECT_FALSE(CGlobalPoint(3, 4).IsEqual(CGlobalPoint(4, 3)));
}

} // namespace
} // namespace NSWayfarer
