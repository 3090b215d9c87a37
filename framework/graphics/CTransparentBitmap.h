// A 32-bit picture with a 1-bit mask that leaves one colour (the picture's bottom-left
// pixel's) out when it is drawn, and an 8-bit copy of it made on request.
#pragma once

#include "framework/graphics/TBitmapID.h"

#include <cstdint>

namespace NSWayfarer
{

class CABCBitmap;
class CBitmap1;
class CBitmap32;
class CBitmap8;

class CTransparentBitmap
{
public:
    // The w x h rectangle at (x, y) of source; the mask is built from the copy. Parts of
    // the rectangle beyond the source stay black.
    CTransparentBitmap(const CBitmap32* source, short x, short y, short w, short h);
    // The same rectangle of source and of mask, whose bits are taken over unchanged.
    CTransparentBitmap(const CBitmap32* source, const CBitmap1* mask, short x, short y, short w,
                       short h);
    // "BMP " resource bmpResourceID of the application's resource file.
    explicit CTransparentBitmap(short bmpResourceID);
    // The w x h rectangle at (x, y) of the cached picture id; the loader's exceptions go on.
    CTransparentBitmap(const TBitmapID& id, short x, short y, short w, short h);
    virtual ~CTransparentBitmap();
    CTransparentBitmap(const CTransparentBitmap&) = delete;
    CTransparentBitmap& operator=(const CTransparentBitmap&) = delete;

    short GetWidth() const;
    short GetHeight() const;
    CABCBitmap* GetBitmap() const;
    // Set bits (black) mark the pixels that are drawn.
    CBitmap1* GetMask() const;
    // The picture in 8 bits on a palette of a 128-colour cube, made on the first call and
    // kept; the mask is not applied.
    CABCBitmap* GetBitmap8() const;
    void Dispose();

    // The cube index of a 0x00RRGGBB pixel in the 8-bit copy's palette.
    static unsigned char CubeIndex(uint32_t pixel);

private:
    // The picture's own mask: clear where a pixel has the transparent colour.
    void PrepareAndBuildMask();
    void CopyFrom(const CBitmap32* source, short x, short y, short w, short h);

    CBitmap32* fBitmap = nullptr;
    CBitmap1* fMask = nullptr;
    mutable CBitmap8* fBitmap8 = nullptr;
};

} // namespace NSWayfarer
