// The drawing attributes (font and foreground colour) last applied to one drawing port, so
// that drawing again with the same ones leaves the port alone. One per port, owned by
// whoever made the port (a window link or a bitmap).
#pragma once

#include "framework/graphics/CFontSpec.h"
#include "framework/graphics/CMacSuperPort.h"
#include "framework/graphics/CRGBColor.h"

namespace NSWayfarer
{

class CCanvasAttributeProxy
{
public:
    explicit CCanvasAttributeProxy(const CMacSuperPort& port);

    const CMacSuperPort& GetSuperPort() const { return fSuperPort; }
    CDrawPort* GetPort() const { return fSuperPort.GetPort(); }

    // Nothing when equal to the latched font; else latch it, make the port current, set
    // family, size and style and read the metrics.
    void MacLatchFont(const CFontSpec& font);
    // Nothing when equal to the latched colour; else latch it, make the port current and
    // set the foreground colour.
    void MacLatchForeColor(const CRGBColor& color);
    // Re-establishes the port's state after someone else drew into it: copy pen mode,
    // source-OR text, black, and the default font applied even if already latched.
    void Reset();

    const CFontSpec& GetLatchedFont() const { return fFont; }
    const CRGBColor& GetLatchedForeColor() const { return fForeColor; }
    short GetAscent() const { return fAscent; }
    short GetDescent() const { return fDescent; }
    short GetWidMax() const { return fWidMax; }
    short GetLeading() const { return fLeading; }

private:
    void ApplyFont();

    CMacSuperPort fSuperPort;
    // A sentinel no real font equals, so the first latch always applies.
    CFontSpec fFont{"xxx", 66};
    CRGBColor fForeColor;
    short fAscent = 0;
    short fDescent = 0;
    short fWidMax = 0;
    short fLeading = 0;
};

} // namespace NSWayfarer
