// A frameless window centred on the main screen that shows one cached picture
// and stays up for at least a minimum time, even when closed sooner.
#pragma once

#include "framework/graphics/TBitmapID.h"
#include "framework/windows/CABCWindow.h"

namespace NSWayfarer
{

class CStaticBitmapView;

class CSplashScreen : public CABCWindow
{
public:
    // minimumTicks in 1/60 s; the palette may be null.
    CSplashScreen(TBitmapID bitmap, long minimumTicks, CPalette* palette);
    // Waits out the rest of the minimum time, then lets the picture go.
    ~CSplashScreen() override;

    // Shows the picture at once, without waiting for an update.
    void Open();
    void Close() { UnPrime(); }

    void PositionSubViews() override;
    bool WantsToBeOnWindowsMenu() const override { return false; }

private:
    long fStartTick;
    long fMinimumTicks;
    CStaticBitmapView* fBitmapView = nullptr;
    TBitmapID fBitmapID;
};

} // namespace NSWayfarer
