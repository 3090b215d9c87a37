// Draws a rectangle of a window off-screen for as long as the stacker lives: every
// canvas taken on the window draws into a bitmap, which Blast copies to the window
// in one piece (no flicker while many views paint over each other).
#pragma once

#include "framework/graphics/CLocalRect.h"

#include <memory>

namespace NSWayfarer
{

class CABCBitmap;
class CABCWindow;

class CDrawInOffscreenStacker
{
public:
    CDrawInOffscreenStacker(CABCWindow* window, CLocalRect rect);
    ~CDrawInOffscreenStacker();
    CDrawInOffscreenStacker(const CDrawInOffscreenStacker&) = delete;
    CDrawInOffscreenStacker& operator=(const CDrawInOffscreenStacker&) = delete;

    // Ends the off-screen drawing and copies the bitmap to the window.
    void Blast();
    CABCBitmap* GetBitmap() const { return fBitmap.get(); }

private:
    CLocalRect fRect;
    CABCWindow* fWindow;
    std::unique_ptr<CABCBitmap> fBitmap;
    bool fAttached = false;
};

} // namespace NSWayfarer
