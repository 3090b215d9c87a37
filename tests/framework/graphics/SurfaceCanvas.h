// A canvas over an off-screen cairo image surface for the graphics tests: the surface, its
// drawing port and proxy, and pixel access in device pixels.
#pragma once

#include "framework/graphics/CABCCanvas.h"
#include "framework/graphics/CDrawPort.h"

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace NSWayfarer
{

class CSurfaceCanvas : public CABCCanvas
{
public:
    // width x height local pixels at the given device scale, filled with fill (0x00RRGGBB).
    CSurfaceCanvas(int width, int height, int scale = 1, uint32_t fill = 0xFFFFFF)
        : fSurface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width * scale, height * scale))
    {
        cairo_surface_set_device_scale(fSurface, scale, scale);
        fPort = std::make_unique<CDrawPort>(fSurface);
        fProxy = std::make_unique<CCanvasAttributeProxy>(CMacSuperPort(fPort.get()));
        SetProxy(fProxy.get());
        Fill(fill);
    }
    ~CSurfaceCanvas() override
    {
        SetProxy(nullptr);
        fProxy.reset();
        fPort.reset();
        cairo_surface_destroy(fSurface);
    }

    CABCBitmap* GetDestBitmap() override { return nullptr; }
    unsigned char GetBitDepth() const override { return 32; }

    CDrawPort* Port() const { return fPort.get(); }
    cairo_surface_t* Surface() const { return fSurface; }
    int DeviceWidth() const { return cairo_image_surface_get_width(fSurface); }
    int DeviceHeight() const { return cairo_image_surface_get_height(fSurface); }

    // Device pixel, 0x00RRGGBB.
    uint32_t Pixel(int x, int y) const
    {
        cairo_surface_flush(fSurface);
        const unsigned char* row =
            cairo_image_surface_get_data(fSurface) + y * cairo_image_surface_get_stride(fSurface);
        return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
    }
    void SetPixel(int x, int y, uint32_t value)
    {
        cairo_surface_flush(fSurface);
        unsigned char* row =
            cairo_image_surface_get_data(fSurface) + y * cairo_image_surface_get_stride(fSurface);
        reinterpret_cast<uint32_t*>(row)[x] = value;
        cairo_surface_mark_dirty(fSurface);
    }
    void Fill(uint32_t value)
    {
        for (int y = 0; y < DeviceHeight(); ++y)
            for (int x = 0; x < DeviceWidth(); ++x)
                SetPixel(x, y, value);
    }
    std::vector<uint32_t> Snapshot() const
    {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < DeviceHeight(); ++y)
            for (int x = 0; x < DeviceWidth(); ++x)
                pixels.push_back(Pixel(x, y));
        return pixels;
    }
    // The smallest device rectangle holding every pixel that differs from background
    // (all zeros when none does).
    CRect InkBounds(uint32_t background = 0xFFFFFF) const
    {
        int left = DeviceWidth(), top = DeviceHeight(), right = 0, bottom = 0;
        for (int y = 0; y < DeviceHeight(); ++y)
            for (int x = 0; x < DeviceWidth(); ++x)
                if (Pixel(x, y) != background)
                {
                    left = std::min(left, x);
                    top = std::min(top, y);
                    right = std::max(right, x + 1);
                    bottom = std::max(bottom, y + 1);
                }
        if (right == 0)
            return CRect();
        return CRect(short(left), short(top), short(right), short(bottom));
    }

private:
    cairo_surface_t* fSurface;
    std::unique_ptr<CDrawPort> fPort;
    std::unique_ptr<CCanvasAttributeProxy> fProxy;
};

} // namespace NSWayfarer
