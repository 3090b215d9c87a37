// The abstract drawing surface every window canvas and off-screen bitmap is: filled and
// framed rectangles, lines, XOR feedback and text, all in local coordinates, through the
// attribute proxy of the surface's drawing port.
#pragma once

#include "framework/graphics/CCanvasAttributeProxy.h"
#include "framework/graphics/CFontSpec.h"
#include "framework/graphics/CLocalRect.h"
#include "framework/graphics/CRGBColor.h"
#include "framework/graphics/TBitmapID.h"

namespace NSWayfarer
{

class CABCBitmap;
class CABCBitmapSequence;
class CBitmap32;
class CDrawPort;
class CTransparentBitmap;

class CABCCanvas
{
public:
    // The proxy is not owned; a canvas without one draws nothing.
    explicit CABCCanvas(CCanvasAttributeProxy* proxy = nullptr) : fProxy(proxy) {}
    virtual ~CABCCanvas() = default;
    CABCCanvas(const CABCCanvas&) = delete;
    CABCCanvas& operator=(const CABCCanvas&) = delete;

    // The bitmap behind this surface, or null.
    virtual CABCBitmap* GetDestBitmap() = 0;
    virtual unsigned char GetBitDepth() const = 0;

    CCanvasAttributeProxy* GetProxy() const { return fProxy; }
    // The proxy's super-port (an empty one without a proxy).
    CMacSuperPort MacGetMacPort() const;

    void DrawRect(const CLocalRect* r, const CRGBColor& color);
    // One pixel on the rectangle's inner edge.
    void DrawFrame(const CLocalRect* r, const CRGBColor& color);
    // The same outline in XOR: drawing it twice restores the pixels.
    void DrawFrameXOR(const CLocalRect* r, const CRGBColor& color);
    void DrawLine(short x1, short y1, short x2, short y2, const CRGBColor& color);
    void DrawLineXOR(short x1, short y1, short x2, short y2, const CRGBColor& color);
    void DrawHorizontalLine(short x1, short y, short x2, const CRGBColor& color);
    void DrawVerticalLine(short x, short y1, short y2, const CRGBColor& color);

    // The whole string from x with its baseline on y.
    void DrawText(short x, short y, const char* text, const CFontSpec& font,
                  const CRGBColor& color);
    // Word-wrapped, left-aligned, clipped at the rectangle.
    void DrawWrappedText(CLocalRect r, const char* text, const CFontSpec& font,
                         const CRGBColor& color);
    // 2 pixels in from the left, vertically centred.
    void DrawTextAtLeftMiddle(const CLocalRect* r, const char* text, const CFontSpec& font,
                              const CRGBColor& color);
    // Centred both ways; wider text sticks out equally on both sides.
    void DrawCentredText(const CLocalRect* r, const char* text, const CFontSpec& font,
                         const CRGBColor& color);

    short GetTextWidth(const char* text, const CFontSpec& font);
    // Ascent + descent.
    short GetTextHeight(const CFontSpec& font);
    // Ascent.
    short GetTextBaseline(const CFontSpec& font);
    // (0, 0, width, height).
    void GetTextRect(CLocalRect* r, const char* text, const CFontSpec& font);

    // The w x h rectangle at (sx, sy) of the bitmap to (x, y), source copy, by the bitmap's
    // own DrawBitmapToCanvas; the second form copies the whole bitmap.
    void DrawBitmap(short x, short y, const CABCBitmap* bitmap, short sx, short sy, short w,
                    short h);
    void DrawBitmap(short x, short y, const CABCBitmap* bitmap);

    // --- Pictures by identifier, from the application's bitmap cache ----------------------
    // The cached picture in the main screen's format, loaded on first use; the loader's
    // exceptions (a missing resource, no application) go on.
    static CABCBitmap* GetCachedBitmap(TBitmapID id);
    // Loads without drawing.
    static void TouchBitmap(TBitmapID id);
    static void GetBitmapSize(TBitmapID id, short* width, short* height);
    static void FlushBitmap(TBitmapID id);
    // The whole picture, or its w x h rectangle at (sx, sy), at (x, y). Never throws: a
    // picture that cannot be had draws nothing.
    void DrawBitmap(short x, short y, TBitmapID id);
    void DrawBitmap(short x, short y, TBitmapID id, short sx, short sy, short w, short h);
    // One frame of the sequence at (x, y); failures to get the picture go on.
    void DrawBitmapSequence(short x, short y, const CABCBitmapSequence* sequence,
                            unsigned short frame);

    // --- Transparent copies: only the pixels whose mask bit is set --------------------------
    void DrawTransparentBitmap(short x, short y, const CTransparentBitmap* bitmap, short sx,
                               short sy, short w, short h);
    void DrawTransparentBitmap(short x, short y, const CTransparentBitmap* bitmap);
    // Through a transparent bitmap made for the call from that rectangle (or the whole
    // picture): its bottom-left pixel's colour is left out.
    void DrawTransparentBitmap(short x, short y, const CBitmap32* bitmap, short sx, short sy,
                               short w, short h);
    void DrawTransparentBitmap(short x, short y, const CBitmap32* bitmap);
    void DrawTransparentBitmap(short x, short y, const TBitmapID& id, short sx, short sy, short w,
                               short h);
    void DrawTransparentBitmap(short x, short y, const TBitmapID& id);

    // The system font at 12 points and the application font at 9, each fixed on first use:
    // the platform installs its theme fonts before anything draws.
    static CFontSpec GetDefaultFontSpec();
    static CFontSpec GetDefaultTinyFontSpec();

protected:
    void SetProxy(CCanvasAttributeProxy* proxy) { fProxy = proxy; }
    // Makes the canvas's port current and returns it, or null without a port.
    CDrawPort* PreparePort() const;

private:
    void Line(short x1, short y1, short x2, short y2, const CRGBColor& color, bool xorMode);

    CCanvasAttributeProxy* fProxy = nullptr;
};

} // namespace NSWayfarer
