#include "framework/windows/CDrawInOffscreenStacker.h"

#include "framework/graphics/CABCBitmap.h"
#include "framework/graphics/CBitmapUtils.h"
#include "framework/graphics/CCanvas.h"
#include "framework/graphics/CGraphicManager.h"
#include "framework/windows/CABCWindow.h"
#include "framework/windows/CCanvasToWindowLink.h"

namespace NSWayfarer
{

CDrawInOffscreenStacker::CDrawInOffscreenStacker(CABCWindow* window, CLocalRect rect)
    : fRect(rect), fWindow(window)
{
    const CBitmapDest* dest =
        CGraphicManager::gGraphicMgr ? CGraphicManager::gGraphicMgr->GetBitmapDestForMainScreen()
                                     : nullptr;
    // The window's store is 32 bits deep whatever the screen: so is its off-screen copy.
    fBitmap.reset(dest ? CBitmapUtils::CreateBitmap(rect.GetWidth(), rect.GetHeight(), dest)
                       : CBitmapUtils::CreateDirectPixelBitmap(rect.GetWidth(), rect.GetHeight(),
                                                               32));
    if (!fBitmap)
        fBitmap.reset(CBitmapUtils::CreateDirectPixelBitmap(rect.GetWidth(), rect.GetHeight(), 32));
    fBitmap->SetOriginPos(rect.fLeft, rect.fTop);
    fBitmap->DrawRect(&fRect, window->GetBackgroundColor());
    window->AttachOffscreen(fBitmap.get());
    fAttached = true;
}

CDrawInOffscreenStacker::~CDrawInOffscreenStacker()
{
    if (fAttached && CABCWindow::IsWindow(fWindow) && fWindow->GetOffscreen() == fBitmap.get())
        fWindow->DetachOffscreen();
}

void CDrawInOffscreenStacker::Blast()
{
    if (!fAttached || !CABCWindow::IsWindow(fWindow))
        return;
    fBitmap->SetOriginPos(0, 0);
    fWindow->DetachOffscreen();
    fAttached = false;
    {
        CCanvas canvas(fWindow->GetCanvasSpec());
        canvas.DrawBitmap(fRect.fLeft, fRect.fTop, fBitmap.get());
    }
    fWindow->MacPushToScreen(fRect);
}

} // namespace NSWayfarer
