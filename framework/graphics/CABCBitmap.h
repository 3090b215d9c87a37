// An off-screen picture in one of four pixel formats, and a canvas: whatever draws into a
// window draws into a bitmap, and a bitmap copies onto any canvas. 32-bit bitmaps are a cairo
// surface over their own pixels; the other depths keep their own store and draw through a
// 32-bit surface that is converted on demand.
#pragma once
#include "framework/graphics/CABCCanvas.h"
#include "framework/graphics/CBitmapInfo.h"
#include "framework/graphics/CDrawPort.h"
#include "framework/graphics/CLocalRect.h"
#include "framework/graphics/SColorTable.h"
#include <cstdint>
#include <memory>

typedef struct _cairo_surface cairo_surface_t;

namespace NSWayfarer
{

class CPalette;

class CABCBitmap : public CABCCanvas, private CDrawPort::CSurfaceObserver
{
public:
    ~CABCBitmap() override;

    CABCBitmap* GetDestBitmap() override { return this; }
    unsigned char GetBitDepth() const override { return fDepth; }
    // Copies (sourceX, sourceY, width, height) to (destX, destY) on the canvas, source copy.
    virtual void DrawBitmapToCanvas(CABCCanvas* canvas, short destX, short destY, short sourceX,
                                    short sourceY, short width, short height) const;

    short GetWidth() const { return fWidth; }
    short GetHeight() const { return fHeight; }
    long GetRowBytes() const { return fRowBytes; }
    unsigned char* GetPixelPtr();
    const unsigned char* GetPixelPtr() const;
    CLocalRect GetRect() const;
    void GetOriginPos(short* x, short* y) const;
    void SetOriginPos(short x, short y);
    // Null for every bitmap, 8-bit ones included: their colours are in their colour table.
    CPalette* GetPalette() const { return nullptr; }
    CBitmapInfo GetInfo() const;

    // The counters only record nesting; pixel pointers stay valid for the bitmap's life.
    unsigned char* OpenEdit();
    const unsigned char* OpenRead() const;
    void CloseEdit(unsigned char** pixels);
    void CloseRead(const unsigned char** pixels) const;
    unsigned short GetEditCount() const { return fEditCount; }
    unsigned short GetReadCount() const { return fReadCount; }

    void Erase(const CRGBColor& color);
    // The bottom-left pixel's colour (each byte the high byte of its component).
    CRGBColor GetTransparentColor() const;

    // Any pixel as a 32-bit 0x00RRGGBB value, and back (converted to the bitmap's format;
    // at 8 bits the nearest colour of the table). Outside the bitmap: 0 and nothing.
    uint32_t GetPixel32(short x, short y) const;
    void SetPixel32(short x, short y, uint32_t pixel);

    // The drawing port (and its surface) behind the canvas.
    CDrawPort* GetDrawPort() const { return fPort.get(); }
    // The colour table of an 8-bit bitmap, else null.
    const SColorTable* GetColorTable() const { return fTable.get(); }
    // The seed of the colour table (0 without one).
    int32_t MacGetPaletteSeed() const;
    bool MacIsSeedSameAsMainDevice() const;

protected:
    // Throws XMacSystemOOM (nothing left allocated) when the store cannot be made, and
    // XBadFormat for a size that is not positive. The table is copied (8 bits only).
    CABCBitmap(short width, short height, unsigned char depth, const SColorTable* table);

    // The store as it is, for the conversions below (no synchronising).
    unsigned char* RawPixels() const { return fPixels; }
    // Between a row of the bitmap's own store and 32-bit pixels (16, 8 and 1 bits).
    virtual void StoreRowToRGB(int y, uint32_t* out) const;
    virtual void RGBRowToStore(int y, const uint32_t* in);

private:
    void SurfaceWillChange() override;
    void SurfaceDidChange() override;
    void SurfaceWillBeRead() override;
    // The store brought up to date with what was drawn into the surface.
    void SyncStore() const;
    void SyncSurface() const;
    // The store is about to be changed by its own code.
    void StoreWillChange();

    short fWidth = 0;
    short fHeight = 0;
    unsigned char fDepth = 0;
    long fRowBytes = 0;
    unsigned char* fPixels = nullptr;
    std::unique_ptr<unsigned char[]> fOwnStore;
    std::unique_ptr<SColorTable> fTable;
    cairo_surface_t* fSurface = nullptr;
    std::unique_ptr<CDrawPort> fPort;
    std::unique_ptr<CCanvasAttributeProxy> fProxy;
    mutable unsigned short fEditCount = 0;
    mutable unsigned short fReadCount = 0;
    // Non-32-bit kinds: which side holds newer pixels.
    mutable bool fSurfaceNewer = false;
    mutable bool fStoreNewer = false;
};

} // namespace NSWayfarer
