#include "framework/graphics/CABCCanvas.h"

#include "framework/graphics/CDrawPort.h"

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

} // namespace NSWayfarer
