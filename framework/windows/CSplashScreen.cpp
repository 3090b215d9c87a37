#include "framework/windows/CSplashScreen.h"

#include "framework/application/CApplication.h"
#include "framework/application/CTimer.h"
#include "framework/graphics/CABCCanvas.h"
#include "framework/windows/CStaticBitmapView.h"

namespace NSWayfarer
{

CSplashScreen::CSplashScreen(TBitmapID bitmap, long minimumTicks, CPalette* palette)
    : fStartTick(CTimer::GetSystemTick()), fMinimumTicks(minimumTicks), fBitmapID(bitmap)
{
    try
    {
        MacCreateNative(kStylePlain, "");
        fBitmapView = new CStaticBitmapView(GetRootView(), bitmap);
        short width = 0;
        short height = 0;
        CABCCanvas::GetBitmapSize(bitmap, &width, &height);
        const CGlobalRect frame = SuggestCenterPositionClient(width, height);
        SetPositionRecommendedByClass(&frame);
        if (palette)
            SetPalette(palette);
        AddWindow();
    }
    catch (...)
    {
        delete fBitmapView;
        fBitmapView = nullptr;
        Dispose();
        CABCCanvas::FlushBitmap(bitmap);
        throw;
    }
}

CSplashScreen::~CSplashScreen()
{
    CTimer::WaitForTicks(fMinimumTicks - (CTimer::GetSystemTick() - fStartTick));
    CABCCanvas::FlushBitmap(fBitmapID);
    delete fBitmapView;
    fBitmapView = nullptr;
}

void CSplashScreen::Open()
{
    Prime();
    DrawComplete();
    // One turn of the queue so the window system can put the window on screen.
    CApplication::IdleOtherApps();
}

void CSplashScreen::PositionSubViews()
{
    CABCWindow::PositionSubViews();
    if (fBitmapView)
    {
        const CLocalRect inner = GetInnerRect();
        fBitmapView->Position(&inner);
    }
}

} // namespace NSWayfarer
