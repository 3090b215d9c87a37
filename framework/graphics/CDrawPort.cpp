#include "framework/graphics/CDrawPort.h"

#include "framework/files/XBase.h"
#include "framework/graphics/CFontSpec.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace NSWayfarer
{

namespace
{

CDrawPort* gCurrentPort = nullptr;
SGraphicsDevice* gCurrentDevice = nullptr;

// The wide-open clip a new port starts with.
const CRect kOpenClip(-32767, -32767, 32767, 32767);

std::vector<std::string>& FontNames()
{
    static std::vector<std::string> names;
    return names;
}

struct SCairoDeleter
{
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using TCairo = std::unique_ptr<cairo_t, SCairoDeleter>;
using TSurface = std::unique_ptr<cairo_surface_t, SCairoDeleter>;

void SetSourceColor(cairo_t* cr, const CRGBColor& c)
{
    // The surface keeps the high byte of each component; giving cairo exactly that byte
    // keeps its own rounding from picking the neighbouring value.
    cairo_set_source_rgb(cr, (c.GetRed() >> 8) / 255.0, (c.GetGreen() >> 8) / 255.0,
                         (c.GetBlue() >> 8) / 255.0);
}

void AddRegionPath(cairo_t* cr, const CRegion& region)
{
    const int n = region.CountRectangles();
    for (int i = 0; i < n; ++i)
    {
        const CRect r = region.GetRectangle(i);
        // Edges, not the 16-bit width, which wraps for the wide-open clip.
        cairo_rectangle(cr, r.fLeft, r.fTop, int(r.fRight) - r.fLeft, int(r.fBottom) - r.fTop);
    }
}

// The pixels of a one-pixel pen moved from (x1, y1) to (x2, y2), both ends included, as
// runs along the major axis so that a straight line is a single rectangle. The runs are
// gathered first and made into a region at once: a long diagonal has one run per pixel.
CRegion LineRegion(int x1, int y1, int x2, int y2)
{
    std::vector<cairo_rectangle_int_t> runs;
    const int dx = std::abs(x2 - x1);
    const int dy = std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int x = x1;
    int y = y1;
    int runX = x;
    int runY = y;
    int err = dx - dy;
    auto flush = [&](int endX, int endY)
    {
        cairo_rectangle_int_t run;
        run.x = std::min(runX, endX);
        run.y = std::min(runY, endY);
        run.width = std::abs(endX - runX) + 1;
        run.height = std::abs(endY - runY) + 1;
        runs.push_back(run);
    };
    while (x != x2 || y != y2)
    {
        const int e2 = 2 * err;
        int nx = x;
        int ny = y;
        if (e2 > -dy)
        {
            err -= dy;
            nx += sx;
        }
        if (e2 < dx)
        {
            err += dx;
            ny += sy;
        }
        // A step off the current row (for a flat line) or column (for a steep one) ends
        // the run.
        const bool leavesRun = dx >= dy ? ny != runY : nx != runX;
        if (leavesRun)
        {
            flush(x, y);
            runX = nx;
            runY = ny;
        }
        x = nx;
        y = ny;
    }
    flush(x, y);
    return CRegion(cairo_region_create_rectangles(runs.data(), static_cast<int>(runs.size())));
}

} // namespace

CDrawPort::CDrawPort(cairo_surface_t* surface) : fClip(kOpenClip)
{
    SetSurface(surface);
}

CDrawPort::~CDrawPort()
{
    if (gCurrentPort == this)
    {
        gCurrentPort = nullptr;
        gCurrentDevice = nullptr;
    }
    if (fLayout != nullptr)
        g_object_unref(fLayout);
    if (fPangoContext != nullptr)
        g_object_unref(fPangoContext);
    if (fFontDescription != nullptr)
        pango_font_description_free(fFontDescription);
    if (fSurface != nullptr)
        cairo_surface_destroy(fSurface);
    fLayout = nullptr;
    fPangoContext = nullptr;
    fFontDescription = nullptr;
    fSurface = nullptr;
}

void CDrawPort::SetSurface(cairo_surface_t* surface)
{
    if (surface == nullptr || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
        throw XMacSystemOOM();
    cairo_surface_reference(surface);
    if (fSurface != nullptr)
        cairo_surface_destroy(fSurface);
    fSurface = surface;
}

double CDrawPort::GetDeviceScale() const
{
    double sx = 1;
    double sy = 1;
    cairo_surface_get_device_scale(fSurface, &sx, &sy);
    return sx;
}

CLocalRect CDrawPort::GetPortRect() const
{
    int w = 0;
    int h = 0;
    if (cairo_surface_get_type(fSurface) == CAIRO_SURFACE_TYPE_IMAGE)
    {
        double sx = 1;
        double sy = 1;
        cairo_surface_get_device_scale(fSurface, &sx, &sy);
        w = static_cast<int>(cairo_image_surface_get_width(fSurface) / sx);
        h = static_cast<int>(cairo_image_surface_get_height(fSurface) / sy);
    }
    else
    {
        w = h = 32767;
    }
    return CLocalRect(fOriginX, fOriginY, static_cast<short>(fOriginX + std::min(w, 32767)),
                      static_cast<short>(fOriginY + std::min(h, 32767)));
}

void CDrawPort::SetOrigin(short x, short y)
{
    fOriginX = x;
    fOriginY = y;
}

void CDrawPort::SetGlobalPosition(short x, short y)
{
    fGlobalX = x;
    fGlobalY = y;
}

void CDrawPort::LocalToGlobal(short x, short y, short* gx, short* gy) const
{
    *gx = static_cast<short>(x - fOriginX + fGlobalX);
    *gy = static_cast<short>(y - fOriginY + fGlobalY);
}

void CDrawPort::GlobalToLocal(short gx, short gy, short* x, short* y) const
{
    *x = static_cast<short>(gx - fGlobalX + fOriginX);
    *y = static_cast<short>(gy - fGlobalY + fOriginY);
}

void CDrawPort::RGBForeColor(const CRGBColor& c)
{
    ++fStateCalls;
    fForeColor = c;
}

void CDrawPort::RGBBackColor(const CRGBColor& c)
{
    ++fStateCalls;
    fBackColor = c;
}

void CDrawPort::PenMode(short mode)
{
    ++fStateCalls;
    fPenMode = mode;
}

void CDrawPort::TextMode(short mode)
{
    ++fStateCalls;
    fTextMode = mode;
}

void CDrawPort::TextFont(short fontNumber)
{
    ++fStateCalls;
    if (fontNumber != fTextFont)
        fFontDirty = true;
    fTextFont = fontNumber;
}

void CDrawPort::TextSize(short size)
{
    ++fStateCalls;
    if (size != fTextSize)
        fFontDirty = true;
    fTextSize = size;
}

void CDrawPort::TextFace(short face)
{
    ++fStateCalls;
    if (face != fTextFace)
        fFontDirty = true;
    fTextFace = face;
}

void CDrawPort::SetClip(const CRegion& clip)
{
    ++fStateCalls;
    fClip = clip;
}

void CDrawPort::GetClip(CRegion* clip)
{
    ++fStateCalls;
    *clip = fClip;
}

void CDrawPort::ClipRect(const CRect& r)
{
    ++fStateCalls;
    fClip.SetRectangle(&r);
}

void CDrawPort::GetFontInfo(SFontInfo* info)
{
    ++fStateCalls;
    PrepareLayout("");
    PangoFontMetrics* metrics = pango_context_get_metrics(fPangoContext, fFontDescription, nullptr);
    const int ascent = PANGO_PIXELS_CEIL(pango_font_metrics_get_ascent(metrics));
    const int descent = PANGO_PIXELS_CEIL(pango_font_metrics_get_descent(metrics));
    const int height = PANGO_PIXELS_CEIL(pango_font_metrics_get_height(metrics));
    pango_font_metrics_unref(metrics);
    int widMax = 0;
    if (PangoFont* font = pango_context_load_font(fPangoContext, fFontDescription))
    {
        if (cairo_scaled_font_t* scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font)))
        {
            cairo_font_extents_t extents;
            cairo_scaled_font_extents(scaled, &extents);
            widMax = static_cast<int>(std::ceil(extents.max_x_advance));
        }
        g_object_unref(font);
    }
    info->mAscent = static_cast<short>(ascent);
    info->mDescent = static_cast<short>(descent);
    info->mWidMax = static_cast<short>(widMax);
    info->mLeading = static_cast<short>(std::max(0, height - ascent - descent));
}

bool CDrawPort::IsXorMode() const
{
    return fPenMode == kPatXor || fPenMode == kSrcXor;
}

class CDrawPort::CDrawScope
{
public:
    explicit CDrawScope(const CDrawPort* port) : fObserver(port->fObserver)
    {
        if (fObserver != nullptr)
            fObserver->SurfaceWillChange();
    }
    ~CDrawScope()
    {
        if (fObserver != nullptr)
            fObserver->SurfaceDidChange();
    }
    CDrawScope(const CDrawScope&) = delete;
    CDrawScope& operator=(const CDrawScope&) = delete;

private:
    CSurfaceObserver* fObserver;
};

cairo_t* CDrawPort::NewContext(const CRegion* extra) const
{
    cairo_t* cr = cairo_create(fSurface);
    cairo_translate(cr, -fOriginX, -fOriginY);
    CRegion clip(fClip);
    if (extra != nullptr)
        clip.AndRegion(*extra);
    AddRegionPath(cr, clip);
    cairo_clip(cr);
    return cr;
}

void CDrawPort::FillShape(const CRegion& shape, const CRGBColor& color, bool xorMode)
{
    CRegion visible(shape);
    visible.AndRegion(fClip);
    visible.AndRectangle(GetPortRect());
    if (visible.IsEmpty())
        return;
    const CDrawScope scope(this);
    if (xorMode)
    {
        XorShape(visible, color);
        return;
    }
    TCairo cr(cairo_create(fSurface));
    cairo_translate(cr.get(), -fOriginX, -fOriginY);
    cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    SetSourceColor(cr.get(), color);
    AddRegionPath(cr.get(), visible);
    cairo_fill(cr.get());
}

void CDrawPort::XorShape(const CRegion& shape, const CRGBColor& color)
{
    const uint32_t rgb = color.GetPixel32();
    const cairo_format_t format = cairo_surface_get_type(fSurface) == CAIRO_SURFACE_TYPE_IMAGE
                                      ? cairo_image_surface_get_format(fSurface)
                                      : CAIRO_FORMAT_INVALID;
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24 &&
        format != CAIRO_FORMAT_RGB16_565 && format != CAIRO_FORMAT_A8 && format != CAIRO_FORMAT_A1)
    {
        // No pixel access: the difference with white inverts just as well, and twice
        // restores; other colours come close.
        TCairo cr(cairo_create(fSurface));
        cairo_translate(cr.get(), -fOriginX, -fOriginY);
        cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_DIFFERENCE);
        SetSourceColor(cr.get(), CRGBColor(static_cast<uint16_t>(~color.GetRed()),
                                           static_cast<uint16_t>(~color.GetGreen()),
                                           static_cast<uint16_t>(~color.GetBlue())));
        AddRegionPath(cr.get(), shape);
        cairo_fill(cr.get());
        return;
    }
    cairo_surface_flush(fSurface);
    unsigned char* data = cairo_image_surface_get_data(fSurface);
    const int stride = cairo_image_surface_get_stride(fSurface);
    const int width = cairo_image_surface_get_width(fSurface);
    const int height = cairo_image_surface_get_height(fSurface);
    double sx = 1;
    double sy = 1;
    double ox = 0;
    double oy = 0;
    cairo_surface_get_device_scale(fSurface, &sx, &sy);
    cairo_surface_get_device_offset(fSurface, &ox, &oy);
    const bool white = rgb == 0xFFFFFF;
    const uint32_t mask32 = ~rgb & 0xFFFFFFu;
    const uint16_t mask16 =
        static_cast<uint16_t>(~(((color.GetRed() >> 11) << 11) | ((color.GetGreen() >> 10) << 5) |
                                (color.GetBlue() >> 11)));
    const int n = shape.CountRectangles();
    for (int i = 0; i < n && data != nullptr && !white; ++i)
    {
        const CRect r = shape.GetRectangle(i);
        const int x0 =
            std::clamp(static_cast<int>(std::lround((r.fLeft - fOriginX) * sx + ox)), 0, width);
        const int x1 =
            std::clamp(static_cast<int>(std::lround((r.fRight - fOriginX) * sx + ox)), 0, width);
        const int y0 =
            std::clamp(static_cast<int>(std::lround((r.fTop - fOriginY) * sy + oy)), 0, height);
        const int y1 =
            std::clamp(static_cast<int>(std::lround((r.fBottom - fOriginY) * sy + oy)), 0, height);
        for (int y = y0; y < y1; ++y)
        {
            unsigned char* row = data + static_cast<ptrdiff_t>(y) * stride;
            for (int x = x0; x < x1; ++x)
            {
                switch (format)
                {
                case CAIRO_FORMAT_ARGB32:
                case CAIRO_FORMAT_RGB24:
                    reinterpret_cast<uint32_t*>(row)[x] ^= mask32;
                    break;
                case CAIRO_FORMAT_RGB16_565:
                    reinterpret_cast<uint16_t*>(row)[x] ^= mask16;
                    break;
                case CAIRO_FORMAT_A8:
                    row[x] ^= 0xFF;
                    break;
                default: // A1: 32-bit words, the first pixel in the low bit on little-endian hosts
                {
                    uint32_t* words = reinterpret_cast<uint32_t*>(row);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
                    words[x >> 5] ^= 1u << (x & 31);
#else
                    words[x >> 5] ^= 0x80000000u >> (x & 31);
#endif
                    break;
                }
                }
            }
        }
    }
    cairo_surface_mark_dirty(fSurface);
}

void CDrawPort::PaintRect(const CRect& r)
{
    PaintRegion(CRegion(r));
}

void CDrawPort::PaintRegion(const CRegion& region)
{
    FillShape(region, fForeColor, IsXorMode());
}

void CDrawPort::FrameRect(const CRect& r)
{
    CRegion frame(r);
    CRect inner(r);
    inner.Shrink(1);
    frame.SubRectangle(inner);
    FillShape(frame, fForeColor, IsXorMode());
}

void CDrawPort::EraseRect(const CRect& r)
{
    FillShape(CRegion(r), fBackColor, false);
}

void CDrawPort::DrawLine(short x1, short y1, short x2, short y2)
{
    FillShape(LineRegion(x1, y1, x2, y2), fForeColor, IsXorMode());
}

void CDrawPort::UpdateFont()
{
    if (fPangoContext == nullptr)
    {
        fPangoContext = pango_font_map_create_context(pango_cairo_font_map_get_default());
        if (fPangoContext == nullptr)
            throw XMacSystemOOM();
        // Whole-pixel advances and fixed hinting, so text measures the same on every surface
        // and at every device scale; glyphs are still rendered at the device's resolution.
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
        pango_cairo_context_set_font_options(fPangoContext, options);
        cairo_font_options_destroy(options);
        pango_cairo_context_set_resolution(fPangoContext, 72);
        fLayout = pango_layout_new(fPangoContext);
    }
    if (!fFontDirty && fFontDescription != nullptr)
        return;
    if (fFontDescription != nullptr)
        pango_font_description_free(fFontDescription);
    fFontDescription = pango_font_description_new();
    const std::string family = GetFontName(fTextFont);
    pango_font_description_set_family(fFontDescription, family.c_str());
    // Size 0 is the font's default size; sizes are pixels (points at 72 dpi).
    const int size = fTextSize > 0 ? fTextSize : 12;
    pango_font_description_set_absolute_size(fFontDescription, size * PANGO_SCALE);
    pango_font_description_set_weight(fFontDescription, (fTextFace & CFontSpec::kBoldBit)
                                                            ? PANGO_WEIGHT_BOLD
                                                            : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(fFontDescription, (fTextFace & CFontSpec::kItalicBit)
                                                           ? PANGO_STYLE_ITALIC
                                                           : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(fLayout, fFontDescription);
    PangoAttrList* attrs = nullptr;
    if (fTextFace & CFontSpec::kUnderlineBit)
    {
        attrs = pango_attr_list_new();
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    }
    pango_layout_set_attributes(fLayout, attrs);
    if (attrs != nullptr)
        pango_attr_list_unref(attrs);
    fFontDirty = false;
}

PangoLayout* CDrawPort::PrepareLayout(const char* text)
{
    UpdateFont();
    if (text == nullptr)
        text = "";
    if (g_utf8_validate(text, -1, nullptr))
    {
        pango_layout_set_text(fLayout, text, -1);
    }
    else
    {
        // Not UTF-8: then it is text in the platform's own character set (Mac Roman), as
        // resource files made elsewhere hold it. Every byte has a meaning there.
        gchar* converted = g_convert(text, -1, "UTF-8", "MACINTOSH", nullptr, nullptr, nullptr);
        if (converted == nullptr)
            converted = g_utf8_make_valid(text, -1);
        pango_layout_set_text(fLayout, converted, -1);
        g_free(converted);
    }
    pango_layout_set_width(fLayout, -1);
    return fLayout;
}

void CDrawPort::DrawString(short x, short y, const char* text)
{
    PangoLayout* layout = PrepareLayout(text);
    const CDrawScope scope(this);
    TCairo cr(NewContext(nullptr));
    const double baseline = pango_layout_get_baseline(layout) / double(PANGO_SCALE);
    if (fTextMode == kSrcCopy)
    {
        // Copy mode replaces the whole line box behind the text with the background.
        PangoRectangle logical;
        pango_layout_get_pixel_extents(layout, nullptr, &logical);
        SetSourceColor(cr.get(), fBackColor);
        cairo_rectangle(cr.get(), x + logical.x, y - baseline + logical.y, logical.width,
                        logical.height);
        cairo_fill(cr.get());
    }
    SetSourceColor(cr.get(), fForeColor);
    cairo_move_to(cr.get(), x, y - baseline);
    pango_cairo_show_layout(cr.get(), layout);
}

short CDrawPort::TextWidth(const char* text)
{
    PangoLayout* layout = PrepareLayout(text);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    return static_cast<short>(std::min(PANGO_PIXELS_CEIL(logical.width), 32767));
}

void CDrawPort::TextBox(const char* text, const CRect& r)
{
    if (r.IsEmpty())
        return;
    PangoLayout* layout = PrepareLayout(text);
    pango_layout_set_width(layout, r.GetWidth() * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    const CRegion box(r);
    const CDrawScope scope(this);
    TCairo cr(NewContext(&box));
    SetSourceColor(cr.get(), fForeColor);
    cairo_move_to(cr.get(), r.fLeft, r.fTop);
    pango_cairo_show_layout(cr.get(), layout);
    pango_layout_set_width(layout, -1);
}

void CDrawPort::CopyBits(const CDrawPort& src, const CRect& srcRect, const CRect& dstRect)
{
    if (srcRect.IsEmpty() || dstRect.IsEmpty())
        return;
    if (src.fObserver != nullptr)
        src.fObserver->SurfaceWillBeRead();
    cairo_surface_t* source = src.fSurface;
    double sourceX = srcRect.fLeft - src.fOriginX;
    double sourceY = srcRect.fTop - src.fOriginY;
    TSurface snapshot;
    if (source == fSurface)
    {
        // Overlapping copies within one surface go through a snapshot of the source part.
        const double scale = GetDeviceScale();
        snapshot.reset(cairo_surface_create_similar_image(
            fSurface,
            cairo_surface_get_type(fSurface) == CAIRO_SURFACE_TYPE_IMAGE
                ? cairo_image_surface_get_format(fSurface)
                : CAIRO_FORMAT_RGB24,
            static_cast<int>(std::ceil(srcRect.GetWidth() * scale)),
            static_cast<int>(std::ceil(srcRect.GetHeight() * scale))));
        if (cairo_surface_status(snapshot.get()) != CAIRO_STATUS_SUCCESS)
            throw XMacSystemOOM();
        cairo_surface_set_device_scale(snapshot.get(), scale, scale);
        TCairo copy(cairo_create(snapshot.get()));
        cairo_set_operator(copy.get(), CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(copy.get(), source, -sourceX, -sourceY);
        cairo_paint(copy.get());
        source = snapshot.get();
        sourceX = sourceY = 0;
    }
    const CRegion box(dstRect);
    const CDrawScope scope(this);
    TCairo cr(NewContext(&box));
    cairo_translate(cr.get(), dstRect.fLeft, dstRect.fTop);
    cairo_scale(cr.get(), double(dstRect.GetWidth()) / srcRect.GetWidth(),
                double(dstRect.GetHeight()) / srcRect.GetHeight());
    cairo_set_source_surface(cr.get(), source, -sourceX, -sourceY);
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_NEAREST);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    // Only what the source has: pixels beyond its edge are left alone.
    const CLocalRect sourceBounds = src.GetPortRect();
    CRect part(srcRect);
    part.Intersect(sourceBounds);
    if (part.IsEmpty())
        return;
    cairo_rectangle(cr.get(), part.fLeft - srcRect.fLeft, part.fTop - srcRect.fTop, part.GetWidth(),
                    part.GetHeight());
    cairo_fill(cr.get());
}

void CDrawPort::CopyMask(const CDrawPort& src, const unsigned char* mask, long maskRowBytes,
                         short maskWidth, short maskHeight, const CRect& srcRect, short dstX,
                         short dstY)
{
    CRect part(srcRect);
    part.Intersect(src.GetPortRect());
    if (part.IsEmpty() || mask == nullptr)
        return;
    if (src.fObserver != nullptr)
        src.fObserver->SurfaceWillBeRead();
    // The mask's part as an 8-bit alpha surface: all or nothing per pixel.
    const int width = part.GetWidth();
    const int height = part.GetHeight();
    TSurface alpha(cairo_image_surface_create(CAIRO_FORMAT_A8, width, height));
    if (cairo_surface_status(alpha.get()) != CAIRO_STATUS_SUCCESS)
        throw XMacSystemOOM();
    unsigned char* alphaBytes = cairo_image_surface_get_data(alpha.get());
    const int alphaStride = cairo_image_surface_get_stride(alpha.get());
    for (int y = 0; y < height; ++y)
    {
        const int maskY = part.fTop - src.fOriginY + y;
        unsigned char* out = alphaBytes + static_cast<long>(y) * alphaStride;
        for (int x = 0; x < width; ++x)
        {
            const int maskX = part.fLeft - src.fOriginX + x;
            bool set = false;
            if (maskX >= 0 && maskY >= 0 && maskX < maskWidth && maskY < maskHeight)
                set = (mask[static_cast<long>(maskY) * maskRowBytes + (maskX >> 3)] &
                       (0x80 >> (maskX & 7))) != 0;
            out[x] = set ? 0xFF : 0;
        }
    }
    cairo_surface_mark_dirty(alpha.get());

    const short left = static_cast<short>(dstX + (part.fLeft - srcRect.fLeft));
    const short top = static_cast<short>(dstY + (part.fTop - srcRect.fTop));
    const CRegion box(CRect(left, top, static_cast<short>(left + width),
                            static_cast<short>(top + height)));
    cairo_surface_t* source = src.fSurface;
    TSurface snapshot;
    if (source == fSurface)
    {
        // A copy within one surface reads the source part before anything is written.
        snapshot.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
        if (cairo_surface_status(snapshot.get()) != CAIRO_STATUS_SUCCESS)
            throw XMacSystemOOM();
        TCairo copy(cairo_create(snapshot.get()));
        cairo_set_operator(copy.get(), CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(copy.get(), source, -(part.fLeft - src.fOriginX),
                                 -(part.fTop - src.fOriginY));
        cairo_paint(copy.get());
        source = snapshot.get();
    }
    const CDrawScope scope(this);
    TCairo cr(NewContext(&box));
    cairo_translate(cr.get(), left, top);
    if (snapshot)
        cairo_set_source_surface(cr.get(), source, 0, 0);
    else
        cairo_set_source_surface(cr.get(), source, -(part.fLeft - src.fOriginX),
                                 -(part.fTop - src.fOriginY));
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_NEAREST);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_OVER);
    // Nearest sampling keeps the mask's edges hard on a scaled window.
    cairo_pattern_t* maskPattern = cairo_pattern_create_for_surface(alpha.get());
    cairo_pattern_set_filter(maskPattern, CAIRO_FILTER_NEAREST);
    cairo_mask(cr.get(), maskPattern);
    cairo_pattern_destroy(maskPattern);
}

void CDrawPort::SetCurrent(CDrawPort* port, SGraphicsDevice* device)
{
    gCurrentPort = port;
    gCurrentDevice = device;
}

CDrawPort* CDrawPort::GetCurrent()
{
    return gCurrentPort;
}

SGraphicsDevice* CDrawPort::GetCurrentDevice()
{
    return gCurrentDevice;
}

short CDrawPort::GetFNum(const char* name)
{
    if (name == nullptr || *name == '\0')
        return kSystemFontNumber;
    std::vector<std::string>& names = FontNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return static_cast<short>(i + 2);
    // Font numbers are 16-bit; past that every new name shares the system font's number.
    if (names.size() >= 32000)
        return kSystemFontNumber;
    names.emplace_back(name);
    return static_cast<short>(names.size() + 1);
}

std::string CDrawPort::GetFontName(short fontNumber)
{
    if (fontNumber == kApplicationFontNumber)
        return CFontSpec::MacGetAppearanceFont(CFontSpec::kThemeApplicationFont).GetName();
    const std::vector<std::string>& names = FontNames();
    if (fontNumber >= 2 && static_cast<size_t>(fontNumber - 2) < names.size())
        return names[fontNumber - 2];
    return CFontSpec::GetSystemFont().GetName();
}

} // namespace NSWayfarer
