#include "Portable/update/Crc16.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace
{

// Bit-at-a-time reference over the same polynomial, independent of the table.
uint16_t ReferenceCrc(const std::vector<uint8_t>& bytes)
{
    uint16_t crc = 0;
    for (uint8_t b : bytes)
    {
        crc ^= static_cast<uint16_t>(b << 8);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<uint16_t>(crc << 1);
    }
    return crc;
}

// A request as it travels: frame length, code, CRC of the code, all big-endian.
std::array<uint8_t, 5> RequestFrame(uint8_t code)
{
    const uint16_t crc = CalcCrc16(&code, 1);
    return {0x00, 0x05, code, static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc & 0xFF)};
}

} // namespace

TEST(Crc16, CheckValueAndTableAgreeWithReference)
{
    CRCinit();
    const char* text = "123456789";
    EXPECT_EQ(CalcCrc16(text, 9), 0x31C3);
    EXPECT_EQ(CalcCrc16(text, 0), 0);

    std::vector<uint8_t> bytes;
    uint32_t seed = 12345;
    for (int i = 0; i < 3000; ++i)
    {
        seed = seed * 1103515245u + 12345u;
        bytes.push_back(static_cast<uint8_t>(seed >> 16));
    }
    for (size_t len : {size_t{1}, size_t{7}, size_t{8}, size_t{9}, size_t{1000}, bytes.size()})
    {
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(len));
        EXPECT_EQ(CalcCrc16(part.data(), part.size()), ReferenceCrc(part)) << "length " << len;
    }
}

TEST(Crc16, ContinuesFromAPreviousValue)
{
    const char* text = "123456789";
    const uint16_t head = CalcCrc16(text, 4);
    EXPECT_EQ(CalcCrc16(text + 4, 5, head), 0x31C3);
}

TEST(Crc16, TableIsValidBeforeAndAfterInit)
{
    // The table is filled at program start; CRCinit must reproduce it exactly.
    const auto before = gCrc16;
    CRCinit();
    EXPECT_EQ(before, gCrc16);
    EXPECT_EQ(gCrc16[0], 0x0000);
    EXPECT_EQ(gCrc16[1], 0x1021);
}

TEST(Crc16, RequestFramesMatchTheWireBytes)
{
    CRCinit();
    EXPECT_EQ(RequestFrame(0x80), (std::array<uint8_t, 5>{0x00, 0x05, 0x80, 0x91, 0x88}));
    EXPECT_EQ(RequestFrame(0x81), (std::array<uint8_t, 5>{0x00, 0x05, 0x81, 0x81, 0xA9}));
    EXPECT_EQ(RequestFrame(0x83), (std::array<uint8_t, 5>{0x00, 0x05, 0x83, 0xA1, 0xEB}));
}
