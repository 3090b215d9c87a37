#include "framework/text/IntegerUtilities.h"

#include <gtest/gtest.h>

using namespace NSWayfarer;

TEST(IntegerUtilities, ClippingAndWrapping)
{
    EXPECT_EQ(Min(-3, 2), -3);
    EXPECT_EQ(Max(-3, 2), 2);
    EXPECT_EQ(AbsoluteValue(-9), 9);
    EXPECT_EQ(ClipValue(5, 0, 3), 3);
    EXPECT_EQ(ClipValue(-5, 0, 3), 0);
    EXPECT_EQ(ClipValue(2, 0, 3), 2);
    EXPECT_EQ(WrapValue(-1, 0, 10), 9);
    EXPECT_EQ(WrapValue(25, 0, 10), 5);
    EXPECT_EQ(WrapValue(3, 5, 8), 6);
    EXPECT_EQ(WrapValue(-2147483647L, 0, 7), 6);
    EXPECT_EQ(WrapValue(4, 5, 5), 5); // empty range: no division by zero
}

TEST(IntegerUtilities, Scaling)
{
    EXPECT_EQ(ScaleValue(5, 1, 2), 3);
    EXPECT_EQ(ScaleValue(100, 3, 4), 75);
    EXPECT_EQ(ScaleValue(7, 2, 0), 14);
    EXPECT_EQ(Scale32BitValue(10, 1, 3), 3);
    EXPECT_EQ(Scale32BitValueRoundUp(10, 1, 3), 4);
    EXPECT_EQ(Scale32BitValueRoundUp(9, 1, 3), 3);
    EXPECT_EQ(Scale32BitValue(5, 5, 0), 25);

    unsigned short fraction = 0;
    EXPECT_EQ(ScaleWithFraction(7, 2, 10, &fraction), 3);
    EXPECT_EQ(fraction, 5);
    EXPECT_EQ(ScaleWithFraction(10, 3, 100, &fraction), 3);
    EXPECT_EQ(fraction, 33);
    EXPECT_EQ(DivideAndRoundUp(7, 0), 7);
    EXPECT_EQ(DivideAndRoundUp(7, 2), 4);
    EXPECT_EQ(DivideAndRoundUp(8, 2), 4);
}

TEST(IntegerUtilities, AlignmentAlsoForNegativeValues)
{
    EXPECT_EQ(AlignValueDownwards(-5, 4), -8);
    EXPECT_EQ(AlignValueDownwards(5, 4), 4);
    EXPECT_EQ(AlignValueDownwards(-8, 4), -8);
    EXPECT_EQ(AlignValueUpwards(-5, 4), -4);
    EXPECT_EQ(AlignValueUpwards(5, 4), 8);
    EXPECT_EQ(AlignValueUpwards(8, 4), 8);
    EXPECT_EQ(AlignValueWithRound(5, 4), 4);
    EXPECT_EQ(AlignValueWithRound(6, 4), 8);
    EXPECT_EQ(AlignValueWithRound(-5, 4), -8);
    EXPECT_EQ(RoundValue(6, 4), 8);
    EXPECT_EQ(RoundValue(-6, 4), -8);
    EXPECT_EQ(RoundValue(-5, 4), -4);
    EXPECT_EQ(AlignValueDownwards(5, 0), 5);
}

TEST(IntegerUtilities, PowersOfTwoAndRanges)
{
    EXPECT_EQ(ToPowerOf2(1), 0);
    EXPECT_EQ(ToPowerOf2(1024), 10);
    EXPECT_EQ(ToPowerOf2(1023), 9);
    EXPECT_EQ(ToPowerOf2(0), -1);
    EXPECT_EQ(LongToPower2(1000), 512u);
    EXPECT_EQ(LongToPower2(1), 1u);
    EXPECT_EQ(LongToPower2(0x7FFFFFFF), 0x40000000u);
    EXPECT_EQ(LongToPower2(0), 0x80000000u);
    EXPECT_EQ(LongToPower2(0x80000001ul), 0x80000000u);

    EXPECT_TRUE(IsOverlap(0, 10, 9, 20));
    EXPECT_FALSE(IsOverlap(0, 10, 10, 20));
    EXPECT_FALSE(IsOverlap(5, 10, 0, 5));
    EXPECT_TRUE(IsValueWithinTolerance(10, 13, 3));
    EXPECT_FALSE(IsValueWithinTolerance(10, 14, 3));
}
