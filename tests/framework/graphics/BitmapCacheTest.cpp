// The bitmap cache and drawing by identifier through the application object: decode once,
// order and flushing, frame rectangles of sequences, missing pictures, screen changes.
#include "framework/application/CApplication.h"
#include "framework/files/XBase.h"
#include "framework/graphics/CBMPUtils.h"
#include "framework/graphics/CBitmap1.h"
#include "framework/graphics/CBitmap32.h"
#include "framework/graphics/CBitmapCache.h"
#include "framework/graphics/CBitmapDest.h"
#include "framework/graphics/CBitmapSequence.h"
#include "framework/graphics/CBitmapUtils.h"
#include "framework/graphics/CFilmStrip.h"
#include "framework/graphics/CGraphicManager.h"
#include "framework/graphics/CTransparentBitmap.h"
#include "framework/media/CMemoryMedia.h"
#include "platform/resources/CResourceManager.h"
#include "tests/framework/application/ResourceImageForTests.h"

#include "SurfaceCanvas.h"

#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace NSWayfarer;

namespace
{

// A JPEG of a width x height picture in one colour, made by the library's compressor.
std::vector<uint8_t> MakeJPEG(int width, int height, uint8_t r, uint8_t g, uint8_t b)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(size_t(width) * 3);
    for (int x = 0; x < width; ++x)
    {
        row[size_t(x) * 3] = r;
        row[size_t(x) * 3 + 1] = g;
        row[size_t(x) * 3 + 2] = b;
    }
    while (cinfo.next_scanline < cinfo.image_height)
    {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + outSize);
    std::free(out);
    return bytes;
}

// A 2 x 2 BMP: bottom-left white, the rest black.
std::vector<uint8_t> MakeBMP()
{
    const uint32_t pixels[4] = {0x000000, 0x000000, 0xFFFFFF, 0x000000};
    std::vector<uint8_t> file(size_t(CBMPUtils::Calc24BitBMPSize(2, 2)));
    CMemoryMedia media(TMediaPos(file.size()), file.data());
    CBMPUtils::WritePixels(&media, 2, 2, 32, reinterpret_cast<const unsigned char*>(pixels), 8,
                           nullptr);
    return file;
}

std::string Text(const CRect& r)
{
    return std::to_string(r.fLeft) + "," + std::to_string(r.fTop) + "," + std::to_string(r.fRight) +
           "," + std::to_string(r.fBottom);
}

bool Near(uint32_t pixel, uint32_t rgb)
{
    for (int shift = 0; shift < 24; shift += 8)
    {
        const int a = int((pixel >> shift) & 0xFF), b = int((rgb >> shift) & 0xFF);
        if (a - b > 4 || b - a > 4)
            return false;
    }
    return true;
}

class CCacheApp : public CApplication
{
public:
    explicit CCacheApp(const CApplicationStartupInfo* info) : CApplication(info) {}
    CABCBitmap* GetBitmap(const CBitmapDest* dest, TBitmapID id) override
    {
        ++fGetBitmapCalls;
        return CApplication::GetBitmap(dest, id);
    }
    int fGetBitmapCalls = 0;
};

class BitmapByID : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::snprintf(fInfo.fApplicationName, sizeof fInfo.fApplicationName, "Cache Test");
        fResourceImage = ResourceImageForTests::Build({
            {{"JPEG", 128}, MakeJPEG(59, 7, 0, 0, 255)},
            {{"JPEG", 129}, MakeJPEG(8, 3, 255, 0, 0)},
            {{"JPEG", 130}, {0xFF, 0xD8, 0xFF, 0x00, 0x12}},
            {{"BMP ", 200}, MakeBMP()},
        });
        fResourceRef = NSPlatform::CResourceManager::OpenResImage(fResourceImage.data(),
                                                                  fResourceImage.size());
        ASSERT_NE(fResourceRef, NSPlatform::CResourceManager::kNoFile);
        NSPlatform::CResourceManager::UseResFile(fResourceRef);
        fApp = std::make_unique<CCacheApp>(&fInfo);
        fApp->Initialize();
    }
    void TearDown() override
    {
        fApp.reset();
        if (fResourceRef != NSPlatform::CResourceManager::kNoFile)
            NSPlatform::CResourceManager::CloseResFile(fResourceRef);
    }

    CApplicationStartupInfo fInfo;
    std::vector<uint8_t> fResourceImage;
    int16_t fResourceRef = NSPlatform::CResourceManager::kNoFile;
    std::unique_ptr<CCacheApp> fApp;
};

} // namespace

TEST(BitmapSequence, FrameRectangles)
{
    const CBitmapSequence strip(TBitmapID(128), 3);
    EXPECT_EQ(strip.GetFrameCount(), 3);
    for (unsigned short n = 0; n < 3; ++n)
    {
        const CRect r = strip.GetFrameRect(59, 7, n);
        EXPECT_EQ(r.fLeft, 20 * n);
        EXPECT_EQ(r.fTop, 0);
        EXPECT_EQ(r.GetWidth(), 19);
        EXPECT_EQ(r.GetHeight(), 7);
    }
    // No frames: nothing to show, and no division by zero.
    EXPECT_TRUE(CBitmapSequence(TBitmapID(128), 0).GetFrameRect(59, 7, 0).IsEmpty());

    const CFilmStrip film(TBitmapID(128), 4, 3, 4, 25, 30);
    const CRect f = film.GetFrameRect(0, 0, 2);
    EXPECT_EQ(f.fLeft, 3);
    EXPECT_EQ(f.fTop, 96);
    EXPECT_EQ(f.fRight, 28);
    EXPECT_EQ(f.fBottom, 126);

    const CABCBitmapSequence& base = CABCBitmapSequence(TBitmapID(1), 2);
    EXPECT_TRUE(base.GetFrameRect(10, 10, 1).IsEmpty());
}

TEST(BitmapCache, OrderAndFlushing)
{
    CBitmapCache cache;
    auto* first = new CBitmap32(2, 2);
    auto* second = new CBitmap32(3, 3);
    auto* other = new CBitmap32(4, 4);
    cache.Register(first, TBitmapID(7));
    cache.Register(other, TBitmapID(8));
    cache.Register(second, TBitmapID(7));
    cache.Register(nullptr, TBitmapID(9));
    // Taken once only, or it would be freed twice.
    cache.Register(other, TBitmapID(10));
    EXPECT_EQ(cache.CountEntries(), 3u);
    EXPECT_EQ(cache.Find(TBitmapID(10)), nullptr);
    EXPECT_EQ(cache.Find(TBitmapID(7)), first);
    EXPECT_EQ(cache.Find(TBitmapID(9)), nullptr);
    cache.Flush(TBitmapID(7));
    EXPECT_EQ(cache.Find(TBitmapID(7)), second);
    EXPECT_EQ(cache.Find(TBitmapID(8)), other);
    cache.Flush(TBitmapID(99));
    EXPECT_EQ(cache.CountEntries(), 2u);
    cache.FlushAll();
    EXPECT_EQ(cache.CountEntries(), 0u);
    EXPECT_EQ(cache.Find(TBitmapID(8)), nullptr);
    // The destructor frees what is left (ASan sees a leak otherwise).
    cache.Register(new CBitmap32(1, 1), TBitmapID(1));
}

TEST_F(BitmapByID, DecodedOnceKeptUntilFlushedOrTheScreenChanges)
{
    CBitmapCache* cache = fApp->GetDefaultBitmapCache();
    ASSERT_NE(cache, nullptr);
    short w = 0, h = 0;
    CABCCanvas::GetBitmapSize(TBitmapID(128), &w, &h);
    EXPECT_EQ(w, 59);
    EXPECT_EQ(h, 7);
    CABCBitmap* bitmap = CABCCanvas::GetCachedBitmap(TBitmapID(128));
    EXPECT_EQ(cache->CountEntries(), 1u);
    CABCCanvas::TouchBitmap(TBitmapID(129));
    EXPECT_EQ(cache->CountEntries(), 2u);
    EXPECT_EQ(CABCCanvas::GetCachedBitmap(TBitmapID(128)), bitmap);
    EXPECT_EQ(cache->CountEntries(), 2u);

    CABCCanvas::FlushBitmap(TBitmapID(128));
    EXPECT_EQ(cache->Find(TBitmapID(128)), nullptr);
    EXPECT_NE(cache->Find(TBitmapID(129)), nullptr);
    // A new screen format empties the cache, with a new destination in place.
    const CBitmapDest* before = CGraphicManager::gGraphicMgr->GetBitmapDestForMainScreen();
    ASSERT_NE(before, nullptr);
    ASSERT_TRUE(CGraphicManager::gGraphicMgr->ScreenBitDepthOrPaletteChanged());
    EXPECT_EQ(cache->CountEntries(), 0u);
    ASSERT_NE(CGraphicManager::gGraphicMgr->GetBitmapDestForMainScreen(), nullptr);
    EXPECT_EQ(CGraphicManager::gGraphicMgr->GetBitmapDestForMainScreen()->GetBitDepth(), 32);
    EXPECT_NE(CABCCanvas::GetCachedBitmap(TBitmapID(128)), nullptr);
    EXPECT_EQ(cache->CountEntries(), 1u);
    CABCCanvas::FlushBitmap(TBitmapID(128));

    // A missing or broken picture registers nothing.
    EXPECT_THROW(CABCCanvas::GetCachedBitmap(TBitmapID(131)), XBase);
    EXPECT_THROW(CABCCanvas::GetCachedBitmap(TBitmapID(130)), XBadFormat);
    EXPECT_EQ(cache->CountEntries(), 0u);
}

TEST_F(BitmapByID, DrawingWholePartAndFrames)
{
    CSurfaceCanvas canvas(80, 20, 1, 0xFFFFFF);
    canvas.DrawBitmap(1, 2, TBitmapID(129));
    EXPECT_TRUE(Near(canvas.Pixel(1, 2), 0xFF0000));
    EXPECT_TRUE(Near(canvas.Pixel(8, 4), 0xFF0000));
    EXPECT_EQ(canvas.Pixel(9, 4), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(8, 5), 0xFFFFFFu);

    canvas.Fill(0xFFFFFF);
    canvas.DrawBitmap(10, 10, TBitmapID(129), 2, 1, 3, 2);
    EXPECT_EQ(Text(canvas.InkBounds()), Text(CRect(10, 10, 13, 12)));

    // Frame 2 of three in the 59-pixel picture: 19 x 7.
    canvas.Fill(0xFFFFFF);
    const CBitmapSequence sequence(TBitmapID(128), 3);
    canvas.DrawBitmapSequence(30, 5, &sequence, 2);
    EXPECT_EQ(Text(canvas.InkBounds()), Text(CRect(30, 5, 49, 12)));

    // Missing pictures: drawing whole or part draws nothing and does not throw; a sequence
    // and the transparent forms let the failure through.
    canvas.Fill(0xFFFFFF);
    EXPECT_NO_THROW(canvas.DrawBitmap(0, 0, TBitmapID(131)));
    EXPECT_NO_THROW(canvas.DrawBitmap(0, 0, TBitmapID(130), 0, 0, 4, 4));
    EXPECT_EQ(Text(canvas.InkBounds()), Text(CRect()));
    const CBitmapSequence missing(TBitmapID(131), 3);
    EXPECT_THROW(canvas.DrawBitmapSequence(0, 0, &missing, 0), XBase);
    EXPECT_THROW(canvas.DrawTransparentBitmap(0, 0, TBitmapID(131)), XBase);
    EXPECT_THROW(CTransparentBitmap(TBitmapID(131), 0, 0, 2, 2), XBase);
}

TEST_F(BitmapByID, TransparentFromResourcesAndIdentifiers)
{
    // "BMP " 200: its bottom-left pixel is white, so only the three black pixels show.
    const CTransparentBitmap fromBMP(200);
    ASSERT_EQ(fromBMP.GetWidth(), 2);
    CSurfaceCanvas canvas(4, 4, 1, 0x00FF00);
    canvas.DrawTransparentBitmap(1, 1, &fromBMP);
    EXPECT_EQ(canvas.Pixel(1, 1), 0u);
    EXPECT_EQ(canvas.Pixel(2, 1), 0u);
    EXPECT_EQ(canvas.Pixel(1, 2), 0x00FF00u);
    EXPECT_EQ(canvas.Pixel(2, 2), 0u);
    EXPECT_THROW(CTransparentBitmap(201), XBase);

    // The same BMP as a colour icon: the white pixel is the one left out.
    std::vector<uint8_t> bmp = MakeBMP();
    CMemoryMedia media(TMediaPos(bmp.size()), bmp.data());
    const std::unique_ptr<SColorIcon> icon = CBMPUtils::MacLoadBMP32IntoCIcon(&media);
    ASSERT_NE(icon, nullptr);
    ASSERT_NE(icon->mMask, nullptr);
    EXPECT_TRUE(icon->mMask->IsBlack(0, 0));
    EXPECT_FALSE(icon->mMask->IsBlack(0, 1));
    bmp[0] = 'X';
    CMemoryMedia broken(TMediaPos(bmp.size()), bmp.data());
    EXPECT_EQ(CBMPUtils::MacLoadBMP32IntoCIcon(&broken), nullptr);

    // A picture of one colour leaves everything out.
    canvas.Fill(0x00FF00);
    canvas.DrawTransparentBitmap(0, 0, TBitmapID(129));
    EXPECT_EQ(Text(canvas.InkBounds(0x00FF00)), Text(CRect()));
    const CTransparentBitmap part(TBitmapID(128), 10, 2, 5, 3);
    EXPECT_EQ(part.GetWidth(), 5);
    EXPECT_EQ(part.GetHeight(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_TRUE(Near(part.GetBitmap()->GetPixel32(short(x), short(y)), 0x0000FF));
}
