#include "SurfaceCanvas.h"

#include "framework/graphics/CABCCanvasLink.h"
#include "framework/graphics/CCanvas.h"
#include "framework/graphics/CMacGrafPortState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace NSWayfarer
{
namespace
{

TEST(AttributeProxy, RepeatedFontAndColourTouchNothing)
{
    CSurfaceCanvas c(60, 30);
    const CDrawPort* port = c.Port();
    const CFontSpec font("Arial", 11);
    CLocalRect r(0, 0, 4, 4);

    // The proxy starts latched to black, as the port is: black costs nothing.
    c.DrawRect(&r, CRGBColor::kBlack);
    EXPECT_EQ(port->GetStateCallCount(), 0u);
    EXPECT_EQ(c.Pixel(0, 0), 0u);

    c.DrawText(2, 20, "Hi", font, CRGBColor::kRed);
    EXPECT_EQ(port->GetStateCallCount(), 1u + 3u) << "colour; family, size and style";
    // The metrics are read once, by the first call that needs them.
    c.DrawCentredText(&r, "x", font, CRGBColor::kRed);
    const unsigned long afterFirst = port->GetStateCallCount();
    EXPECT_EQ(afterFirst, 1u + 3u + 1u);
    c.DrawText(2, 20, "Hi", font, CRGBColor::kRed);
    c.DrawRect(&r, CRGBColor::kRed);
    c.GetTextWidth("Hello", font);
    c.DrawCentredText(&r, "x", font, CRGBColor::kRed);
    EXPECT_EQ(port->GetStateCallCount(), afterFirst);

    c.DrawText(2, 20, "Hi", font, CRGBColor::kBlue);
    EXPECT_EQ(port->GetStateCallCount(), afterFirst + 1);
    c.DrawText(2, 20, "Hi", CFontSpec("Arial", 11, false, true, false), CRGBColor::kBlue);
    EXPECT_EQ(port->GetStateCallCount(), afterFirst + 4);
    EXPECT_EQ(port->GetTextFace(), CFontSpec::kItalicBit);
    EXPECT_EQ(port->GetTextSize(), 11);
    EXPECT_EQ(CDrawPort::GetFontName(port->GetTextFont()), "Arial");
}

TEST(AttributeProxy, ResetReestablishesTheStateAfterDirectChanges)
{
    CSurfaceCanvas c(20, 20);
    CDrawPort* port = c.Port();
    CCanvasAttributeProxy* proxy = c.GetProxy();
    c.DrawText(0, 10, "a", CFontSpec("Arial", 20, true, false, false), CRGBColor::kGreen);
    // Someone else draws into the port behind the proxy's back.
    port->RGBForeColor(CRGBColor::kRed);
    port->TextSize(40);
    port->PenMode(CDrawPort::kPatXor);
    port->TextMode(CDrawPort::kSrcCopy);

    // The metrics are the latched font's even when asked for after the port's font
    // was changed behind the proxy's back, and asking leaves the port's font alone.
    const short ascent20 = proxy->GetAscent();
    EXPECT_GT(ascent20, 15);
    c.DrawText(0, 10, "a", CFontSpec("Arial", 30), CRGBColor::kGreen);
    port->TextSize(8);
    EXPECT_GT(proxy->GetAscent(), ascent20);
    EXPECT_EQ(port->GetTextSize(), 8);
    port->TextSize(40);

    proxy->Reset();
    EXPECT_TRUE(proxy->GetLatchedForeColor().IsEqual(CRGBColor::kBlack));
    EXPECT_TRUE(proxy->GetLatchedFont().IsEqual(CABCCanvas::GetDefaultFontSpec()));
    EXPECT_TRUE(port->GetForeColor().IsEqual(CRGBColor::kBlack));
    EXPECT_EQ(port->GetPenMode(), CDrawPort::kPatCopy);
    EXPECT_EQ(port->GetTextMode(), CDrawPort::kSrcOr);
    EXPECT_EQ(port->GetTextSize(), 12);
    EXPECT_EQ(port->GetTextFace(), 0);
    EXPECT_EQ(proxy->GetAscent(), 11);
    EXPECT_EQ(proxy->GetDescent(), 3);
    EXPECT_GT(proxy->GetWidMax(), 6);

    // Drawing in black after the reset is black again.
    CLocalRect r(0, 0, 2, 2);
    c.DrawRect(&r, CRGBColor::kBlack);
    EXPECT_EQ(c.Pixel(1, 1), 0u);
    EXPECT_EQ(std::string(CABCCanvas::GetDefaultFontSpec().GetName()), "Arial");
    EXPECT_EQ(CABCCanvas::GetDefaultTinyFontSpec().GetSize(), 9);
}

TEST(AttributeProxy, GrafPortStateRoundTripsTheCurrentPort)
{
    CDrawPort::SetCurrent(nullptr, nullptr);
    const CMacGrafPortState unread = CMacGrafPortState::GetState();
    EXPECT_EQ(unread.fPenMode, 666);
    EXPECT_EQ(unread.fTextSize, 666);
    CMacGrafPortState::SetState(unread); // no port: nothing to apply, no crash

    CSurfaceCanvas c(4, 4);
    CLocalRect r(0, 0, 1, 1);
    c.DrawRect(&r, CRGBColor::kBlue); // makes the canvas's port current
    EXPECT_EQ(CDrawPort::GetCurrent(), c.Port());
    const CMacGrafPortState saved = CMacGrafPortState::GetState();
    EXPECT_TRUE(saved.fForeColor.IsEqual(CRGBColor::kBlue));
    EXPECT_TRUE(saved.fBackColor.IsEqual(CRGBColor::kWhite));

    c.DrawText(0, 3, "x", CFontSpec("Arial", 30, false, false, true), CRGBColor::kRed);
    c.Port()->RGBBackColor(CRGBColor::kGray);
    EXPECT_FALSE(CMacGrafPortState::GetState().IsEqual(saved));
    CMacGrafPortState::SetState(saved);
    EXPECT_TRUE(CMacGrafPortState::GetState().IsEqual(saved));
    EXPECT_TRUE(c.Port()->GetForeColor().IsEqual(CRGBColor::kBlue));
}

int gSwitches = 0;
void CountingSwitcher(const CMacSuperPort& port)
{
    ++gSwitches;
    CDrawPort::SetCurrent(port.GetPort(), port.GetDevice());
}

TEST(AttributeProxy, PortsAreMadeCurrentThroughTheInstalledSwitcher)
{
    CSurfaceCanvas a(4, 4);
    CSurfaceCanvas b(4, 4);
    CMacSuperPort::SetSwitcher(CountingSwitcher);
    gSwitches = 0;
    CLocalRect r(0, 0, 1, 1);
    a.DrawRect(&r, CRGBColor::kBlack);
    EXPECT_GT(gSwitches, 0);
    EXPECT_EQ(CDrawPort::GetCurrent(), a.Port());
    b.DrawRect(&r, CRGBColor::kBlack);
    EXPECT_EQ(CDrawPort::GetCurrent(), b.Port());
    CMacSuperPort::SetSwitcher(nullptr);
    // Without one, the port layer switches directly.
    a.DrawRect(&r, CRGBColor::kBlack);
    EXPECT_EQ(CDrawPort::GetCurrent(), a.Port());
    EXPECT_TRUE(a.MacGetMacPort().IsEqual(CMacSuperPort::GetCurrent()));
}

// A window link as the window layer makes one: the window's port and proxy, one reference.
class CTestLink : public CABCCanvasLink
{
public:
    explicit CTestLink(CSurfaceCanvas* window) : fWindow(window) {}
    CCanvasAttributeProxy* GetProxy() const override { return fWindow->GetProxy(); }
    CABCBitmap* GetOffscreenBitmap() const override { return nullptr; }
    CDrawPort* GetWindowPort() const override { return fWindow->Port(); }
    short Detach() override { return --fRefCount; }

    short fRefCount = 1;

private:
    CSurfaceCanvas* fWindow;
};

unsigned char EightBits()
{
    return 8;
}

TEST(Canvas, WindowCanvasDrawsThroughItsLinkAndConvertsCoordinates)
{
    CSurfaceCanvas window(50, 40);
    window.Port()->SetGlobalPosition(300, 200);
    window.Port()->SetOrigin(0, -22); // e.g. a header strip above the views
    CTestLink link(&window);
    {
        CCanvas canvas(&link);
        EXPECT_EQ(canvas.GetProxy(), window.GetProxy());
        EXPECT_EQ(canvas.GetDestBitmap(), nullptr);
        EXPECT_EQ(canvas.GetBitDepth(), 32);
        CCanvas::SetScreenDepthSource(EightBits);
        EXPECT_EQ(canvas.GetBitDepth(), 8);
        CCanvas::SetScreenDepthSource(nullptr);

        short gx = 0;
        short gy = 0;
        canvas.LocalToGlobal(5, -20, &gx, &gy);
        EXPECT_EQ(gx, 305);
        EXPECT_EQ(gy, 202);
        short x = 0;
        short y = 0;
        canvas.GlobalToLocal(gx, gy, &x, &y);
        EXPECT_EQ(x, 5);
        EXPECT_EQ(y, -20);
        const CLocalRect local(0, -22, 50, 18);
        CGlobalRect global;
        canvas.LocalToGlobal(&local, &global);
        EXPECT_TRUE(
            global.IsEqual(&static_cast<const CGlobalRect&>(CGlobalRect(300, 200, 350, 240))));
        CLocalRect back;
        canvas.GlobalToLocal(&global, &back);
        EXPECT_TRUE(back.IsEqual(&local));

        CLocalRect r(0, -22, 1, -21);
        canvas.DrawRect(&r, CRGBColor::kRed);
        EXPECT_EQ(window.Pixel(0, 0), 0xFF0000u);
        EXPECT_EQ(link.fRefCount, 1);
    }
    EXPECT_EQ(link.fRefCount, 0) << "the canvas gives its reference back";

    // A canvas without a link draws nothing and converts nothing.
    CCanvas orphan(nullptr);
    CLocalRect r(0, 0, 5, 5);
    orphan.DrawRect(&r, CRGBColor::kBlack);
    EXPECT_EQ(orphan.GetTextWidth("abc", CFontSpec("Arial", 12)), 0);
    short gx = 0;
    short gy = 0;
    orphan.LocalToGlobal(7, 8, &gx, &gy);
    EXPECT_EQ(gx, 7);
    EXPECT_EQ(gy, 8);
}

bool DesktopFonts(unsigned short themeFont, CFontSpec* spec)
{
    if (themeFont == CFontSpec::kThemeSmallSystemFont)
    {
        *spec = CFontSpec("Cantarell", 11, true, false, false);
        return true;
    }
    if (themeFont == CFontSpec::kThemeViewsFont)
    {
        *spec = CFontSpec("", 0); // an unusable answer
        return true;
    }
    return false;
}

TEST(FontSpec, EqualityNamesAndThemeFonts)
{
    const CFontSpec a("Arial", 12, true, false, true);
    EXPECT_TRUE(a.IsEqual(CFontSpec("Arial", 12, true, false, true)));
    EXPECT_FALSE(a.IsEqual(CFontSpec("arial", 12, true, false, true)));
    EXPECT_FALSE(a.IsEqual(CFontSpec("Arial", 12, true, true, true)));
    EXPECT_EQ(a.GetStyle(), CFontSpec::kBoldBit | CFontSpec::kUnderlineBit);
    EXPECT_EQ(a.GetMagic(), 0u);

    // Long names are cut at 64 bytes, and never inside a character.
    const std::string ascii(100, 'x');
    EXPECT_EQ(std::strlen(CFontSpec(ascii.c_str(), 9).GetName()), 64u);
    const std::string accented = std::string(63, 'x') + "\xc3\xa9" + "yyyy";
    EXPECT_EQ(std::string(CFontSpec(accented.c_str(), 9).GetName()), std::string(63, 'x'));
    EXPECT_STREQ(CFontSpec(nullptr, 9).GetName(), "");

    EXPECT_TRUE(CFontSpec::GetSystemFont().IsEqual(CFontSpec("Arial", 12)));
    EXPECT_TRUE(CFontSpec::GetSmallEmphasizedSystemFont().IsBold());
    CFontSpec::SetThemeFontSource(DesktopFonts);
    EXPECT_TRUE(
        CFontSpec::GetSmallSystemFont().IsEqual(CFontSpec("Cantarell", 11, true, false, false)));
    EXPECT_TRUE(CFontSpec::GetViewsFont().IsEqual(CFontSpec("Arial", 12)));
    EXPECT_TRUE(CFontSpec::MacGetAppearanceFont(4711).IsEqual(CFontSpec("Arial", 12)));
    CFontSpec::SetThemeFontSource(nullptr);
    EXPECT_TRUE(CFontSpec::GetSmallSystemFont().IsEqual(CFontSpec("Arial", 10)));
}

} // namespace
} // namespace NSWayfarer
