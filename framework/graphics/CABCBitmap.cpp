#include "framework/graphics/CABCBitmap.h"

#include "framework/files/XBase.h"
#include "framework/graphics/CBitmapUtils.h"
#include "framework/graphics/CCanvasAttributeProxy.h"
#include "framework/graphics/CGraphicManager.h"
#include "framework/graphics/CMacSuperPort.h"
#include "framework/graphics/CPixel32.h"

#include <cairo.h>

#include <cstring>
#include <vector>

namespace NSWayfarer
{

CABCBitmap::CABCBitmap(short width, short height, unsigned char depth, const SColorTable* table)
    : fWidth(width), fHeight(height), fDepth(depth)
{
    if (!CBitmapUtils::IsSaneBitmapSize(width, height, depth))
        throw XMacSystemOOM();
    fSurface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    try
    {
        if (cairo_surface_status(fSurface) != CAIRO_STATUS_SUCCESS)
            throw XMacSystemOOM();
        if (depth == 32)
        {
            fPixels = cairo_image_surface_get_data(fSurface);
            fRowBytes = cairo_image_surface_get_stride(fSurface);
        }
        else
        {
            // Rows on 4-byte boundaries, as the platform's pixel stores have them.
            fRowBytes = CBitmapUtils::CalcRowBytesLong(width, depth, 4);
            fOwnStore.reset(new unsigned char[static_cast<size_t>(fRowBytes) * height]());
            fPixels = fOwnStore.get();
            if (table != nullptr)
                fTable = std::make_unique<SColorTable>(*table);
            // The shadow surface is filled from the store before the first drawing.
            fStoreNewer = true;
        }
        fPort = std::make_unique<CDrawPort>(fSurface);
        if (depth != 32)
            fPort->SetSurfaceObserver(this);
        fProxy = std::make_unique<CCanvasAttributeProxy>(CMacSuperPort(fPort.get()));
    }
    catch (...)
    {
        fPort.reset();
        cairo_surface_destroy(fSurface);
        throw;
    }
    SetProxy(fProxy.get());
}

CABCBitmap::~CABCBitmap()
{
    // Nothing may go on drawing into a port that is gone.
    if (CDrawPort::GetCurrent() == fPort.get())
        CMacSuperPort().MakeCurrent();
    SetProxy(nullptr);
    fProxy.reset();
    fPort.reset();
    cairo_surface_destroy(fSurface);
}

void CABCBitmap::DrawBitmapToCanvas(CABCCanvas* canvas, short destX, short destY, short sourceX,
                                    short sourceY, short width, short height) const
{
    if (canvas == nullptr || canvas->GetProxy() == nullptr)
        return;
    CCanvasAttributeProxy* proxy = canvas->GetProxy();
    proxy->MacLatchForeColor(CRGBColor::kBlack);
    CDrawPort* port = proxy->GetPort();
    if (port == nullptr)
        return;
    proxy->GetSuperPort().MakeCurrent();
    const CRect source(sourceX, sourceY, static_cast<short>(sourceX + width),
                       static_cast<short>(sourceY + height));
    const CRect dest(destX, destY, static_cast<short>(destX + width),
                     static_cast<short>(destY + height));
    port->CopyBits(*fPort, source, dest);
}

unsigned char* CABCBitmap::GetPixelPtr()
{
    SyncStore();
    StoreWillChange();
    return fPixels;
}

const unsigned char* CABCBitmap::GetPixelPtr() const
{
    SyncStore();
    return fPixels;
}

CLocalRect CABCBitmap::GetRect() const
{
    return fPort->GetPortRect();
}

void CABCBitmap::GetOriginPos(short* x, short* y) const
{
    if (x != nullptr)
        *x = fPort->GetOriginX();
    if (y != nullptr)
        *y = fPort->GetOriginY();
}

void CABCBitmap::SetOriginPos(short x, short y)
{
    fPort->SetOrigin(x, y);
}

CBitmapInfo CABCBitmap::GetInfo() const
{
    CBitmapInfo info;
    info.mWidth = fWidth;
    info.mHeight = fHeight;
    info.mRowBytes = static_cast<int32_t>(fRowBytes);
    info.mBitDepth = fDepth;
    info.mPalette = fDepth == 8 ? GetPalette() : nullptr;
    return info;
}

unsigned char* CABCBitmap::OpenEdit()
{
    ++fEditCount;
    return GetPixelPtr();
}

const unsigned char* CABCBitmap::OpenRead() const
{
    ++fReadCount;
    return GetPixelPtr();
}

void CABCBitmap::CloseEdit(unsigned char** pixels)
{
    if (fEditCount > 0)
        --fEditCount;
    // What was written through the pointer reaches the next drawing.
    StoreWillChange();
    if (pixels != nullptr)
        *pixels = nullptr;
}

void CABCBitmap::CloseRead(const unsigned char** pixels) const
{
    if (fReadCount > 0)
        --fReadCount;
    if (pixels != nullptr)
        *pixels = nullptr;
}

void CABCBitmap::Erase(const CRGBColor& color)
{
    SyncStore();
    StoreWillChange();
    std::vector<uint32_t> row(static_cast<size_t>(fWidth), CPixel32::FromColor(color));
    for (int y = 0; y < fHeight; ++y)
        RGBRowToStore(y, row.data());
}

CRGBColor CABCBitmap::GetTransparentColor() const
{
    return CPixel32::ToColor(GetPixel32(0, static_cast<short>(fHeight - 1)));
}

uint32_t CABCBitmap::GetPixel32(short x, short y) const
{
    if (x < 0 || y < 0 || x >= fWidth || y >= fHeight)
        return 0;
    SyncStore();
    if (fDepth == 32)
        return CPixel32::RGB(reinterpret_cast<const uint32_t*>(fPixels + y * fRowBytes)[x]);
    std::vector<uint32_t> row(static_cast<size_t>(fWidth));
    StoreRowToRGB(y, row.data());
    return row[static_cast<size_t>(x)];
}

void CABCBitmap::SetPixel32(short x, short y, uint32_t pixel)
{
    if (x < 0 || y < 0 || x >= fWidth || y >= fHeight)
        return;
    SyncStore();
    StoreWillChange();
    std::vector<uint32_t> row(static_cast<size_t>(fWidth));
    StoreRowToRGB(y, row.data());
    row[static_cast<size_t>(x)] = CPixel32::RGB(pixel);
    RGBRowToStore(y, row.data());
}

int32_t CABCBitmap::MacGetPaletteSeed() const
{
    return fTable != nullptr ? fTable->mSeed : 0;
}

bool CABCBitmap::MacIsSeedSameAsMainDevice() const
{
    // The screens are direct colour: only a bitmap without a colour table matches them.
    const int32_t deviceSeed = CGraphicManager::gGraphicMgr != nullptr
                                   ? CGraphicManager::gGraphicMgr->MacGetMainDevicePaletteSeed()
                                   : 0;
    return fTable == nullptr ? true : fTable->mSeed == deviceSeed;
}

void CABCBitmap::StoreRowToRGB(int y, uint32_t* out) const
{
    const auto* row = reinterpret_cast<const uint32_t*>(fPixels + y * fRowBytes);
    for (int x = 0; x < fWidth; ++x)
        out[x] = CPixel32::RGB(row[x]);
}

void CABCBitmap::RGBRowToStore(int y, const uint32_t* in)
{
    auto* row = reinterpret_cast<uint32_t*>(fPixels + y * fRowBytes);
    for (int x = 0; x < fWidth; ++x)
        row[x] = CPixel32::RGB(in[x]);
}

void CABCBitmap::SurfaceWillChange()
{
    SyncSurface();
}

void CABCBitmap::SurfaceDidChange()
{
    fSurfaceNewer = true;
    // Someone holds the store open: it must see the drawing at once.
    if (fEditCount > 0 || fReadCount > 0)
        SyncStore();
}

void CABCBitmap::SurfaceWillBeRead()
{
    SyncSurface();
}

void CABCBitmap::StoreWillChange()
{
    if (fDepth == 32)
    {
        // The pixels are the surface's: cairo must drop anything it keeps about them.
        cairo_surface_mark_dirty(fSurface);
        return;
    }
    fStoreNewer = true;
}

void CABCBitmap::SyncStore() const
{
    if (fDepth == 32)
    {
        cairo_surface_flush(fSurface);
        return;
    }
    if (!fSurfaceNewer)
        return;
    fSurfaceNewer = false;
    cairo_surface_flush(fSurface);
    const unsigned char* data = cairo_image_surface_get_data(fSurface);
    const int stride = cairo_image_surface_get_stride(fSurface);
    auto* self = const_cast<CABCBitmap*>(this);
    for (int y = 0; y < fHeight; ++y)
        self->RGBRowToStore(y, reinterpret_cast<const uint32_t*>(data + y * stride));
}

void CABCBitmap::SyncSurface() const
{
    if (fDepth == 32)
        return;
    // While the store is open for editing it may change under the pointer at any time.
    if (!fStoreNewer && fEditCount == 0)
        return;
    fStoreNewer = false;
    cairo_surface_flush(fSurface);
    unsigned char* data = cairo_image_surface_get_data(fSurface);
    const int stride = cairo_image_surface_get_stride(fSurface);
    for (int y = 0; y < fHeight; ++y)
        StoreRowToRGB(y, reinterpret_cast<uint32_t*>(data + y * stride));
    cairo_surface_mark_dirty(fSurface);
}

} // namespace NSWayfarer
