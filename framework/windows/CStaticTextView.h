// A text the program sets; it reaches the screen at the next UpdateGraphics and
// only when it changed. It keeps the theme's text colour so it stays readable.
#pragma once

#include "framework/graphics/CFontSpec.h"
#include "framework/graphics/CRGBColor.h"
#include "framework/windows/CNativeControlView.h"

namespace NSWayfarer
{

class CStaticTextView : public CNativeControlView
{
public:
    static constexpr int kMaxLength = 1000;

    CStaticTextView(CGroupView* superView, const char* text);
    CStaticTextView(CGroupView* superView, const char* text, const CFontSpec& font);
    CStaticTextView(CGroupView* superView, long textID);
    CStaticTextView(CGroupView* superView, long textID, const CFontSpec& font);
    CStaticTextView(CGroupView* superView, const CDialogItemInfo* info);
    CStaticTextView(CGroupView* superView, const CDialogItemInfo* info, const CFontSpec& font);

    // At most 1000 characters; shown at the next UpdateGraphics.
    void SetString(const char* text);
    void SetString(long textID);
    // text needs kMaxLength + 1 bytes.
    void GetString(char* text) const;
    // Until a colour is set the theme chooses it, so the text stays readable on the
    // theme's background; a set colour is shown at the next UpdateGraphics (a window
    // that sets one also paints the background the text stands on).
    void SetColor(const CRGBColor& color)
    {
        fColor = color;
        fHasOwnColor = true;
    }
    bool HasOwnColor() const { return fHasOwnColor; }
    CRGBColor GetColor() const { return fColor; }
    void MacSetText(const char* text);

    void UpdateGraphics() override;
    void PositionChanged(const CLocalRect* oldRect, const CLocalRect* newRect) override;

private:
    void Create(const CFontSpec& font);

    char fShownString[kMaxLength + 1] = {};
    char fString[kMaxLength + 1] = {};
    CRGBColor fColor;
    CRGBColor fDrawnColor;
    bool fHasOwnColor = false;
    bool fColorShown = false;
};

} // namespace NSWayfarer
