#include "framework/graphics/CCanvasAttributeProxy.h"

#include "framework/graphics/CABCCanvas.h"
#include "framework/graphics/CDrawPort.h"

namespace NSWayfarer
{

CCanvasAttributeProxy::CCanvasAttributeProxy(const CMacSuperPort& port) : fSuperPort(port) {}

void CCanvasAttributeProxy::MacLatchFont(const CFontSpec& font)
{
    if (font.IsEqual(fFont))
        return;
    fFont = font;
    ApplyFont();
}

void CCanvasAttributeProxy::MacLatchForeColor(const CRGBColor& color)
{
    if (color.IsEqual(fForeColor))
        return;
    fForeColor = color;
    CDrawPort* port = GetPort();
    if (port == nullptr)
        return;
    fSuperPort.MakeCurrent();
    port->RGBForeColor(color);
}

void CCanvasAttributeProxy::Reset()
{
    CDrawPort* port = GetPort();
    fForeColor = CRGBColor::kBlack;
    fFont = CABCCanvas::GetDefaultFontSpec();
    if (port != nullptr)
    {
        fSuperPort.MakeCurrent();
        port->PenMode(CDrawPort::kPatCopy);
        port->TextMode(CDrawPort::kSrcOr);
        port->RGBForeColor(fForeColor);
    }
    ApplyFont();
}

void CCanvasAttributeProxy::ApplyFont()
{
    CDrawPort* port = GetPort();
    if (port == nullptr)
        return;
    fSuperPort.MakeCurrent();
    port->TextFont(CDrawPort::GetFNum(fFont.GetName()));
    port->TextSize(fFont.GetSize());
    port->TextFace(fFont.GetStyle());
    // Reading metrics loads and measures the font: most latches (a window's first
    // paint among them) never ask for them.
    fMetricsRead = false;
}

void CCanvasAttributeProxy::ReadMetrics() const
{
    if (fMetricsRead)
        return;
    fMetricsRead = true;
    CDrawPort* port = GetPort();
    if (port == nullptr)
        return;
    // The latched font's, even when someone else has set the port's font since.
    const short font = port->GetTextFont();
    const short size = port->GetTextSize();
    const short face = port->GetTextFace();
    const short latchedFont = CDrawPort::GetFNum(fFont.GetName());
    const bool changed =
        font != latchedFont || size != fFont.GetSize() || face != fFont.GetStyle();
    if (changed)
    {
        port->TextFont(latchedFont);
        port->TextSize(fFont.GetSize());
        port->TextFace(fFont.GetStyle());
    }
    SFontInfo info;
    port->GetFontInfo(&info);
    if (changed)
    {
        port->TextFont(font);
        port->TextSize(size);
        port->TextFace(face);
    }
    fAscent = info.mAscent;
    fDescent = info.mDescent;
    fWidMax = info.mWidMax;
    fLeading = info.mLeading;
}

} // namespace NSWayfarer
