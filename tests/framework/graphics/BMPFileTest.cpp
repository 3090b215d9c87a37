// BMP files: the header's layout and checks, the pixel rows both ways, bad and truncated
// files, and the fuzz seeds.
#include "framework/files/XBase.h"
#include "framework/graphics/CBMPHeader.h"
#include "framework/graphics/CBMPUtils.h"
#include "framework/graphics/CBitmap1.h"
#include "framework/graphics/CBitmap16.h"
#include "framework/graphics/CBitmap32.h"
#include "framework/graphics/CBitmap8.h"
#include "framework/graphics/CPalette.h"
#include "framework/media/CMemoryMedia.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace NSWayfarer;

namespace
{

// A store of 0x00RRGGBB words with no padding.
std::vector<uint32_t> Pattern(int width, int height)
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(uint32_t((x * 37 + y) & 0xFF) << 16 | uint32_t((y * 11) & 0xFF) << 8 |
                             uint32_t((x * y + 5) & 0xFF));
    return pixels;
}

std::vector<uint8_t> WriteBMP(int width, int height, unsigned char depth, const void* pixels,
                              long rowBytes, const uint32_t* colors = nullptr)
{
    std::vector<uint8_t> file(size_t(CBMPUtils::Calc24BitBMPSize(short(width), short(height))));
    CMemoryMedia media(TMediaPos(file.size()), file.data());
    CBMPUtils::WritePixels(&media, short(width), short(height), depth,
                           static_cast<const unsigned char*>(pixels), rowBytes, colors);
    EXPECT_EQ(media.GetPos(), TMediaPos(file.size()));
    return file;
}

// Header and pixels of a BMP in memory, through the plain-store reader.
std::vector<uint32_t> ReadBMP(std::vector<uint8_t> file, CBMPHeader* out = nullptr)
{
    CMemoryMedia media(TMediaPos(file.size()), file.data());
    const CBMPHeader header = CBMPUtils::ReadHeader(&media);
    std::vector<uint32_t> pixels(size_t(header.fWidth) * size_t(header.GetPictureHeight()));
    CBMPUtils::ReadPixels(&media, 0, header, reinterpret_cast<unsigned char*>(pixels.data()),
                          long(header.fWidth) * 4);
    if (out)
        *out = header;
    return pixels;
}

void Put32(std::vector<uint8_t>& file, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        file.at(at + size_t(i)) = uint8_t(v >> (8 * i));
}

} // namespace

TEST(BMPFile, HeaderLayoutOfASmallPicture)
{
    const std::vector<uint32_t> pixels = Pattern(3, 2);
    const std::vector<uint8_t> file = WriteBMP(3, 2, 32, pixels.data(), 12);
    // 12-byte padded rows: 54 + 24.
    ASSERT_EQ(file.size(), 78u);
    const uint8_t expected[54] = {'B', 'M', 78,   0, 0, 0, 0,    0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
                                  3,   0,   0,    0, 2, 0, 0,    0, 1, 0, 24, 0, 0, 0, 0,  0, 0, 0,
                                  0,   0,   0xE8, 3, 0, 0, 0xE8, 3, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0};
    EXPECT_EQ(0, std::memcmp(file.data(), expected, 54));
    // The first stored row is the picture's bottom row, blue first.
    EXPECT_EQ(file[54], pixels[3] & 0xFF);
    EXPECT_EQ(file[55], (pixels[3] >> 8) & 0xFF);
    EXPECT_EQ(file[56], (pixels[3] >> 16) & 0xFF);

    CBMPHeader header;
    header.Unpack(file.data());
    EXPECT_EQ(header.fWidth, 3);
    EXPECT_EQ(header.fHeight, 2);
    EXPECT_EQ(header.fPixelDataOffset, 54u);
    EXPECT_EQ(header.fHorizontalResolution, 1000u);
    uint8_t repacked[54];
    header.Pack(repacked);
    EXPECT_EQ(0, std::memcmp(repacked, expected, 54));
}

TEST(BMPFile, RoundTripsFromEveryStoreDepth)
{
    for (const int width : {1, 2, 3, 4, 5, 17})
    {
        const int height = 3;
        const std::vector<uint32_t> p32 = Pattern(width, height);
        EXPECT_EQ(ReadBMP(WriteBMP(width, height, 32, p32.data(), long(width) * 4)), p32);

        std::vector<uint16_t> p16;
        std::vector<uint32_t> expect16;
        for (uint32_t c : p32)
        {
            p16.push_back(
                uint16_t(((c >> 19) & 0x1F) << 10 | ((c >> 11) & 0x1F) << 5 | ((c >> 3) & 0x1F)));
            expect16.push_back(c & 0xF8F8F8);
        }
        EXPECT_EQ(ReadBMP(WriteBMP(width, height, 16, p16.data(), long(width) * 2)), expect16);

        uint32_t colors[256];
        for (int i = 0; i < 256; ++i)
            colors[i] = uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint32_t(i * 7 & 0xFF);
        std::vector<uint8_t> p8;
        std::vector<uint32_t> expect8;
        for (size_t i = 0; i < p32.size(); ++i)
        {
            p8.push_back(uint8_t(i * 29));
            expect8.push_back(colors[uint8_t(i * 29)]);
        }
        EXPECT_EQ(ReadBMP(WriteBMP(width, height, 8, p8.data(), width, colors)), expect8);

        // 1 bit: 2 bytes per row, MSB first, set is black.
        std::vector<uint8_t> p1(size_t(height) * 4, 0);
        std::vector<uint32_t> expect1;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
            {
                const bool black = (x + y) % 3 == 0;
                if (black)
                    p1[size_t(y) * 4 + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
                expect1.push_back(black ? 0 : 0xFFFFFF);
            }
        EXPECT_EQ(ReadBMP(WriteBMP(width, height, 1, p1.data(), 4)), expect1);
    }
}

TEST(BMPFile, FullRed16BitPixelIsStoredAsTopBitsOnly)
{
    const uint16_t red = 0x1F << 10;
    const std::vector<uint8_t> file = WriteBMP(1, 1, 16, &red, 2);
    EXPECT_EQ(file[54], 0);
    EXPECT_EQ(file[55], 0);
    EXPECT_EQ(file[56], 248);
}

TEST(BMPFile, WriterRefusesStoresItCannotDescribe)
{
    uint8_t bytes[400] = {};
    CMemoryMedia media(sizeof bytes, bytes);
    uint32_t pixel = 0;
    EXPECT_THROW(CBMPUtils::WritePixels(&media, 1, 1, 24, bytes, 4, nullptr), XBadFormat);
    EXPECT_THROW(CBMPUtils::WritePixels(&media, 1, 1, 8, bytes, 4, nullptr), XBadFormat);
    EXPECT_THROW(
        CBMPUtils::WritePixels(&media, 0, 1, 32, reinterpret_cast<uint8_t*>(&pixel), 4, nullptr),
        XBadFormat);
    // Nothing was written by the refusals.
    EXPECT_EQ(media.GetPos(), 0);
}

TEST(BMPFile, ReaderHonoursOffsetsTopDownRowsAndAStartInsideTheStream)
{
    const std::vector<uint32_t> pixels = Pattern(2, 3);
    std::vector<uint8_t> file = WriteBMP(2, 3, 32, pixels.data(), 8);
    // Ten bytes between header and pixels.
    std::vector<uint8_t> spaced(file.size() + 10, 0xEE);
    std::copy(file.begin(), file.begin() + 54, spaced.begin());
    std::copy(file.begin() + 54, file.end(), spaced.begin() + 64);
    file = spaced;
    Put32(file, 10, 64);
    EXPECT_EQ(ReadBMP(file), pixels);

    // The same rows stored top-down, announced by a negative height.
    std::vector<uint8_t> topDown = file;
    Put32(topDown, 22, uint32_t(-3));
    for (int n = 0; n < 3; ++n)
        std::memcpy(topDown.data() + 64 + 8 * n, file.data() + 64 + 8 * (2 - n), 8);
    CBMPHeader header;
    EXPECT_EQ(ReadBMP(topDown, &header), pixels);
    EXPECT_TRUE(header.IsTopDown());

    // A picture behind other bytes: its offset counts from its own start.
    std::vector<uint8_t> stream(7 + file.size(), 0x55);
    std::copy(file.begin(), file.end(), stream.begin() + 7);
    CMemoryMedia media(TMediaPos(stream.size()), stream.data());
    media.SetPos(7);
    const CBMPHeader inside = CBMPUtils::ReadHeader(&media);
    std::vector<uint32_t> read(6);
    CBMPUtils::ReadPixels(&media, 7, inside, reinterpret_cast<unsigned char*>(read.data()), 8);
    EXPECT_EQ(read, pixels);
}

TEST(BMPFile, HeadersThatDoNotDescribeAReadablePictureAreRefused)
{
    const std::vector<uint32_t> pixels = Pattern(4, 4);
    const std::vector<uint8_t> good = WriteBMP(4, 4, 32, pixels.data(), 16);
    struct SCase
    {
        const char* mWhat;
        size_t mAt;
        int mBytes;
        uint32_t mValue;
    };
    const SCase cases[] = {
        {"magic", 0, 2, 'B' | 'A' << 8},
        {"planes", 26, 2, 2},
        {"depth 32", 28, 2, 32},
        {"depth 8", 28, 2, 8},
        {"compressed", 30, 4, 1},
        {"short info header", 14, 4, 12},
        {"zero width", 18, 4, 0},
        {"negative width", 18, 4, uint32_t(-4)},
        {"zero height", 22, 4, 0},
        {"width past 16 bits, low bits 4", 18, 4, 0x10004},
        {"height past 16 bits, low bits 4", 22, 4, 0x10004},
        {"height -32768", 22, 4, uint32_t(-32768)},
        {"offset inside the header", 10, 4, 20},
        {"offset past the end", 10, 4, 55},
        {"offset wrapping around", 10, 4, 0xFFFFFFF0},
        {"rows past the end", 22, 4, 5},
        {"huge picture", 18, 4, 32767},
    };
    for (const SCase& c : cases)
    {
        std::vector<uint8_t> bad = good;
        for (int i = 0; i < c.mBytes; ++i)
            bad[c.mAt + size_t(i)] = uint8_t(c.mValue >> (8 * i));
        EXPECT_THROW(ReadBMP(bad), XBadFormat) << c.mWhat;
    }
    // The size bound holds even when a stream really has the bytes.
    CBMPHeader huge = CBMPHeader::Make24Bit(32767, 32767);
    EXPECT_THROW(huge.Check(int64_t(1) << 40), XBadFormat);
    EXPECT_NO_THROW(CBMPHeader::Make24Bit(4096, 4096).Check(int64_t(1) << 40));
    // A longer information header is accepted when the offset steps over it.
    std::vector<uint8_t> longer = good;
    Put32(longer, 14, 108);
    EXPECT_EQ(ReadBMP(longer), pixels);
}

TEST(BMPFile, EveryTruncationEndsInBadFormat)
{
    const std::vector<uint32_t> pixels = Pattern(20, 13);
    const std::vector<uint8_t> good = WriteBMP(20, 13, 32, pixels.data(), 80);
    ASSERT_LT(good.size(), 1024u);
    // Through the bitmap reader, so that ASan sees nothing leak on the way out.
    for (size_t length = 0; length < good.size(); ++length)
    {
        std::vector<uint8_t> cut(good.begin(), good.begin() + long(length));
        CMemoryMedia media(TMediaPos(length), cut.data());
        EXPECT_THROW(delete CBMPUtils::UnpackBMPTo32Bit(&media), XBadFormat) << length;
    }
    EXPECT_EQ(ReadBMP(good), pixels);
}

TEST(BMPFile, BitmapsOfEveryDepthWriteAndReadBack)
{
    const short w = 11, h = 3;
    std::vector<std::unique_ptr<CABCBitmap>> bitmaps;
    bitmaps.push_back(std::make_unique<CBitmap32>(w, h));
    bitmaps.push_back(std::make_unique<CBitmap16>(w, h));
    CRGBColor free[236];
    for (int i = 0; i < 236; ++i)
        free[i].Set(uint16_t(i << 8), uint16_t((235 - i) << 8), uint16_t((i * 5 & 0xFF) << 8));
    const CPalette palette(free);
    bitmaps.push_back(std::make_unique<CBitmap8>(w, h, &palette));
    bitmaps.push_back(std::make_unique<CBitmap1>(w, h));
    for (auto& bitmap : bitmaps)
    {
        // Pixels the depth holds exactly, written through the bitmap's own layout.
        std::vector<uint32_t> expected;
        for (short y = 0; y < h; ++y)
            for (short x = 0; x < w; ++x)
            {
                uint32_t rgb = Pattern(w, h)[size_t(y * w + x)];
                switch (bitmap->GetBitDepth())
                {
                case 16:
                    rgb &= 0xF8F8F8;
                    break;
                case 8:
                {
                    const CRGBColor c = palette.GetColor(uint16_t((x * 7 + y * 3) & 0xFF));
                    rgb = uint32_t(c.GetRed() >> 8) << 16 | uint32_t(c.GetGreen() >> 8) << 8 |
                          uint32_t(c.GetBlue() >> 8);
                    break;
                }
                case 1:
                    rgb = (x + y) % 2 ? 0 : 0xFFFFFF;
                    break;
                }
                bitmap->SetPixel32(x, y, rgb);
                expected.push_back(bitmap->GetPixel32(x, y) & 0xFFFFFF);
            }
        std::vector<uint8_t> file(size_t(CBMPUtils::Calc24BitBMPSize(w, h)));
        CMemoryMedia out(TMediaPos(file.size()), file.data());
        CBMPUtils::PackTo24BitBMP(&out, bitmap.get());
        ASSERT_EQ(out.GetPos(), TMediaPos(file.size()));
        out.SetPos(0);
        const std::unique_ptr<CBitmap32> back(CBMPUtils::UnpackBMPTo32Bit(&out));
        ASSERT_EQ(back->GetWidth(), w);
        ASSERT_EQ(back->GetHeight(), h);
        std::vector<uint32_t> read;
        for (short y = 0; y < h; ++y)
            for (short x = 0; x < w; ++x)
                read.push_back(back->GetPixel32(x, y) & 0xFFFFFF);
        if (bitmap->GetBitDepth() == 16)
            for (uint32_t& e : expected)
                e &= 0xF8F8F8;
        EXPECT_EQ(read, expected) << int(bitmap->GetBitDepth());
        // The unused byte of what was read is 0.
        EXPECT_EQ(back->GetRow(0)[0] >> 24, 0u);
    }
}

// The fuzzer's seeds: small pictures of each shape the reader takes. Each must read;
// with KELT_WRITE_FUZZ_SEEDS set to a folder they are written there.
TEST(BMPFile, FuzzSeedsRead)
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> seeds;
    const std::vector<uint32_t> p31 = Pattern(3, 1);
    seeds.push_back({"one-row.bmp", WriteBMP(3, 1, 32, p31.data(), 12)});
    const std::vector<uint32_t> p57 = Pattern(5, 7);
    seeds.push_back({"five-by-seven.bmp", WriteBMP(5, 7, 32, p57.data(), 20)});
    const uint16_t red = 0x7C00;
    seeds.push_back({"one-pixel.bmp", WriteBMP(1, 1, 16, &red, 2)});
    std::vector<uint8_t> topDown = WriteBMP(5, 7, 32, p57.data(), 20);
    Put32(topDown, 22, uint32_t(-7));
    seeds.push_back({"top-down.bmp", topDown});
    std::vector<uint8_t> longer(WriteBMP(3, 1, 32, p31.data(), 12).size() + 68, 0);
    {
        const std::vector<uint8_t> plain = WriteBMP(3, 1, 32, p31.data(), 12);
        std::copy(plain.begin(), plain.begin() + 54, longer.begin());
        std::copy(plain.begin() + 54, plain.end(), longer.begin() + 122);
        Put32(longer, 14, 108);
        Put32(longer, 10, 122);
        Put32(longer, 2, uint32_t(longer.size()));
    }
    seeds.push_back({"long-info-header.bmp", longer});

    const char* folder = std::getenv("KELT_WRITE_FUZZ_SEEDS");
    for (const auto& [name, bytes] : seeds)
    {
        EXPECT_NO_THROW(ReadBMP(bytes)) << name;
        if (folder != nullptr)
        {
            std::ofstream out(std::string(folder) + "/" + name, std::ios::binary);
            out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            EXPECT_TRUE(out.good()) << name;
        }
    }
}
