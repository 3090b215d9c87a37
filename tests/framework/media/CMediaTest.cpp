#include "MediaTestSupport.h"
#include "framework/files/XBase.h"
#include "framework/media/CMemoryMedia.h"
#include "framework/media/CPartialMedia.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

using namespace NSWayfarer;

TEST(CMedia, NumbersAreBigEndianWhateverTheHost)
{
    uint8_t bytes[6] = {0x12, 0x34, 0xDE, 0xAD, 0xBE, 0xEF};
    CMemoryMedia media(6, bytes);
    EXPECT_EQ(media.Read16Bit(), 0x1234);
    EXPECT_EQ(media.Read32Bit(), 0xDEADBEEFu);
    EXPECT_EQ(media.GetPos(), 6);

    media.SetPos(0);
    media.Write32Bit(0x01020304);
    media.Write16Bit(0xA0B0);
    const uint8_t expected[6] = {1, 2, 3, 4, 0xA0, 0xB0};
    EXPECT_EQ(std::memcmp(bytes, expected, 6), 0);
}

TEST(CMedia, MultiByteNumbersGoOutInOneWrite)
{
    CRecordingMedia media(6);
    media.Write16Bit(1);
    media.Write32Bit(2);
    EXPECT_EQ(media.fWrites, (std::vector<TMediaPos>{2, 4}));
}

TEST(CMedia, PeekLeavesThePositionWhereItWas)
{
    uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    CMemoryMedia media(8, bytes);
    media.SetPos(2);
    uint8_t out[4] = {};
    media.Peek(4, out);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[3], 6);
    EXPECT_EQ(media.GetPos(), 2);
    EXPECT_EQ(media.PeekByte(), 3);
    EXPECT_EQ(media.GetPos(), 2);
    EXPECT_EQ(media.ReadByte(), 3);
    EXPECT_EQ(media.GetPos(), 3);
}

TEST(CMedia, FillWritesInChunksOfAHundred)
{
    CRecordingMedia media(300);
    media.Fill(0x5A, 250);
    EXPECT_EQ(media.fWrites, (std::vector<TMediaPos>{100, 100, 50}));
    for (int i = 0; i < 250; ++i)
        ASSERT_EQ(media.GetBufferPtr()[i], 0x5A) << i;

    media.fWrites.clear();
    media.Fill(1, 0);
    media.WriteZeros(-5);
    EXPECT_TRUE(media.fWrites.empty());
    media.WriteZeros(50);
    EXPECT_EQ(media.GetBufferPtr()[260], 0);
}

TEST(CMedia, NeedlessRepositioningIsSkipped)
{
    CRecordingMedia media(10);
    media.SetPos(4);
    media.fSetPosCalls = 0;
    media.SetRelativePos(0);
    EXPECT_EQ(media.fSetPosCalls, 0);

    const uint8_t two[2] = {7, 8};
    media.WriteRange(4, 2, two);
    EXPECT_EQ(media.fSetPosCalls, 0);
    media.WriteRange(0, 2, two);
    EXPECT_EQ(media.fSetPosCalls, 1);

    uint8_t out[2] = {};
    media.ReadRange(4, 2, out);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(media.GetPos(), 6);
}

TEST(CMedia, RelativeMoveThatWouldWrapThrows)
{
    CMemoryMedia media(4);
    media.SetPos(INT_MAX);
    EXPECT_THROW(media.SetRelativePos(1), XPosition);
    media.SetPos(INT_MIN);
    EXPECT_THROW(media.SetRelativePos(-1), XPosition);
}

TEST(CMemoryMedia, ReadsAndWritesOutsideTheBlockThrow)
{
    uint8_t bytes[4] = {1, 2, 3, 4};
    CMemoryMedia media(4, bytes);
    uint8_t out[8] = {};

    media.SetPos(2);
    EXPECT_THROW(media.Read(3, out), XRead);
    EXPECT_EQ(media.GetPos(), 2);
    EXPECT_THROW(media.Write(3, out), XWrite);
    EXPECT_THROW(media.Read32Bit(), XRead);

    media.SetPos(-1);
    EXPECT_THROW(media.ReadByte(), XRead);
    EXPECT_THROW(media.WriteByte(0), XWrite);

    // A position near the limit must not wrap the end check round to "inside".
    media.SetPos(INT_MAX);
    EXPECT_THROW(media.Read(1, out), XRead);
    media.SetPos(0);
    EXPECT_THROW(media.Read(INT_MAX, out), XRead);
    EXPECT_THROW(media.Read(-1, out), XRead);

    media.SetPos(4);
    EXPECT_NO_THROW(media.Read(0, out));
    media.SetPos(0);
    EXPECT_NO_THROW(media.Read(4, out));
    EXPECT_EQ(out[3], 4);
}

TEST(CMemoryMedia, CopiesSourceFromItsCurrentPosition)
{
    uint8_t bytes[4] = {9, 8, 7, 6};
    CMemoryMedia source(4, bytes);
    CMemoryMedia copy(&source);
    EXPECT_EQ(copy.GetSize(), 4);
    EXPECT_NE(copy.GetBufferPtr(), bytes);
    EXPECT_EQ(copy.Read32Bit(), 0x09080706u);

    // Not repositioned first: from position 1 the source lacks a whole size of bytes.
    source.SetPos(1);
    EXPECT_THROW(CMemoryMedia{&source}, XRead);
}

TEST(CMemoryMedia, RejectsImpossibleBlocks)
{
    EXPECT_THROW(CMemoryMedia(-1), XBase);
    EXPECT_THROW(CMemoryMedia(4, nullptr), XBase);
    CMemoryMedia empty(0);
    EXPECT_EQ(empty.GetSize(), 0);
    EXPECT_THROW(empty.ReadByte(), XRead);
}

class CPartialMediaTest : public ::testing::Test
{
protected:
    CPartialMediaTest() : fBase(100)
    {
        for (int i = 0; i < 100; ++i)
            fBase.GetBufferPtr()[i] = static_cast<uint8_t>(i);
    }
    CMemoryMedia fBase;
};

TEST_F(CPartialMediaTest, WindowPositionsAndSize)
{
    CPartialMedia window(&fBase, 10, 5);
    EXPECT_EQ(window.GetSize(), 5);
    EXPECT_NO_THROW(window.SetPos(5));
    EXPECT_EQ(fBase.GetPos(), 15);
    EXPECT_EQ(window.GetPos(), 5);
    EXPECT_THROW(window.SetPos(6), XPosition);
    EXPECT_THROW(window.SetPos(-11), XPosition);
    EXPECT_EQ(fBase.GetPos(), 15);
    EXPECT_NO_THROW(window.SetPos(-10));

    CPartialMedia toEnd(&fBase, 10, 0);
    EXPECT_EQ(toEnd.GetSize(), 90);
    CPartialMedia negative(&fBase, 10, -3);
    EXPECT_EQ(negative.GetSize(), 90);
}

TEST_F(CPartialMediaTest, ReadsStayInsideTheWindow)
{
    CPartialMedia window(&fBase, 10, 5);
    window.SetPos(0);
    uint8_t out[8] = {};
    window.Read(3, out);
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(window.Read16Bit(), 13 * 256 + 14);
    EXPECT_THROW(window.Read(1, out), XRead);
    EXPECT_EQ(window.GetPos(), 5);

    window.SetPos(3);
    EXPECT_THROW(window.Peek(3, out), XRead);
    window.Peek(2, out);
    EXPECT_EQ(out[0], 13);
    EXPECT_EQ(window.GetPos(), 3);

    // A base moved before the window must not let reads see bytes ahead of it.
    fBase.SetPos(5);
    EXPECT_THROW(window.Read(1, out), XRead);
}

TEST_F(CPartialMediaTest, UnboundedWindowReadsStopAtTheBaseEnd)
{
    CPartialMedia toEnd(&fBase, 90, 0);
    toEnd.SetPos(8);
    uint8_t out[4] = {};
    EXPECT_THROW(toEnd.Read(3, out), XRead);
    EXPECT_EQ(toEnd.GetPos(), 8);
    toEnd.Read(2, out);
    EXPECT_EQ(out[1], 99);
}

TEST_F(CPartialMediaTest, WritesAndMovesPastTheEndThrow)
{
    CPartialMedia window(&fBase, 10, 5);
    window.SetPos(4);
    const uint8_t two[2] = {0xEE, 0xEE};
    EXPECT_THROW(window.Write(2, two), XWrite);
    EXPECT_EQ(fBase.GetBufferPtr()[15], 15);
    window.Write(1, two);
    EXPECT_EQ(fBase.GetBufferPtr()[14], 0xEE);

    window.SetPos(2);
    EXPECT_THROW(window.SetRelativePos(4), XBase);
    EXPECT_THROW(window.SetRelativePos(-3), XBase);
    window.SetRelativePos(3);
    EXPECT_EQ(window.GetPos(), 5);
}

TEST_F(CPartialMediaTest, RangeAndByteCallsForwardWithTheOffset)
{
    CPartialMedia window(&fBase, 10, 5);
    uint8_t out[2] = {};
    window.ReadRange(1, 2, out);
    EXPECT_EQ(out[0], 11);
    EXPECT_EQ(window.ReadByte(), 13);
    EXPECT_EQ(window.PeekByte(), 14);
    EXPECT_THROW(window.ReadRange(INT_MAX, 1, out), XPosition);
}
