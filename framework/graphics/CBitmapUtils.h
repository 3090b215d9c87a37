// Operations on bitmaps that are not any one bitmap's: row lengths, making bitmaps for a
// destination, JPEG decoding, colour replacement, masks and the colour icon.
#pragma once
#include "framework/graphics/CRGBColor.h"
#include "framework/graphics/TBitmapID.h"
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace NSPlatform
{
class CNativeWindow;
}

namespace NSWayfarer
{

class CABCBitmap;
class CBitmap1;
class CBitmap32;
class CBitmapDest;
class CMedia;

// A colour icon: an 8-bit image on the system's 256 colours and a 1-bit mask whose set bits
// are the opaque pixels.
struct SColorIcon
{
    std::unique_ptr<CABCBitmap> mImage;
    std::unique_ptr<CBitmap1> mMask;
    SColorIcon();
    ~SColorIcon();
    SColorIcon(SColorIcon&&) noexcept;
    SColorIcon& operator=(SColorIcon&&) noexcept;
};

class CBitmapUtils
{
public:
    // Most pixel bytes any bitmap may have (256 MiB: an off-screen copy of the largest screens),
    // and one decoded from a file (64 MiB: a 4096 x 4096 picture at 32 bits).
    static constexpr size_t kMaxBitmapBytes = size_t(256) << 20;
    static constexpr size_t kMaxPictureBytes = size_t(64) << 20;

    // ceil(width x depth / 8) rounded up to a multiple of alignment. The product is taken in
    // 32 bits (in 16 it wrapped for rows of 8 KiB and more); rows longer than 65535 bytes do
    // not fit the result: use CalcRowBytesLong.
    static unsigned short CalcRowBytes(short width, unsigned char depth, long alignment);
    static long CalcRowBytesLong(long width, unsigned depth, long alignment);
    // Width and height in 1 to 32767 and the pixels within the limit.
    static bool IsSaneBitmapSize(long width, long height, unsigned depth,
                                 size_t maxBytes = kMaxBitmapBytes);
    // What a size read from a file must pass before anything is allocated for it: sane within
    // kMaxPictureBytes, else XBadFormat.
    static void CheckBitmapSize(long width, long height, unsigned depth);

    // Depth 8: a CBitmap8 with the destination's table; else CreateDirectPixelBitmap.
    static CABCBitmap* CreateBitmap(short width, short height, const CBitmapDest* dest);
    // 16 and 32 bits; null for any other depth.
    static CABCBitmap* CreateDirectPixelBitmap(short width, short height, unsigned char depth);

    // Decodes the JPEG in media (a CMemoryMedia: its whole buffer is read) into a new bitmap in
    // the destination's format (caller owns). XBadFormat for data that is no JPEG or is too
    // large; a truncated picture decodes what it has.
    static CABCBitmap* UnpackJPEG(const CBitmapDest* dest, CMedia* media);
    // The same from a memory block.
    static CABCBitmap* UnpackJPEG(const CBitmapDest* dest, const uint8_t* data, size_t length);
    // Resource "JPEG" with the identifier's number from the application's resource file.
    static CABCBitmap* LoadBitmapFromJPEGResource(const CBitmapDest* dest, TBitmapID id);

    // Every pixel of colour `find` (high bytes compared) becomes `replace`.
    static void SearchAndReplace32Bit(CBitmap32* bitmap, CRGBColor replace, CRGBColor find);
    // The transparent colour (bottom-left pixel) becomes the given one everywhere.
    static void ChangeBitmapBackground(CBitmap32* bitmap, CRGBColor background);
    // Every pixel except those of colour `keep` becomes (pixel + tint) / 2 per component.
    static void GrayOutBitmap(CBitmap32* bitmap, CRGBColor keep, CRGBColor tint);
    // A 1-bit bitmap of the source's size whose first h rows are cleared and whose bit (c, r),
    // c < w and r < h, is set where the source pixel (x + c, y + r) has the colour. Caller owns.
    static CBitmap1* BuildMask(const CBitmap32* source, short x, short y, short w, short h,
                               CRGBColor color);
    // The colour icon of a bitmap: its pixels on the system table, masked where they are not
    // the transparent colour.
    static SColorIcon MacBuildCIcon(const CBitmap32* bitmap);
    // The icon's pixels, 0xAARRGGBB with alpha 0 where the mask is clear (empty for an icon
    // without image or mask).
    static std::vector<uint32_t> GetIconPixels(const SColorIcon& icon);
    // Gives the window the icon; false when it has none to give or the window cannot take it.
    static bool SetWindowIcon(const SColorIcon& icon, const NSPlatform::CNativeWindow& window);
};

} // namespace NSWayfarer
