#include "Portable/update/ByteOrder.h"
#include "Portable/update/SumBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(ByteOrder, StoredBigEndianReadsTheSameOnEveryHost)
{
    const uint8_t bytes[4] = {0x12, 0x34, 0x56, 0x78};
    uint32_t raw32;
    uint16_t raw16;
    std::memcpy(&raw32, bytes, 4);
    std::memcpy(&raw16, bytes, 2);
    EXPECT_EQ(BigToHost32(raw32), 0x12345678u);
    EXPECT_EQ(BigToHost16(raw16), 0x1234);
    EXPECT_EQ(LoadBig32(bytes), 0x12345678u);
    EXPECT_EQ(LoadBig16(bytes + 2), 0x5678);

    uint32_t back = HostToBig32(0x12345678u);
    EXPECT_EQ(std::memcmp(&back, bytes, 4), 0);

    uint8_t out[4] = {};
    StoreBig32(out, 0xA1B2C3D4u);
    EXPECT_EQ(out[0], 0xA1);
    EXPECT_EQ(out[3], 0xD4);
    StoreBig16(out, 0xBEEF);
    EXPECT_EQ(out[0], 0xBE);
    EXPECT_EQ(out[1], 0xEF);

    EXPECT_EQ(swap16(0x1234), 0x3412);
    EXPECT_EQ(swap32(0x12345678u), 0x78563412u);
}

TEST(SumBytes, MatchesAPlainSumAtEveryLengthAndAlignment)
{
    std::vector<uint8_t> data(5000);
    uint32_t x = 7;
    for (uint8_t& b : data)
    {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    for (size_t start : {size_t{0}, size_t{1}, size_t{3}, size_t{7}})
    {
        for (size_t len : {size_t{0}, size_t{1}, size_t{7}, size_t{8}, size_t{9}, size_t{1023},
                           size_t{1024}, size_t{1025}, size_t{4000}})
        {
            uint32_t plain = 5;
            for (size_t i = 0; i < len; ++i)
                plain += data[start + i];
            EXPECT_EQ(SumBytes(data.data() + start, len, 5), plain) << start << "/" << len;
        }
    }
}

TEST(SumBytes, AllOnesDoNotOverflowTheLanesAndTheTotalWraps)
{
    std::vector<uint8_t> ones(1 << 20, 0xFF);
    EXPECT_EQ(SumBytes(ones.data(), ones.size()), 0xFFu * (1u << 20));
    // 32-bit wrap-around, as the instrument computes it.
    EXPECT_EQ(SumBytes(ones.data(), 16, 0xFFFFFFFFu), 0xFFu * 16 - 1);
}
