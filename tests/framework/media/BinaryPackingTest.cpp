#include "framework/media/BinaryPacking.h"
#include "framework/media/CFileBinary.h"
#include "framework/media/CMemoryMedia.h"

#include <gtest/gtest.h>

#include "framework/files/XBase.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace NSWayfarer;

namespace
{

using TBytes = std::vector<uint8_t>;

TBytes IEEE80(double value)
{
    TBytes out(10, 0xEE);
    PackIEEE80Big(out.data(), value);
    return out;
}

} // namespace

TEST(BinaryPacking, ByteOrders)
{
    uint8_t b[4] = {};
    Pack32BitUnsignedBig(b, 0x12345678);
    EXPECT_EQ(TBytes(b, b + 4), (TBytes{0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(Unpack32BitUnsignedBig(b), 0x12345678u);
    Pack32BitUnsignedLittle(b, 0x12345678);
    EXPECT_EQ(TBytes(b, b + 4), (TBytes{0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(Unpack32BitUnsignedLittle(b), 0x12345678u);
    Pack24BitUnsignedBig(b, 0xFFABCDEF);
    EXPECT_EQ(TBytes(b, b + 3), (TBytes{0xAB, 0xCD, 0xEF}));
    EXPECT_EQ(Unpack24BitUnsignedBig(b), 0xABCDEFu);
    Pack16BitUnsignedBig(b, 0xA1B2);
    EXPECT_EQ(Unpack16BitUnsignedLittle(b), 0xB2A1);
    Pack16BitUnsignedLittle(b, 0xA1B2);
    EXPECT_EQ(Unpack16BitUnsignedBig(b), 0xB2A1);

    EXPECT_EQ(PackBool(true), 1);
    EXPECT_TRUE(UnpackBool(0x80));
    EXPECT_FALSE(UnpackBool(0));

    char chars[5];
    Pack4Chars(b, "TQOS");
    Unpack4Chars(b, chars);
    EXPECT_STREQ(chars, "TQOS");
    // A short code must not pull in the bytes behind its terminator.
    const char shortCode[6] = {'a', 'b', 0, 'X', 'Y', 'Z'};
    Pack4Chars(b, shortCode);
    EXPECT_EQ(TBytes(b, b + 4), (TBytes{'a', 'b', 0, 0}));

    EXPECT_EQ(BytesToLong(1, 2, 3, 4), 0x01020304u);
    EXPECT_EQ(WordsToLong(0x1234, 0x5678), 0x12345678u);
    EXPECT_EQ(GetHiWord(0x12345678), 0x1234);
    EXPECT_EQ(GetLoByte(0x1234), 0x34);
    EXPECT_EQ(NybblesToByte(0x1F, 0x3), 0xF3);
    EXPECT_EQ(SwapWord(0x1234), 0x3412);
    uint8_t l[4] = {1, 2, 3, 4};
    SwapLongBytes(l);
    EXPECT_EQ(TBytes(l, l + 4), (TBytes{4, 3, 2, 1}));
    uint16_t words[2] = {0x0102, 0x0304};
    SwapWordArray(words, 2);
    EXPECT_EQ(words[1], 0x0403);
}

TEST(BinaryPacking, StringsWithZero)
{
    uint8_t out[200];
    std::memset(out, 0xEE, sizeof(out));
    PackStringWithZero(out, 10, "ab\ncd\n");
    EXPECT_STREQ(reinterpret_cast<char*>(out), "abcd");
    EXPECT_EQ(out[10], 0);
    EXPECT_EQ(out[11], 0xEE);

    const std::string longName(200, 'n');
    uint8_t big[140];
    PackStringWithZero(big, 128, longName.c_str());
    EXPECT_EQ(std::strlen(reinterpret_cast<char*>(big)), 128u);

    char text[16];
    const uint8_t raw[6] = {'h', 'i', 0, 'x', 'y', 'z'};
    UnpackStringWithZero(raw, 6, text);
    EXPECT_STREQ(text, "hi");
    UnpackStringWithZero(raw + 3, 2, text);
    EXPECT_STREQ(text, "xy");
    UnpackFixedSizeStringNoZero(raw + 3, text, 3);
    EXPECT_STREQ(text, "xyz");

    // Platform text goes out in the portable set, bounded by the room given.
    PackString("caf\x8E", out, 10);
    EXPECT_STREQ(reinterpret_cast<char*>(out), "caf\xE9");
    PackString("abcdef", out, 4);
    EXPECT_STREQ(reinterpret_cast<char*>(out), "abc");
    UnpackString(text, reinterpret_cast<const uint8_t*>("caf\xE9"), 16);
    EXPECT_STREQ(text, "caf\x8E");
}

TEST(BinaryPacking, NibblesAndSmallFields)
{
    const uint8_t in[2] = {0xAB, 0x12};
    uint8_t nib[4];
    NibbleizeLittleEndian(nib, in, 2);
    EXPECT_EQ(TBytes(nib, nib + 4), (TBytes{0xB, 0xA, 0x2, 0x1}));
    uint8_t back[2];
    UnnibbleizeLittleEndian(back, nib, 2);
    EXPECT_EQ(TBytes(back, back + 2), TBytes(in, in + 2));
    EXPECT_EQ(big4encode(nib, 2, in), nib + 4);
    EXPECT_EQ(TBytes(nib, nib + 4), (TBytes{0xA, 0xB, 0x1, 0x2}));
    UnnibbleizeBigEndian(back, nib, 2);
    EXPECT_EQ(back[0], 0xAB);
    nib[1] |= 0xF0; // stray high bits are masked off when decoding
    EXPECT_EQ(big4decode(nib, 2, back), nib + 4);
    EXPECT_EQ(TBytes(back, back + 2), TBytes(in, in + 2));

    uint8_t groups[6];
    big7split(300, 2, groups);
    EXPECT_EQ(TBytes(groups, groups + 2), (TBytes{0x02, 0x2C}));
    uint32_t value = 0;
    big7join(2, groups, &value);
    EXPECT_EQ(value, 300u);
    big7split(0xFFFFFFFF, 6, groups); // the top group lies beyond 32 bits
    EXPECT_EQ(groups[0], 0);
    EXPECT_EQ(groups[1], 0x0F);
    value = 0;
    big7join(6, groups, &value);
    EXPECT_EQ(value, 0xFFFFFFFFu);
    big4split(0xBEEF, 4, groups);
    EXPECT_EQ(TBytes(groups, groups + 4), (TBytes{0xB, 0xE, 0xE, 0xF}));
    value = 1;
    big4join(1, groups, &value);
    EXPECT_EQ(value, 0x1Bu);

    EXPECT_EQ(Calc32BitChecksum(nullptr, 0), 0u);
    const TBytes ff(0x01000001, 0xFF);
    EXPECT_EQ(Calc32BitChecksum(ff.data(), uint32_t(ff.size())), uint32_t(0xFFull * 0x01000001));
}

TEST(SevenBitPacking, FramesCarryTheTopBitsInTheirLastByte)
{
    EXPECT_EQ(MAX_PACKED_7BIT::EightBitSizeTo7Bit(7), 8);
    EXPECT_EQ(MAX_PACKED_7BIT::EightBitSizeTo7Bit(8), 16);
    EXPECT_EQ(MAX_PACKED_7BIT::EightBitSizeTo7Bit(0), 0);

    const uint8_t in[7] = {0xFF, 0, 0, 0, 0, 0, 0x80};
    uint8_t frame[8];
    MAX_PACKED_7BIT::PackFrame(frame, in);
    EXPECT_EQ(TBytes(frame, frame + 8), (TBytes{0x7F, 0, 0, 0, 0, 0, 0, 0x41}));
    uint8_t back[7];
    MAX_PACKED_7BIT::UnpackFrame(frame, back);
    EXPECT_EQ(TBytes(back, back + 7), TBytes(in, in + 7));
}

TEST(SevenBitPacking, UnpackStoresExactlyTheRequestedBytes)
{
    TBytes data(10);
    for (int i = 0; i < 10; ++i)
        data[i] = uint8_t(0x80 + i * 13);
    TBytes packed(16, 0xEE);
    MAX_PACKED_7BIT::Pack(packed.data(), data.data(), 10);
    for (uint8_t b : packed)
        EXPECT_EQ(b & 0x80, 0);
    // Data bytes 10 to 13 of the last frame are padding.
    EXPECT_EQ(TBytes(packed.begin() + 11, packed.begin() + 14), TBytes(3, 0));
    TBytes out(12, 0xEE);
    MAX_PACKED_7BIT::Unpack(packed.data(), out.data(), 10);
    EXPECT_EQ(TBytes(out.begin(), out.begin() + 10), data);
    EXPECT_EQ(out[10], 0xEE);
    EXPECT_EQ(out[11], 0xEE);
}

TEST(IEEE80, KnownEncodingsAndRoundTrips)
{
    EXPECT_EQ(IEEE80(1.0), (TBytes{0x3F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(IEEE80(-2.0), (TBytes{0xC0, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(IEEE80(0.0), TBytes(10, 0));
    EXPECT_EQ(IEEE80(44100.0), (TBytes{0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(UnpackIEEE80Big(IEEE80(-2.0).data()), -2.0);

    for (double v : {3.0, 8.0, 0.1, 1.0 / 3.0, 1e-300, 6.02e23, 2.0 - 1e-15, 4.9e-324, -1e300})
        EXPECT_EQ(UnpackIEEE80Big(IEEE80(v).data()), v) << v;

    // A power of two must keep its leading 1 in bit 31 exactly.
    for (int p = -1000; p <= 1000; p += 37)
        EXPECT_EQ(IEEE80(std::ldexp(1.0, p))[2], 0x80) << p;

    EXPECT_TRUE(std::isinf(UnpackIEEE80Big(IEEE80(INFINITY).data())));
    EXPECT_TRUE(std::isnan(UnpackIEEE80Big(IEEE80(NAN).data())));

    uint8_t out[10];
    PackIEEE80BigFromLong(out, -123456);
    EXPECT_EQ(UnpackIEEE80BigToLong(out), -123456);
    PackIEEE80Big(out, -7.9);
    EXPECT_EQ(UnpackIEEE80BigToLong(out), -7);
    const uint8_t huge[10] = {0x7F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(UnpackIEEE80BigToLong(huge), std::numeric_limits<long>::max());
}

TEST(CFileBinary, PacksTheFixedLayoutAndReadsItBack)
{
    const CVersion version(2, 5, 1);
    const CFileBinary record(0x41424344, &version, "name\nwith feed");
    uint8_t packed[256];
    std::memset(packed, 0xEE, sizeof(packed));
    record.Pack(packed);
    EXPECT_EQ(TBytes(packed, packed + 9), (TBytes{0x41, 0x42, 0x43, 0x44, 0xBC, 2, 5, 1, 0}));
    EXPECT_STREQ(reinterpret_cast<char*>(packed + 9), "namewith feed");
    EXPECT_EQ(TBytes(packed + 138, packed + 256), TBytes(118, 0));

    CMemoryMedia media(256);
    record.Write(&media);
    EXPECT_EQ(media.GetPos(), 256);
    media.SetPos(0);
    const CFileBinary back(&media);
    EXPECT_EQ(back.GetType(), 0x41424344u);
    EXPECT_TRUE(back.GetVersion().IsEqual(version));
    EXPECT_STREQ(back.GetName(), "namewith feed");

    // A wrong version tag leaves the version alone; a full-length name stays bounded.
    packed[4] = 0;
    std::memset(packed + 9, 'z', 129);
    CFileBinary other(0, &version, std::string(300, 'q').c_str());
    EXPECT_EQ(std::strlen(other.GetName()), 128u);
    other.Unpack(packed);
    EXPECT_TRUE(other.GetVersion().IsEqual(version));
    EXPECT_EQ(std::string(other.GetName()), std::string(128, 'z'));

    media.SetPos(1);
    EXPECT_THROW(CFileBinary{&media}, XRead);
}
