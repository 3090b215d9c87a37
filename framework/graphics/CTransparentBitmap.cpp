#include "framework/graphics/CTransparentBitmap.h"

#include "framework/application/CLowLevelApplication.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/files/XBase.h"
#include "framework/graphics/CABCCanvas.h"
#include "framework/graphics/CBMPUtils.h"
#include "framework/graphics/CBitmap1.h"
#include "framework/graphics/CBitmap32.h"
#include "framework/graphics/CBitmap8.h"
#include "framework/graphics/CPalette.h"
#include "framework/graphics/CPixel32.h"
#include "framework/graphics/CRGBColor.h"
#include "framework/media/CMemoryMedia.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace NSWayfarer
{

namespace
{

uint32_t ReadPixel(const unsigned char* row, int x)
{
    uint32_t pixel;
    std::memcpy(&pixel, row + 4 * x, 4);
    return CPixel32::RGB(pixel);
}

void SetMaskBit(unsigned char* row, int x, bool set)
{
    const unsigned char bit = static_cast<unsigned char>(0x80 >> (x & 7));
    row[x >> 3] =
        set ? CBitmap1::SetBitBlack(row[x >> 3], bit) : CBitmap1::SetBitWhite(row[x >> 3], bit);
}

} // namespace

CTransparentBitmap::CTransparentBitmap(const CBitmap32* source, short x, short y, short w, short h)
{
    try
    {
        CopyFrom(source, x, y, w, h);
        fMask = new CBitmap1(w, h);
        PrepareAndBuildMask();
    }
    catch (...)
    {
        Dispose();
        throw;
    }
}

CTransparentBitmap::CTransparentBitmap(const CBitmap32* source, const CBitmap1* mask, short x,
                                       short y, short w, short h)
{
    try
    {
        if (mask == nullptr)
            throw XBadFormat();
        CopyFrom(source, x, y, w, h);
        fMask = new CBitmap1(w, h);
        // The given mask's rectangle bit by bit; bits beyond its edge stay as made.
        const unsigned char* from = mask->OpenRead();
        unsigned char* to = fMask->OpenEdit();
        for (int r = 0; r < h; ++r)
        {
            const int sy = y + r;
            if (sy < 0 || sy >= mask->GetHeight())
                continue;
            const unsigned char* in = from + static_cast<long>(sy) * mask->GetRowBytes();
            unsigned char* out = to + static_cast<long>(r) * fMask->GetRowBytes();
            for (int c = 0; c < w; ++c)
            {
                const int sx = x + c;
                if (sx < 0 || sx >= mask->GetWidth())
                    continue;
                SetMaskBit(out, c, (in[sx >> 3] & (0x80 >> (sx & 7))) != 0);
            }
        }
        fMask->CloseEdit(&to);
        mask->CloseRead(&from);
    }
    catch (...)
    {
        Dispose();
        throw;
    }
}

CTransparentBitmap::CTransparentBitmap(short bmpResourceID)
{
    try
    {
        CLowLevelApplication* app = CLowLevelApplication::Get();
        if (app == nullptr || app->GetResourceFile() == nullptr)
            throw XNotFound();
        std::unique_ptr<CMemoryMedia> media(app->GetResourceFile()->Read("BMP ", bmpResourceID));
        fBitmap = CBMPUtils::UnpackBMPTo32Bit(media.get());
        fMask = new CBitmap1(fBitmap->GetWidth(), fBitmap->GetHeight());
        PrepareAndBuildMask();
    }
    catch (...)
    {
        Dispose();
        throw;
    }
}

CTransparentBitmap::CTransparentBitmap(const TBitmapID& id, short x, short y, short w, short h)
{
    try
    {
        CABCBitmap* picture = CABCCanvas::GetCachedBitmap(id);
        fBitmap = new CBitmap32(w, h);
        fBitmap->DrawBitmap(0, 0, picture, x, y, w, h);
        fMask = new CBitmap1(w, h);
        PrepareAndBuildMask();
    }
    catch (...)
    {
        Dispose();
        throw;
    }
}

CTransparentBitmap::~CTransparentBitmap()
{
    Dispose();
}

void CTransparentBitmap::Dispose()
{
    delete fBitmap8;
    fBitmap8 = nullptr;
    delete fBitmap;
    fBitmap = nullptr;
    delete fMask;
    fMask = nullptr;
}

short CTransparentBitmap::GetWidth() const
{
    return fBitmap != nullptr ? fBitmap->GetWidth() : 0;
}

short CTransparentBitmap::GetHeight() const
{
    return fBitmap != nullptr ? fBitmap->GetHeight() : 0;
}

CABCBitmap* CTransparentBitmap::GetBitmap() const
{
    return fBitmap;
}

CBitmap1* CTransparentBitmap::GetMask() const
{
    return fMask;
}

void CTransparentBitmap::CopyFrom(const CBitmap32* source, short x, short y, short w, short h)
{
    if (source == nullptr)
        throw XBadFormat();
    fBitmap = new CBitmap32(w, h);
    const unsigned char* from = source->OpenRead();
    unsigned char* to = fBitmap->OpenEdit();
    // Only the part of the rectangle that lies inside the source.
    const int left = std::max<int>(x, 0);
    const int right = std::min<int>(x + w, source->GetWidth());
    for (int r = 0; r < h && left < right; ++r)
    {
        const int sy = y + r;
        if (sy < 0 || sy >= source->GetHeight())
            continue;
        std::memcpy(to + static_cast<long>(r) * fBitmap->GetRowBytes() + 4 * (left - x),
                    from + static_cast<long>(sy) * source->GetRowBytes() + 4 * left,
                    static_cast<size_t>(right - left) * 4);
    }
    fBitmap->CloseEdit(&to);
    source->CloseRead(&from);
}

void CTransparentBitmap::PrepareAndBuildMask()
{
    const uint32_t transparent = CPixel32::FromColor(fBitmap->GetTransparentColor());
    const unsigned char* pixels = fBitmap->OpenRead();
    unsigned char* bits = fMask->OpenEdit();
    for (int r = 0; r < fBitmap->GetHeight(); ++r)
    {
        const unsigned char* in = pixels + static_cast<long>(r) * fBitmap->GetRowBytes();
        unsigned char* out = bits + static_cast<long>(r) * fMask->GetRowBytes();
        for (int c = 0; c < fBitmap->GetWidth(); ++c)
            SetMaskBit(out, c, ReadPixel(in, c) != transparent);
    }
    fMask->CloseEdit(&bits);
    fBitmap->CloseRead(&pixels);
}

unsigned char CTransparentBitmap::CubeIndex(uint32_t pixel)
{
    const unsigned red = CPixel32::Red(pixel);
    const unsigned green = CPixel32::Green(pixel);
    const unsigned blue = CPixel32::Blue(pixel);
    return static_cast<unsigned char>(5 + (red / 32) * 16 + (blue / 64) * 4 + green / 64);
}

CABCBitmap* CTransparentBitmap::GetBitmap8() const
{
    if (fBitmap8 != nullptr || fBitmap == nullptr)
        return fBitmap8;
    CRGBColor colors[236];
    for (int i = 0; i < 128; ++i)
        colors[i].Set(static_cast<uint16_t>(((i >> 4) & 7) * 65535 / 7),
                      static_cast<uint16_t>((i & 3) * 21845),
                      static_cast<uint16_t>(((i >> 2) & 3) * 21845));
    std::unique_ptr<CBitmap8> copy;
    {
        const CPalette palette(colors);
        copy = std::make_unique<CBitmap8>(fBitmap->GetWidth(), fBitmap->GetHeight(), &palette);
    }
    const unsigned char* pixels = fBitmap->OpenRead();
    unsigned char* indices = copy->OpenEdit();
    for (int r = 0; r < fBitmap->GetHeight(); ++r)
    {
        const unsigned char* in = pixels + static_cast<long>(r) * fBitmap->GetRowBytes();
        unsigned char* out = indices + static_cast<long>(r) * copy->GetRowBytes();
        for (int c = 0; c < fBitmap->GetWidth(); ++c)
            out[c] = CubeIndex(ReadPixel(in, c));
    }
    copy->CloseEdit(&indices);
    fBitmap->CloseRead(&pixels);
    fBitmap8 = copy.release();
    return fBitmap8;
}

} // namespace NSWayfarer
