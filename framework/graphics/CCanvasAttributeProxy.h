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

    // Nothing when equal to the latched font; else latch it, make the port current and
    // set family, size and style (the metrics are read when first asked for).
    void MacLatchFont(const CFontSpec& font);
    // Nothing when equal to the latched colour; else latch it, make the port current and
    // set the foreground colour.
    void MacLatchForeColor(const CRGBColor& color);
    // Re-establishes the port's state after someone else drew into it: copy pen mode,
    // source-OR text, black, and the default font applied even if already latched.
    void Reset();

    const CFontSpec& GetLatchedFont() const { return fFont; }
    const CRGBColor& GetLatchedForeColor() const { return fForeColor; }
    // The latched font's metrics, read when first asked for.
    short GetAscent() const
    {
        ReadMetrics();
        return fAscent;
    }
    short GetDescent() const
    {
        ReadMetrics();
        return fDescent;
    }
    short GetWidMax() const
    {
        ReadMetrics();
        return fWidMax;
    }
    short GetLeading() const
    {
        ReadMetrics();
        return fLeading;
    }

private:
    void ApplyFont();
    void ReadMetrics() const;

    CMacSuperPort fSuperPort;
    // A sentinel no real font equals, so the first latch always applies.
    CFontSpec fFont{"xxx", 66};
    CRGBColor fForeColor;
    mutable bool fMetricsRead = true;
    mutable short fAscent = 0;
    mutable short fDescent = 0;
    mutable short fWidMax = 0;
    mutable short fLeading = 0;
};

} // namespace NSWayfarer
