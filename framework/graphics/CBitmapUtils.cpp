#include "framework/graphics/CBitmapUtils.h"

#include "framework/application/CLowLevelApplication.h"
#include "framework/files/CFileSpec.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/files/XBase.h"
#include "framework/graphics/CBitmap1.h"
#include "framework/graphics/CBitmap16.h"
#include "framework/graphics/CBitmap32.h"
#include "framework/graphics/CBitmap8.h"
#include "framework/graphics/CBitmapDest.h"
#include "framework/graphics/CJPEGDecoder.h"
#include "framework/graphics/CPalette.h"
#include "framework/graphics/CPixel32.h"
#include "framework/media/CMemoryMedia.h"
#include "platform/display/CDisplayTheme.h"
#include "platform/files/CPosixFiles.h"

#include <algorithm>

namespace NSWayfarer
{

SColorIcon::SColorIcon() = default;
SColorIcon::~SColorIcon() = default;
SColorIcon::SColorIcon(SColorIcon&&) noexcept = default;
SColorIcon& SColorIcon::operator=(SColorIcon&&) noexcept = default;

unsigned short CBitmapUtils::CalcRowBytes(short width, unsigned char depth, long alignment)
{
    return static_cast<unsigned short>(CalcRowBytesLong(width, depth, alignment));
}

long CBitmapUtils::CalcRowBytesLong(long width, unsigned depth, long alignment)
{
    if (width <= 0)
        return 0;
    long bytes = (width * static_cast<long>(depth) + 7) / 8;
    if (alignment > 1)
        bytes = (bytes + alignment - 1) / alignment * alignment;
    return bytes;
}

bool CBitmapUtils::IsSaneBitmapSize(long width, long height, unsigned depth, size_t maxBytes)
{
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767)
        return false;
    if (depth != 1 && depth != 8 && depth != 16 && depth != 32)
        return false;
    // Rows rounded to 4 bytes, as the stores have them; the 32-bit drawing surface of the
    // other depths counts too.
    const size_t rowBytes = (static_cast<size_t>(width) * depth + 31) / 32 * 4;
    size_t bytes = rowBytes * static_cast<size_t>(height);
    if (depth != 32)
        bytes += static_cast<size_t>(width) * 4 * static_cast<size_t>(height);
    return bytes <= maxBytes;
}

void CBitmapUtils::CheckBitmapSize(long width, long height, unsigned depth)
{
    if (!IsSaneBitmapSize(width, height, depth, kMaxPictureBytes))
        throw XBadFormat();
}

CABCBitmap* CBitmapUtils::CreateBitmap(short width, short height, const CBitmapDest* dest)
{
    if (dest != nullptr && dest->GetBitDepth() == 8 && dest->GetColorTable() != nullptr)
        return new CBitmap8(width, height, *dest->GetColorTable());
    return CreateDirectPixelBitmap(width, height, dest != nullptr ? dest->GetBitDepth() : 32);
}

CABCBitmap* CBitmapUtils::CreateDirectPixelBitmap(short width, short height, unsigned char depth)
{
    if (depth == 16)
        return new CBitmap16(width, height);
    if (depth == 32)
        return new CBitmap32(width, height);
    return nullptr;
}

namespace
{

CFileSpec ApplicationFileSpec()
{
    if (CLowLevelApplication* application = CLowLevelApplication::Get())
        return application->GetFileSpec();
    NSPlatform::SNativeFileSpec self;
    NSPlatform::CPosixFiles::GetExecutableSpec(&self);
    return CFileSpec(self);
}

// 16 bits from decoded red, green, blue rows, with the error terms carried to the right
// neighbour and to the same column of the next row.
class CDiffusion16
{
public:
    explicit CDiffusion16(long width) : fErrors(static_cast<size_t>(width) * 3, 0) {}
    void ConvertRow(const unsigned char* rgb, uint16_t* out, long width)
    {
        for (long x = 0; x < width; ++x)
        {
            uint8_t five[3];
            for (int c = 0; c < 3; ++c)
            {
                const size_t i = static_cast<size_t>(x) * 3 + static_cast<size_t>(c);
                const unsigned v = rgb[i] + fCarry[c] + fErrors[i];
                unsigned low = v;
                if (v >= 256)
                {
                    five[c] = 31;
                    low = 255;
                }
                else
                    five[c] = static_cast<uint8_t>(v >> 3);
                const auto error = static_cast<uint8_t>((low >> 1) & 3);
                fCarry[c] = error;
                fErrors[i] = error;
            }
            out[x] = CPixel32::Make16(five[0], five[1], five[2]);
        }
    }

private:
    // Per image, not per row.
    unsigned fCarry[3] = {0, 0, 0};
    std::vector<uint8_t> fErrors;
};

CABCBitmap* UnpackJPEGTo8Bit(const CBitmapDest* dest, CJPEGDecoder& decoder)
{
    const long width = decoder.GetWidth();
    const long height = decoder.GetHeight();
    std::unique_ptr<CABCBitmap> bitmap(
        CBitmapUtils::CreateBitmap(static_cast<short>(width), static_cast<short>(height), dest));
    decoder.Start(CJPEGDecoder::kIndexed, dest->GetColorMapRows());
    unsigned char* pixels = bitmap->OpenEdit();
    try
    {
        for (long y = 0; y < height; ++y)
            decoder.ReadRow(pixels + y * bitmap->GetRowBytes());
        decoder.Finish();
    }
    catch (...)
    {
        bitmap->CloseEdit(&pixels);
        throw;
    }
    bitmap->CloseEdit(&pixels);
    return bitmap.release();
}

CABCBitmap* UnpackJPEGToDirectPixel(unsigned char depth, CJPEGDecoder& decoder)
{
    const long width = decoder.GetWidth();
    const long height = decoder.GetHeight();
    std::unique_ptr<CABCBitmap> bitmap(CBitmapUtils::CreateDirectPixelBitmap(
        static_cast<short>(width), static_cast<short>(height), depth));
    if (!bitmap)
        throw XBadFormat();
    unsigned char* pixels = bitmap->OpenEdit();
    try
    {
        if (depth == 32)
        {
            // Straight into the rows; only the unused byte needs clearing.
            decoder.Start(CJPEGDecoder::kPixel32);
            for (long y = 0; y < height; ++y)
            {
                auto* row = reinterpret_cast<uint32_t*>(pixels + y * bitmap->GetRowBytes());
                decoder.ReadRow(reinterpret_cast<unsigned char*>(row));
                for (long x = 0; x < width; ++x)
                    row[x] = CPixel32::RGB(row[x]);
            }
        }
        else
        {
            decoder.Start(CJPEGDecoder::kRGB);
            // One row of the picture's own width: there is no width limit to overrun.
            std::vector<unsigned char> rgb(static_cast<size_t>(width) * 3);
            CDiffusion16 diffusion(width);
            for (long y = 0; y < height; ++y)
            {
                decoder.ReadRow(rgb.data());
                diffusion.ConvertRow(
                    rgb.data(), reinterpret_cast<uint16_t*>(pixels + y * bitmap->GetRowBytes()),
                    width);
            }
        }
        decoder.Finish();
    }
    catch (...)
    {
        bitmap->CloseEdit(&pixels);
        throw;
    }
    bitmap->CloseEdit(&pixels);
    return bitmap.release();
}

} // namespace

CABCBitmap* CBitmapUtils::UnpackJPEG(const CBitmapDest* dest, const uint8_t* data, size_t length)
{
    const CBitmapDest fallback(32, nullptr);
    if (dest == nullptr)
        dest = &fallback;
    CJPEGDecoder decoder(data, length);
    const unsigned depth = dest->GetBitDepth();
    // The size is the file's word: checked before anything is allocated for it.
    CheckBitmapSize(decoder.GetWidth(), decoder.GetHeight(), depth);
    if (depth == 8)
        return UnpackJPEGTo8Bit(dest, decoder);
    return UnpackJPEGToDirectPixel(static_cast<unsigned char>(depth), decoder);
}

CABCBitmap* CBitmapUtils::UnpackJPEG(const CBitmapDest* dest, CMedia* media)
{
    auto* memory = dynamic_cast<CMemoryMedia*>(media);
    if (memory == nullptr)
        throw XBadFormat();
    return UnpackJPEG(dest, memory->GetBufferPtr(), static_cast<size_t>(memory->GetSize()));
}

CABCBitmap* CBitmapUtils::LoadBitmapFromJPEGResource(const CBitmapDest* dest, TBitmapID id)
{
    const CFileSpec own = ApplicationFileSpec();
    COpenResourceFile file(&own);
    std::unique_ptr<CMemoryMedia> media(
        file.Read("JPEG", static_cast<short>(id.GetResourceNumber())));
    return UnpackJPEG(dest, media.get());
}

void CBitmapUtils::SearchAndReplace32Bit(CBitmap32* bitmap, CRGBColor replace, CRGBColor find)
{
    if (bitmap == nullptr)
        return;
    const uint32_t from = CPixel32::FromColor(find);
    const uint32_t to = CPixel32::FromColor(replace);
    unsigned char* pixels = bitmap->OpenEdit();
    for (int y = 0; y < bitmap->GetHeight(); ++y)
    {
        auto* row = reinterpret_cast<uint32_t*>(pixels + y * bitmap->GetRowBytes());
        for (int x = 0; x < bitmap->GetWidth(); ++x)
            if (CPixel32::RGB(row[x]) == from)
                row[x] = to;
    }
    bitmap->CloseEdit(&pixels);
}

void CBitmapUtils::ChangeBitmapBackground(CBitmap32* bitmap, CRGBColor background)
{
    if (bitmap == nullptr)
        return;
    SearchAndReplace32Bit(bitmap, background, bitmap->GetTransparentColor());
}

void CBitmapUtils::GrayOutBitmap(CBitmap32* bitmap, CRGBColor keep, CRGBColor tint)
{
    if (bitmap == nullptr)
        return;
    const uint32_t kept = CPixel32::FromColor(keep);
    const uint32_t t = CPixel32::FromColor(tint);
    unsigned char* pixels = bitmap->OpenEdit();
    for (int y = 0; y < bitmap->GetHeight(); ++y)
    {
        auto* row = reinterpret_cast<uint32_t*>(pixels + y * bitmap->GetRowBytes());
        for (int x = 0; x < bitmap->GetWidth(); ++x)
        {
            const uint32_t p = CPixel32::RGB(row[x]);
            if (p == kept)
                continue;
            row[x] = CPixel32::Make(uint8_t((CPixel32::Red(p) + CPixel32::Red(t)) / 2),
                                    uint8_t((CPixel32::Green(p) + CPixel32::Green(t)) / 2),
                                    uint8_t((CPixel32::Blue(p) + CPixel32::Blue(t)) / 2));
        }
    }
    bitmap->CloseEdit(&pixels);
}

CBitmap1* CBitmapUtils::BuildMask(const CBitmap32* source, short x, short y, short w, short h,
                                  CRGBColor color)
{
    if (source == nullptr)
        return nullptr;
    auto mask = std::make_unique<CBitmap1>(source->GetWidth(), source->GetHeight());
    const uint32_t wanted = CPixel32::FromColor(color);
    // Only what lies inside both bitmaps.
    const int rows = std::min<int>(std::max<int>(h, 0), mask->GetHeight());
    const int columns = std::min<int>(std::max<int>(w, 0), mask->GetWidth());
    const unsigned char* in = source->OpenRead();
    unsigned char* out = mask->OpenEdit();
    for (int r = 0; r < rows; ++r)
    {
        unsigned char* maskRow = out + r * mask->GetRowBytes();
        std::fill(maskRow, maskRow + mask->GetRowBytes(), 0);
        const int sy = y + r;
        if (sy < 0 || sy >= source->GetHeight())
            continue;
        const auto* sourceRow = reinterpret_cast<const uint32_t*>(in + sy * source->GetRowBytes());
        for (int c = 0; c < columns; ++c)
        {
            const int sx = x + c;
            if (sx < 0 || sx >= source->GetWidth())
                continue;
            if (CPixel32::RGB(sourceRow[sx]) == wanted)
                maskRow[c >> 3] = CBitmap1::SetBitBlack(
                    maskRow[c >> 3], static_cast<unsigned char>(0x80 >> (c & 7)));
        }
    }
    mask->CloseEdit(&out);
    source->CloseRead(&in);
    return mask.release();
}

SColorIcon CBitmapUtils::MacBuildCIcon(const CBitmap32* bitmap)
{
    SColorIcon icon;
    if (bitmap == nullptr)
        return icon;
    const short width = bitmap->GetWidth();
    const short height = bitmap->GetHeight();
    auto image = std::make_unique<CBitmap8>(width, height, &CPalette::GetStandardPalette());
    icon.mMask = std::make_unique<CBitmap1>(width, height);
    const uint32_t transparent = CPixel32::FromColor(bitmap->GetTransparentColor());
    unsigned char* indices = image->OpenEdit();
    unsigned char* mask = icon.mMask->OpenEdit();
    for (short y = 0; y < height; ++y)
    {
        const uint32_t* row = bitmap->GetRow(y);
        unsigned char* indexRow = indices + y * image->GetRowBytes();
        unsigned char* maskRow = mask + y * icon.mMask->GetRowBytes();
        for (short x = 0; x < width; ++x)
        {
            const uint32_t p = CPixel32::RGB(row[x]);
            indexRow[x] = image->FindIndex(p);
            if (p != transparent)
                maskRow[x >> 3] = CBitmap1::SetBitBlack(
                    maskRow[x >> 3], static_cast<unsigned char>(0x80 >> (x & 7)));
        }
    }
    icon.mMask->CloseEdit(&mask);
    image->CloseEdit(&indices);
    icon.mImage = std::move(image);
    return icon;
}

std::vector<uint32_t> CBitmapUtils::GetIconPixels(const SColorIcon& icon)
{
    std::vector<uint32_t> pixels;
    if (!icon.mImage || !icon.mMask || icon.mImage->GetWidth() != icon.mMask->GetWidth() ||
        icon.mImage->GetHeight() != icon.mMask->GetHeight())
        return pixels;
    const short width = icon.mImage->GetWidth();
    const short height = icon.mImage->GetHeight();
    pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (short y = 0; y < height; ++y)
        for (short x = 0; x < width; ++x)
        {
            const uint32_t alpha = icon.mMask->IsBlack(x, y) ? 0xFF000000u : 0;
            pixels.push_back(alpha | icon.mImage->GetPixel32(x, y));
        }
    return pixels;
}

bool CBitmapUtils::SetWindowIcon(const SColorIcon& icon, const NSPlatform::CNativeWindow& window)
{
    const std::vector<uint32_t> pixels = GetIconPixels(icon);
    if (pixels.empty())
        return false;
    return NSPlatform::CDisplayTheme::SetWindowIcon(window, pixels.data(), icon.mImage->GetWidth(),
                                                    icon.mImage->GetHeight());
}

} // namespace NSWayfarer
