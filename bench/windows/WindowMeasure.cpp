// Measures window drawing on the framework: the screen pixels a one-view change
// pushes against the window's area, and the time of a full repaint of a window
// full of views against a window with none (same run, as the baseline).
#include "framework/application/CApplication.h"
#include "framework/graphics/CCanvas.h"
#include "framework/graphics/CGlobalRect.h"
#include "framework/windows/CCanvasToWindowLink.h"
#include "framework/windows/CDocumentWindow.h"
#include "framework/windows/CView.h"
#include "platform/display/CNativeWindow.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace NSWayfarer;

namespace
{

class CTextBoxView : public CView
{
public:
    CTextBoxView(CGroupView* super, const CLocalRect& rect, const CRGBColor& color)
        : CView(super), fColor(color)
    {
        Position(&rect);
    }
    void SetText(const std::string& text)
    {
        fText = text;
        Invalidate();
    }
    void Draw() override
    {
        CCanvas canvas(GetCanvasSpec());
        canvas.DrawRect(&fRect, fColor);
        canvas.DrawTextAtLeftMiddle(&fRect, fText.c_str(), CCanvas::GetDefaultFontSpec(),
                                    CRGBColor::kBlack);
    }

private:
    CRGBColor fColor;
    std::string fText = "view";
};

struct SWindow
{
    CDocumentWindow* fWindow = nullptr;
    std::vector<std::unique_ptr<CTextBoxView>> fViews;
};

// columns x rows views filling a width x height window with a 4-pixel gap.
SWindow Open(short width, short height, int columns, int rows)
{
    SWindow w;
    w.fWindow = new CDocumentWindow(0, "measure");
    const short cw = static_cast<short>(columns ? width / columns : width);
    const short ch = static_cast<short>(rows ? height / rows : height);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
        {
            const CLocalRect rect(static_cast<short>(c * cw + 2), static_cast<short>(r * ch + 2),
                                  static_cast<short>((c + 1) * cw - 2),
                                  static_cast<short>((r + 1) * ch - 2));
            const auto shade = static_cast<unsigned short>(0x8000 + (r * columns + c) * 0x300);
            w.fViews.push_back(std::make_unique<CTextBoxView>(w.fWindow->GetRootView(), rect,
                                                              CRGBColor(shade, 0xE000, 0xF000)));
        }
    const CGlobalRect frame = w.fWindow->SuggestCenterPositionClient(width, height);
    w.fWindow->PrimeAtPos(&frame);
    return w;
}

void Settle(CApplication& app, int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end)
        app.DriveEventLoop();
}

void Close(SWindow& w)
{
    w.fViews.clear();
    delete w.fWindow;
    w.fWindow = nullptr;
}

double FrameMicroseconds(SWindow& w, int frames)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i)
    {
        w.fWindow->Invalidate();
        w.fWindow->ForcePaint();
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::micro>(elapsed).count() / frames;
}

} // namespace

int main()
{
    CApplicationStartupInfo info;
    std::snprintf(info.fApplicationName, sizeof info.fApplicationName, "Window Measure");
    info.fUsesDisplay = true;
    CApplication app(&info);
    app.Initialize();

    {
        // A status-text change in a 400x200 window with ten views.
        SWindow w = Open(400, 200, 5, 2);
        Settle(app, 500);
        NSPlatform::CNativeWindow* native = w.fWindow->GetNative();
        constexpr int kChanges = 100;
        const uint64_t before = native->GetInvalidatedPixelCount();
        for (int i = 0; i < kChanges; ++i)
        {
            w.fViews[7]->SetText("status " + std::to_string(i));
            w.fWindow->ForcePaint();
        }
        const double perChange =
            static_cast<double>(native->GetInvalidatedPixelCount() - before) / kChanges;
        const CLocalRect& r = w.fViews[7]->GetRect();
        std::printf("status change, 400x200 window, 10 views: %.0f pixels pushed per change "
                    "(the view is %dx%d = %d), window area 80000: %.1f %%\n",
                    perChange, r.fRight - r.fLeft, r.fBottom - r.fTop,
                    (r.fRight - r.fLeft) * (r.fBottom - r.fTop), perChange * 100.0 / 80000.0);
        Close(w);
    }
    {
        constexpr int kFrames = 200;
        SWindow plain = Open(800, 600, 0, 0);
        Settle(app, 500);
        FrameMicroseconds(plain, 10);
        const double baseline = FrameMicroseconds(plain, kFrames);
        Close(plain);
        SWindow full = Open(800, 600, 10, 5);
        Settle(app, 500);
        FrameMicroseconds(full, 10);
        const double frame = FrameMicroseconds(full, kFrames);
        Close(full);
        std::printf("full repaint, 800x600 window, 50 views: %.0f us per frame; one plain "
                    "window fill (no views): %.0f us; ratio %.2f\n",
                    frame, baseline, frame / baseline);
    }
    return 0;
}
