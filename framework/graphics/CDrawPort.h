// A drawing port: the platform's drawing state (colours, pen and text modes, font, clip,
// origin) over a cairo image surface, and the drawing primitives every canvas is built on.
// Windows hand it their backing store, bitmaps their pixels; nothing above the graphics
// folder sees the cairo or pango types.
#pragma once

#include "framework/graphics/CLocalRect.h"
#include "framework/graphics/CRGBColor.h"
#include "framework/graphics/CRegion.h"

#include <cstdint>
#include <string>

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo cairo_t;
typedef struct _PangoContext PangoContext;
typedef struct _PangoLayout PangoLayout;
typedef struct _PangoFontDescription PangoFontDescription;

namespace NSWayfarer
{

// The screen a port is shown on; what it holds is the display layer's business.
struct SGraphicsDevice;

struct SFontInfo
{
    short mAscent = 0;
    short mDescent = 0;
    short mWidMax = 0;
    short mLeading = 0;
};

class CDrawPort
{
public:
    // Told by the port before cairo touches its surface. A bitmap whose own pixel store is
    // not the surface (16, 8 and 1 bits) brings the surface up to date and notes that the
    // store must be refreshed from it before its pixels are read.
    class CSurfaceObserver
    {
    public:
        virtual ~CSurfaceObserver() = default;
        // The surface is about to be drawn into, and has been.
        virtual void SurfaceWillChange() = 0;
        virtual void SurfaceDidChange() = 0;
        // The surface is about to be read (the source of a copy).
        virtual void SurfaceWillBeRead() = 0;
    };

    enum EMode : short
    {
        kSrcCopy = 0,
        kSrcOr = 1,
        kSrcXor = 2,
        kSrcBic = 3,
        kPatCopy = 8,
        kPatOr = 9,
        kPatXor = 10,
        kPatBic = 11
    };
    // Font numbers 0 and 1 name the system and the application font, whatever the desktop
    // makes of them at the time of drawing.
    static constexpr short kSystemFontNumber = 0;
    static constexpr short kApplicationFontNumber = 1;

    // Holds a reference to the surface. Throws XMacSystemOOM for a null or failed surface.
    explicit CDrawPort(cairo_surface_t* surface);
    ~CDrawPort();
    CDrawPort(const CDrawPort&) = delete;
    CDrawPort& operator=(const CDrawPort&) = delete;

    // A new backing store (a resize or a change of scale); the drawing state stays.
    void SetSurface(cairo_surface_t* surface);
    cairo_surface_t* GetSurface() const { return fSurface; }
    // Not owned; null for none.
    void SetSurfaceObserver(CSurfaceObserver* observer) { fObserver = observer; }
    // Pixels per local unit (a window on a doubled display has 2).
    double GetDeviceScale() const;

    // The surface's extent in local coordinates: its top-left is the origin.
    CLocalRect GetPortRect() const;
    void SetOrigin(short x, short y);
    short GetOriginX() const { return fOriginX; }
    short GetOriginY() const { return fOriginY; }
    // Where the surface's top-left pixel is on the screen; the window layer keeps it current.
    void SetGlobalPosition(short x, short y);
    void LocalToGlobal(short x, short y, short* gx, short* gy) const;
    void GlobalToLocal(short gx, short gy, short* x, short* y) const;

    // --- State: each of these counts as one platform call -------------------------------
    void RGBForeColor(const CRGBColor& c);
    void RGBBackColor(const CRGBColor& c);
    void PenMode(short mode);
    void TextMode(short mode);
    void TextFont(short fontNumber);
    void TextSize(short size);
    void TextFace(short face);
    void GetFontInfo(SFontInfo* info);
    void SetClip(const CRegion& clip);
    void GetClip(CRegion* clip);
    void ClipRect(const CRect& r);

    CRGBColor GetForeColor() const { return fForeColor; }
    CRGBColor GetBackColor() const { return fBackColor; }
    short GetPenMode() const { return fPenMode; }
    short GetTextMode() const { return fTextMode; }
    short GetTextFont() const { return fTextFont; }
    short GetTextSize() const { return fTextSize; }
    short GetTextFace() const { return fTextFace; }
    // Calls of the state functions above since construction.
    unsigned long GetStateCallCount() const { return fStateCalls; }

    // --- Drawing in the current modes and colours, clipped --------------------------------
    // XOR pen modes flip the bits of the foreground colour's complement, so black inverts
    // and drawing the same shape twice restores the pixels; other modes paint.
    void PaintRect(const CRect& r);
    void PaintRegion(const CRegion& region);
    // One pixel on the rectangle's inner edge; each pixel once, also at the corners.
    void FrameRect(const CRect& r);
    // With the background colour, always painted.
    void EraseRect(const CRect& r);
    // A one-pixel pen from (x1, y1) to (x2, y2), both ends included.
    void DrawLine(short x1, short y1, short x2, short y2);
    // UTF-8 text with its baseline on y; text that is not UTF-8 is taken as Mac Roman. In
    // source-copy text mode the line box behind it is filled with the background first.
    void DrawString(short x, short y, const char* text);
    short TextWidth(const char* text);
    // Word-wrapped into r from its top-left, clipped to r.
    void TextBox(const char* text, const CRect& r);
    // Copies src's srcRect onto dstRect of this port (scaled when the sizes differ). The
    // source may be this port itself.
    void CopyBits(const CDrawPort& src, const CRect& srcRect, const CRect& dstRect);
    // Copies src's srcRect to the same-sized rectangle at (dstX, dstY), only the pixels whose
    // bit is set in mask: 1-bit rows, leftmost pixel in the top bit, maskRowBytes apart,
    // maskWidth x maskHeight pixels laid over src's pixels from its top-left (outside the
    // mask counts as clear). Pixels beyond src's edge are left alone.
    void CopyMask(const CDrawPort& src, const unsigned char* mask, long maskRowBytes,
                  short maskWidth, short maskHeight, const CRect& srcRect, short dstX, short dstY);

    // The current port, as the graphic manager sets and reads it back.
    static void SetCurrent(CDrawPort* port, SGraphicsDevice* device);
    static CDrawPort* GetCurrent();
    static SGraphicsDevice* GetCurrentDevice();

    // Font numbers for family names and back; a name not seen before gets the next number.
    static short GetFNum(const char* name);
    static std::string GetFontName(short fontNumber);

private:
    // Tells the observer before and after one drawing operation.
    class CDrawScope;
    bool IsXorMode() const;
    // A cairo context on the surface in local coordinates, clipped to the port's clip and
    // to extra (when given).
    cairo_t* NewContext(const CRegion* extra) const;
    void FillShape(const CRegion& shape, const CRGBColor& color, bool xorMode);
    void XorShape(const CRegion& shape, const CRGBColor& color);
    PangoLayout* PrepareLayout(const char* text);
    void UpdateFont();

    cairo_surface_t* fSurface = nullptr;
    CSurfaceObserver* fObserver = nullptr;
    short fOriginX = 0;
    short fOriginY = 0;
    short fGlobalX = 0;
    short fGlobalY = 0;
    CRGBColor fForeColor;
    CRGBColor fBackColor{65535, 65535, 65535};
    short fPenMode = kPatCopy;
    short fTextMode = kSrcOr;
    short fTextFont = kSystemFontNumber;
    short fTextSize = 0;
    short fTextFace = 0;
    CRegion fClip;
    unsigned long fStateCalls = 0;

    PangoContext* fPangoContext = nullptr;
    PangoLayout* fLayout = nullptr;
    PangoFontDescription* fFontDescription = nullptr;
    bool fFontDirty = true;
};

} // namespace NSWayfarer
