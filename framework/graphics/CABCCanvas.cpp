#include "framework/graphics/CABCCanvas.h"

#include "framework/graphics/CDrawPort.h"

#include "framework/application/CApplication.h"
#include "framework/files/XBase.h"
#include "framework/graphics/CABCBitmap.h"
#include "framework/graphics/CABCBitmapSequence.h"
#include "framework/graphics/CBitmap1.h"
#include "framework/graphics/CBitmap32.h"
#include "framework/graphics/CGraphicManager.h"
#include "framework/graphics/CTransparentBitmap.h"

namespace NSWayfarer
{

CMacSuperPort CABCCanvas::MacGetMacPort() const
{
    return fProxy != nullptr ? fProxy->GetSuperPort() : CMacSuperPort();
}

CDrawPort* CABCCanvas::PreparePort() const
{
    if (fProxy == nullptr || fProxy->GetPort() == nullptr)
        return nullptr;
    fProxy->GetSuperPort().MakeCurrent();
    return fProxy->GetPort();
}

void CABCCanvas::DrawRect(const CLocalRect* r, const CRGBColor& color)
{
    if (fProxy == nullptr || r == nullptr)
        return;
    fProxy->MacLatchForeColor(color);
    if (CDrawPort* port = PreparePort())
        port->PaintRect(*r);
}

void CABCCanvas::DrawFrame(const CLocalRect* r, const CRGBColor& color)
{
    if (fProxy == nullptr || r == nullptr)
        return;
    fProxy->MacLatchForeColor(color);
    if (CDrawPort* port = PreparePort())
        port->FrameRect(*r);
}

void CABCCanvas::DrawFrameXOR(const CLocalRect* r, const CRGBColor& color)
{
    if (fProxy == nullptr || r == nullptr)
        return;
    fProxy->MacLatchForeColor(color);
    if (CDrawPort* port = PreparePort())
    {
        port->PenMode(CDrawPort::kPatXor);
        port->FrameRect(*r);
        port->PenMode(CDrawPort::kPatCopy);
    }
}

void CABCCanvas::Line(short x1, short y1, short x2, short y2, const CRGBColor& color, bool xorMode)
{
    if (fProxy == nullptr)
        return;
    fProxy->MacLatchForeColor(color);
    CDrawPort* port = PreparePort();
    if (port == nullptr)
        return;
    if (xorMode)
        port->PenMode(CDrawPort::kPatXor);
    port->DrawLine(x1, y1, x2, y2);
    if (xorMode)
        port->PenMode(CDrawPort::kPatCopy);
}

void CABCCanvas::DrawLine(short x1, short y1, short x2, short y2, const CRGBColor& color)
{
    Line(x1, y1, x2, y2, color, false);
}

void CABCCanvas::DrawLineXOR(short x1, short y1, short x2, short y2, const CRGBColor& color)
{
    Line(x1, y1, x2, y2, color, true);
}

void CABCCanvas::DrawHorizontalLine(short x1, short y, short x2, const CRGBColor& color)
{
    Line(x1, y, x2, y, color, false);
}

void CABCCanvas::DrawVerticalLine(short x, short y1, short y2, const CRGBColor& color)
{
    Line(x, y1, x, y2, color, false);
}

void CABCCanvas::DrawText(short x, short y, const char* text, const CFontSpec& font,
                          const CRGBColor& color)
{
    if (fProxy == nullptr || text == nullptr)
        return;
    fProxy->MacLatchForeColor(color);
    fProxy->MacLatchFont(font);
    if (CDrawPort* port = PreparePort())
        port->DrawString(x, y, text);
}

void CABCCanvas::DrawWrappedText(CLocalRect r, const char* text, const CFontSpec& font,
                                 const CRGBColor& color)
{
    if (fProxy == nullptr || text == nullptr)
        return;
    fProxy->MacLatchForeColor(color);
    fProxy->MacLatchFont(font);
    if (CDrawPort* port = PreparePort())
        port->TextBox(text, r);
}

void CABCCanvas::DrawTextAtLeftMiddle(const CLocalRect* r, const char* text, const CFontSpec& font,
                                      const CRGBColor& color)
{
    if (fProxy == nullptr || r == nullptr || text == nullptr)
        return;
    CRect box(0, 0, 1, GetTextHeight(font));
    box.CenterVertically(*r);
    DrawText(static_cast<short>(r->fLeft + 2), static_cast<short>(box.fTop + fProxy->GetAscent()),
             text, font, color);
}

void CABCCanvas::DrawCentredText(const CLocalRect* r, const char* text, const CFontSpec& font,
                                 const CRGBColor& color)
{
    if (fProxy == nullptr || r == nullptr || text == nullptr)
        return;
    CRect box(0, 0, GetTextWidth(text, font), GetTextHeight(font));
    box.Center(*r);
    DrawText(box.fLeft, static_cast<short>(box.fTop + fProxy->GetAscent()), text, font, color);
}

short CABCCanvas::GetTextWidth(const char* text, const CFontSpec& font)
{
    if (fProxy == nullptr || text == nullptr)
        return 0;
    fProxy->MacLatchFont(font);
    CDrawPort* port = PreparePort();
    return port != nullptr ? port->TextWidth(text) : 0;
}

short CABCCanvas::GetTextHeight(const CFontSpec& font)
{
    if (fProxy == nullptr)
        return 0;
    fProxy->MacLatchFont(font);
    return static_cast<short>(fProxy->GetAscent() + fProxy->GetDescent());
}

short CABCCanvas::GetTextBaseline(const CFontSpec& font)
{
    if (fProxy == nullptr)
        return 0;
    fProxy->MacLatchFont(font);
    return fProxy->GetAscent();
}

void CABCCanvas::GetTextRect(CLocalRect* r, const char* text, const CFontSpec& font)
{
    if (r == nullptr)
        return;
    const short width = GetTextWidth(text, font);
    *r = CLocalRect(0, 0, width, GetTextHeight(font));
}

CFontSpec CABCCanvas::GetDefaultFontSpec()
{
    static const CFontSpec font(CFontSpec::GetSystemFont().GetName(), 12);
    return font;
}

CFontSpec CABCCanvas::GetDefaultTinyFontSpec()
{
    static const CFontSpec font(
        CFontSpec::MacGetAppearanceFont(CFontSpec::kThemeApplicationFont).GetName(), 9);
    return font;
}

void CABCCanvas::DrawBitmap(short x, short y, const CABCBitmap* bitmap, short sx, short sy, short w,
                            short h)
{
    if (bitmap != nullptr)
        bitmap->DrawBitmapToCanvas(this, x, y, sx, sy, w, h);
}

void CABCCanvas::DrawBitmap(short x, short y, const CABCBitmap* bitmap)
{
    if (bitmap != nullptr)
        bitmap->DrawBitmapToCanvas(this, x, y, 0, 0, bitmap->GetWidth(), bitmap->GetHeight());
}

CABCBitmap* CABCCanvas::GetCachedBitmap(TBitmapID id)
{
    CApplication* app = CApplication::Get();
    if (app == nullptr)
        throw XNotFound();
    const CBitmapDest* dest = CGraphicManager::gGraphicMgr != nullptr
                                  ? CGraphicManager::gGraphicMgr->GetBitmapDestForMainScreen()
                                  : nullptr;
    CABCBitmap* bitmap = app->GetBitmap(dest, id);
    if (bitmap == nullptr)
        throw XNotFound();
    return bitmap;
}

void CABCCanvas::TouchBitmap(TBitmapID id)
{
    GetCachedBitmap(id);
}

void CABCCanvas::GetBitmapSize(TBitmapID id, short* width, short* height)
{
    const CABCBitmap* bitmap = GetCachedBitmap(id);
    if (width != nullptr)
        *width = bitmap->GetWidth();
    if (height != nullptr)
        *height = bitmap->GetHeight();
}

void CABCCanvas::FlushBitmap(TBitmapID id)
{
    if (CApplication* app = CApplication::Get())
        app->FlushBitmap(id);
}

void CABCCanvas::DrawBitmap(short x, short y, TBitmapID id)
{
    try
    {
        DrawBitmap(x, y, GetCachedBitmap(id));
    }
    catch (...)
    {
    }
}

void CABCCanvas::DrawBitmap(short x, short y, TBitmapID id, short sx, short sy, short w, short h)
{
    try
    {
        DrawBitmap(x, y, GetCachedBitmap(id), sx, sy, w, h);
    }
    catch (...)
    {
    }
}

void CABCCanvas::DrawBitmapSequence(short x, short y, const CABCBitmapSequence* sequence,
                                    unsigned short frame)
{
    if (sequence == nullptr)
        return;
    const CABCBitmap* picture = GetCachedBitmap(sequence->GetBitmapID());
    const CRect r = sequence->GetFrameRect(picture->GetWidth(), picture->GetHeight(), frame);
    DrawBitmap(x, y, picture, r.fLeft, r.fTop, r.GetWidth(), r.GetHeight());
}

void CABCCanvas::DrawTransparentBitmap(short x, short y, const CTransparentBitmap* bitmap, short sx,
                                       short sy, short w, short h)
{
    if (fProxy == nullptr || bitmap == nullptr || bitmap->GetBitmap() == nullptr ||
        bitmap->GetMask() == nullptr || w <= 0 || h <= 0)
        return;
    fProxy->MacLatchForeColor(CRGBColor::kBlack);
    CDrawPort* port = PreparePort();
    const CDrawPort* source = bitmap->GetBitmap()->GetDrawPort();
    if (port == nullptr || source == nullptr)
        return;
    const CBitmap1* mask = bitmap->GetMask();
    const unsigned char* bits = mask->OpenRead();
    port->CopyMask(*source, bits, mask->GetRowBytes(), mask->GetWidth(), mask->GetHeight(),
                   CRect(sx, sy, static_cast<short>(sx + w), static_cast<short>(sy + h)), x, y);
    mask->CloseRead(&bits);
}

void CABCCanvas::DrawTransparentBitmap(short x, short y, const CTransparentBitmap* bitmap)
{
    if (bitmap != nullptr)
        DrawTransparentBitmap(x, y, bitmap, 0, 0, bitmap->GetWidth(), bitmap->GetHeight());
}

void CABCCanvas::DrawTransparentBitmap(short x, short y, const CBitmap32* bitmap, short sx,
                                       short sy, short w, short h)
{
    if (bitmap == nullptr || w <= 0 || h <= 0)
        return;
    const CTransparentBitmap transparent(bitmap, sx, sy, w, h);
    DrawTransparentBitmap(x, y, &transparent);
}

void CABCCanvas::DrawTransparentBitmap(short x, short y, const CBitmap32* bitmap)
{
    if (bitmap != nullptr)
        DrawTransparentBitmap(x, y, bitmap, 0, 0, bitmap->GetWidth(), bitmap->GetHeight());
}

void CABCCanvas::DrawTransparentBitmap(short x, short y, const TBitmapID& id, short sx, short sy,
                                       short w, short h)
{
    if (w <= 0 || h <= 0)
        return;
    const CTransparentBitmap transparent(id, sx, sy, w, h);
    DrawTransparentBitmap(x, y, &transparent);
}

void CABCCanvas::DrawTransparentBitmap(short x, short y, const TBitmapID& id)
{
    short width = 0;
    short height = 0;
    GetBitmapSize(id, &width, &height);
    DrawTransparentBitmap(x, y, id, 0, 0, width, height);
}

} // namespace NSWayfarer
