// JPEG pictures made here with the library's compressor, decoded to every depth and compared
// with the library's own decode of the same data.
#include "framework/files/XBase.h"
#include "framework/graphics/CBitmap16.h"
#include "framework/graphics/CBitmap32.h"
#include "framework/graphics/CBitmap8.h"
#include "framework/graphics/CBitmapDest.h"
#include "framework/graphics/CBitmapUtils.h"
#include "framework/graphics/CPalette.h"
#include "framework/graphics/CPixel32.h"
#include "framework/media/CMemoryMedia.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include <jpeglib.h>

namespace NSWayfarer
{
namespace
{

using TBytes = std::vector<uint8_t>;

// components 1 (grey) or 3 (RGB), pixels row by row.
TBytes Compress(int width, int height, int components, const std::vector<uint8_t>& pixels,
                bool progressive = false, int quality = 100)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < height; ++y)
    {
        JSAMPROW row = const_cast<JSAMPROW>(&pixels[static_cast<size_t>(y * width * components)]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    TBytes result(out, out + size);
    std::free(out);
    return result;
}

// The library's own decode to red, green, blue bytes.
std::vector<uint8_t> ReferenceDecode(const TBytes& data, int* width, int* height)
{
    jpeg_decompress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), data.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    *width = static_cast<int>(info.output_width);
    *height = static_cast<int>(info.output_height);
    std::vector<uint8_t> rgb(static_cast<size_t>(*width * *height * 3));
    while (info.output_scanline < info.output_height)
    {
        JSAMPROW row = &rgb[static_cast<size_t>(info.output_scanline) * *width * 3];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return rgb;
}

std::vector<uint8_t> Gradient(int width, int height)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(width * height * 3));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            uint8_t* p = &rgb[static_cast<size_t>((y * width + x) * 3)];
            p[0] = static_cast<uint8_t>(x * 255 / std::max(width - 1, 1));
            p[1] = static_cast<uint8_t>(y * 255 / std::max(height - 1, 1));
            p[2] = static_cast<uint8_t>((x + y) & 0xFF);
        }
    return rgb;
}

std::unique_ptr<CABCBitmap> Decode(const TBytes& data, unsigned char depth,
                                   const CPalette* palette = nullptr)
{
    const CBitmapDest dest(depth, palette);
    // A memory media cannot be empty.
    if (data.empty())
        return std::unique_ptr<CABCBitmap>(CBitmapUtils::UnpackJPEG(&dest, data.data(), 0));
    CMemoryMedia media(static_cast<TMediaPos>(data.size()), const_cast<uint8_t*>(data.data()));
    return std::unique_ptr<CABCBitmap>(CBitmapUtils::UnpackJPEG(&dest, &media));
}

// The pictures the fuzzer starts from are the ones these tests make.
void WriteSeed(const char* name, const TBytes& data)
{
    const char* folder = std::getenv("KELT_WRITE_FUZZ_SEEDS");
    if (folder == nullptr)
        return;
    std::filesystem::create_directories(folder);
    std::ofstream(std::filesystem::path(folder) / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()),
               static_cast<std::streamsize>(data.size()));
}

TEST(JPEGDecoding, ThirtyTwoBitsAreTheLibrarysOwnDecode)
{
    for (const int width : {1, 2, 37, 2048, 3000})
    {
        const int height = width > 100 ? 9 : 23;
        const TBytes data = Compress(width, height, 3, Gradient(width, height), false, 90);
        if (width == 37)
            WriteSeed("gradient.jpg", data);
        int w = 0;
        int h = 0;
        const std::vector<uint8_t> reference = ReferenceDecode(data, &w, &h);
        const std::unique_ptr<CABCBitmap> bitmap = Decode(data, 32);
        ASSERT_EQ(bitmap->GetBitDepth(), 32);
        ASSERT_EQ(bitmap->GetWidth(), width);
        ASSERT_EQ(bitmap->GetHeight(), height);
        const auto& b = static_cast<const CBitmap32&>(*bitmap);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                const uint8_t* p = &reference[static_cast<size_t>((y * w + x) * 3)];
                // The unused byte is 0 in decoded pictures.
                ASSERT_EQ(b.GetRow(y)[x], CPixel32::Make(p[0], p[1], p[2]))
                    << width << ": " << x << "," << y;
            }
    }
}

TEST(JPEGDecoding, GreyAndWhitePicturesAtEveryDepth)
{
    const TBytes white = Compress(16, 8, 1, std::vector<uint8_t>(16 * 8, 255));
    const TBytes grey = Compress(16, 8, 1, std::vector<uint8_t>(16 * 8, 0x80));
    WriteSeed("grey.jpg", grey);
    const std::unique_ptr<CABCBitmap> w32 = Decode(white, 32);
    const std::unique_ptr<CABCBitmap> g32 = Decode(grey, 32);
    const std::unique_ptr<CABCBitmap> w16 = Decode(white, 16);
    const std::unique_ptr<CABCBitmap> w8 = Decode(white, 8);
    const std::unique_ptr<CABCBitmap> g8 = Decode(grey, 8);
    ASSERT_EQ(w16->GetBitDepth(), 16);
    ASSERT_EQ(w8->GetBitDepth(), 8);
    const SColorTable& table = *w8->GetColorTable();
    for (short y = 0; y < 8; ++y)
        for (short x = 0; x < 16; ++x)
        {
            EXPECT_EQ(w32->GetPixel32(x, y), 0xFFFFFFu);
            EXPECT_EQ(g32->GetPixel32(x, y), 0x808080u);
            EXPECT_EQ(
                reinterpret_cast<const uint16_t*>(w16->GetPixelPtr() + y * w16->GetRowBytes())[x],
                CPixel32::Make16(31, 31, 31));
            // The quantiser looks colours up by cells of a few values, and diffuses what it
            // misses: near, not exact.
            const uint8_t white = w8->GetPixelPtr()[y * w8->GetRowBytes() + x];
            EXPECT_GE(table.mEntries[white].mRed >> 8, 0xF8);
            const uint8_t index = g8->GetPixelPtr()[y * g8->GetRowBytes() + x];
            EXPECT_NEAR(table.mEntries[index].mRed >> 8, 0x80, 4);
            EXPECT_EQ(table.mEntries[index].mRed, table.mEntries[index].mBlue);
        }
}

TEST(JPEGDecoding, SixteenBitsDiffuseTheErrorAcrossRowsAndColumns)
{
    // Grey 134 everywhere: v = 134 + carry + error above; 5 bits are v >> 3 and the new error
    // (v >> 1) & 3 goes right and down. Row 0: 134 -> 16 (error 3), 137 -> 17 (0).
    // Row 1 starts with the carry of row 0's last pixel: 134 + 0 + 3 -> 17 (0), 134 -> 16.
    const TBytes data = Compress(2, 2, 1, std::vector<uint8_t>(4, 134));
    int w = 0;
    int h = 0;
    ASSERT_EQ(ReferenceDecode(data, &w, &h)[0], 134);
    const std::unique_ptr<CABCBitmap> b = Decode(data, 16);
    auto five = [&](int x, int y)
    {
        return CPixel32::Red16(
            reinterpret_cast<const uint16_t*>(b->GetPixelPtr() + y * b->GetRowBytes())[x]);
    };
    EXPECT_EQ(five(0, 0), 16);
    EXPECT_EQ(five(1, 0), 17);
    EXPECT_EQ(five(0, 1), 17);
    EXPECT_EQ(five(1, 1), 16);
}

TEST(JPEGDecoding, EightBitsUseTheDestinationsColours)
{
    // A palette whose free colours include pure red and pure blue: a picture of those two
    // colours decodes to exactly their indices (nothing to diffuse).
    std::vector<CRGBColor> free(CPalette::kFreeColorCount, CRGBColor(0x4000, 0x4000, 0x4000));
    free[10] = CRGBColor(0xFF00, 0, 0);
    free[200] = CRGBColor(0, 0, 0xFF00);
    const CPalette palette(free.data());
    std::vector<uint8_t> rgb(32 * 16 * 3, 0);
    for (int i = 0; i < 32 * 16; ++i)
        rgb[static_cast<size_t>(i * 3 + (i % 32 < 16 ? 0 : 2))] = 255;
    const TBytes data = Compress(32, 16, 3, rgb);
    WriteSeed("two-colours.jpg", data);
    const std::unique_ptr<CABCBitmap> b = Decode(data, 8, &palette);
    ASSERT_EQ(b->GetBitDepth(), 8);
    // Away from the edge between them, where the JPEG itself blurs.
    for (int y = 0; y < 16; ++y)
    {
        EXPECT_EQ(b->GetPixelPtr()[y * b->GetRowBytes() + 3], 15);
        EXPECT_EQ(b->GetPixelPtr()[y * b->GetRowBytes() + 28], 205);
    }
}

TEST(JPEGDecoding, BadPicturesEndInXBadFormatOrAPartialPicture)
{
    const TBytes good = Compress(64, 48, 3, Gradient(64, 48), false, 75);
    const TBytes progressive = Compress(64, 48, 3, Gradient(64, 48), true, 75);
    WriteSeed("progressive.jpg", progressive);
    for (const TBytes* source : {&good, &progressive})
        for (size_t length = 0; length <= std::min<size_t>(source->size(), 1024); ++length)
        {
            const TBytes cut(source->begin(), source->begin() + static_cast<long>(length));
            for (const unsigned char depth : {8, 16, 32})
            {
                try
                {
                    const std::unique_ptr<CABCBitmap> b = Decode(cut, depth);
                    EXPECT_EQ(b->GetWidth(), 64);
                }
                catch (const XBadFormat&)
                {
                }
            }
        }
    // Cut half way through the scan: the rows that were there decode, the rest is filled in.
    const TBytes big = Compress(256, 128, 3, Gradient(256, 128), false, 75);
    size_t scan = 0;
    while (scan + 1 < big.size() && !(big[scan] == 0xFF && big[scan + 1] == 0xDA))
        ++scan;
    const TBytes half(big.begin(), big.begin() + static_cast<long>(scan + (big.size() - scan) / 2));
    // The decoder's warnings about the missing data are not printed.
    testing::internal::CaptureStderr();
    const std::unique_ptr<CABCBitmap> b = Decode(half, 32);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    int w = 0;
    int h = 0;
    const std::vector<uint8_t> reference = ReferenceDecode(big, &w, &h);
    for (short x = 0; x < 256; x += 51)
        EXPECT_EQ(b->GetPixel32(x, 1),
                  CPixel32::Make(reference[static_cast<size_t>(w + x) * 3],
                                 reference[static_cast<size_t>(w + x) * 3 + 1],
                                 reference[static_cast<size_t>(w + x) * 3 + 2]));

    // Every byte of the first 600 flipped in turn.
    for (size_t i = 0; i < std::min<size_t>(good.size(), 600); ++i)
    {
        TBytes corrupt = good;
        corrupt[i] ^= 0xA5;
        try
        {
            Decode(corrupt, 16);
        }
        catch (const XBadFormat&)
        {
        }
    }
    EXPECT_THROW(Decode(TBytes{0x12, 0x34}, 32), XBadFormat);
    EXPECT_THROW(Decode(TBytes{}, 32), XBadFormat);
}

TEST(JPEGDecoding, HugeDimensionsAreRefusedBeforeDecoding)
{
    TBytes data = Compress(8, 8, 1, std::vector<uint8_t>(64, 7));
    // The frame header's height and width (after FF C0, length, precision).
    for (size_t i = 0; i + 8 < data.size(); ++i)
        if (data[i] == 0xFF && data[i + 1] == 0xC0)
        {
            data[i + 5] = 0xFF;
            data[i + 6] = 0xF0;
            data[i + 7] = 0xFF;
            data[i + 8] = 0xF0;
            break;
        }
    WriteSeed("huge.jpg", data);
    for (const unsigned char depth : {8, 16, 32})
        EXPECT_THROW(Decode(data, depth), XBadFormat);
}

TEST(JPEGDecoding, PictureColoursComeFromTheQuantiser)
{
    std::vector<uint8_t> rgb(32 * 32 * 3);
    for (int i = 0; i < 32 * 32; ++i)
    {
        const bool green = (i / 32) < 16;
        rgb[static_cast<size_t>(i * 3 + 1)] = green ? 200 : 0;
        rgb[static_cast<size_t>(i * 3 + 2)] = green ? 0 : 220;
    }
    const TBytes data = Compress(32, 32, 3, rgb);
    const std::unique_ptr<CPalette> palette(CPalette::MakeFromJPEG(data.data(), data.size()));
    EXPECT_EQ(palette->GetColor(0).GetRed(), 65535);
    EXPECT_EQ(palette->GetColor(255).GetRed(), 0);
    bool greenFound = false;
    bool blueFound = false;
    for (unsigned short i = 5; i <= 240; ++i)
    {
        const CRGBColor c = palette->GetColor(i);
        greenFound |=
            c.GetRed() < 0x800 && std::abs((c.GetGreen() >> 8) - 200) <= 3 && c.GetBlue() < 0x800;
        blueFound |=
            c.GetRed() < 0x800 && c.GetGreen() < 0x800 && std::abs((c.GetBlue() >> 8) - 220) <= 3;
    }
    EXPECT_TRUE(greenFound);
    EXPECT_TRUE(blueFound);
    EXPECT_THROW(CPalette::MakeFromJPEG(data.data(), 3), XBadFormat);
}

} // namespace
} // namespace NSWayfarer
