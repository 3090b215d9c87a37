#include "framework/windows/CStaticTextView.h"

#include "framework/graphics/CABCCanvas.h"
#include "framework/text/StringResources.h"
#include "framework/windows/CDialogItemInfo.h"

#include <cstring>

namespace NSWayfarer
{

namespace
{

void CopyText(char* out, const char* text)
{
    const char* from = text ? text : "";
    const size_t n = strnlen(from, CStaticTextView::kMaxLength);
    std::memcpy(out, from, n);
    out[n] = 0;
}

void LoadText(long id, char* out)
{
    out[0] = 0;
    try
    {
        GetMaxedResourceString(id, out, CStaticTextView::kMaxLength);
    }
    catch (...)
    {
        out[0] = 0;
    }
}

const CLocalRect kUnplaced(-100, -16, 0, 0);

} // namespace

CStaticTextView::CStaticTextView(CGroupView* superView, const char* text)
    : CStaticTextView(superView, text, CABCCanvas::GetDefaultFontSpec())
{
}

CStaticTextView::CStaticTextView(CGroupView* superView, const char* text, const CFontSpec& font)
    : CNativeControlView(superView)
{
    fRect = kUnplaced;
    CopyText(fString, text);
    Create(font);
}

CStaticTextView::CStaticTextView(CGroupView* superView, long textID)
    : CStaticTextView(superView, textID, CABCCanvas::GetDefaultFontSpec())
{
}

CStaticTextView::CStaticTextView(CGroupView* superView, long textID, const CFontSpec& font)
    : CNativeControlView(superView)
{
    fRect = kUnplaced;
    LoadText(textID, fString);
    Create(font);
}

CStaticTextView::CStaticTextView(CGroupView* superView, const CDialogItemInfo* info)
    : CStaticTextView(superView, info, CABCCanvas::GetDefaultFontSpec())
{
}

CStaticTextView::CStaticTextView(CGroupView* superView, const CDialogItemInfo* info,
                                 const CFontSpec& font)
    : CNativeControlView(superView, info)
{
    CopyText(fString, info ? info->fString : "");
    Create(font);
}

void CStaticTextView::Create(const CFontSpec& font)
{
    SetTransparentMode(kViewRectAllTransparent);
    std::memcpy(fShownString, fString, sizeof fString);
    SetNative(MacCreateNative(TNative::kStaticText, fShownString, fRect));
    MacSetFontSpec(font);
}

void CStaticTextView::SetString(const char* text)
{
    CopyText(fString, text);
}

void CStaticTextView::SetString(long textID)
{
    LoadText(textID, fString);
}

void CStaticTextView::GetString(char* text) const
{
    if (text)
        std::memcpy(text, fString, sizeof fString);
}

void CStaticTextView::MacSetText(const char* text)
{
    if (fNative)
        fNative->SetTitle(text ? text : "");
}

void CStaticTextView::UpdateGraphics()
{
    if (std::strcmp(fString, fShownString) != 0)
    {
        std::memcpy(fShownString, fString, sizeof fString);
        MacSetText(fShownString);
        Invalidate(true);
    }
    if (fHasOwnColor && fNative && (!fColorShown || !fDrawnColor.IsEqual(fColor)))
    {
        fDrawnColor = fColor;
        fColorShown = true;
        fNative->SetTextColor((int32_t(fColor.GetRed() >> 8) << 16) |
                              (int32_t(fColor.GetGreen() >> 8) << 8) |
                              int32_t(fColor.GetBlue() >> 8));
    }
    MacUpdateGraphics(0);
}

void CStaticTextView::PositionChanged(const CLocalRect*, const CLocalRect* newRect)
{
    if (newRect)
        PositionNative(*newRect);
}

} // namespace NSWayfarer
