#include "framework/application/CApplicationToolbar.h"

#include "framework/graphics/CGraphicManager.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeWindow.h"

namespace NSWayfarer
{

namespace
{

// Across the main screen's work area, one pixel higher so its top edge hides.
NSPlatform::SDisplayRect ToolbarFrame(short height)
{
    CGlobalRect work(0, 0, 640, 480);
    if (CGraphicManager::gGraphicMgr)
    {
        // The work area without the toolbar itself.
        CGraphicManager::gGraphicMgr->SetToolbarFrameHeight(0);
        const CGraphicManager& manager = *CGraphicManager::gGraphicMgr;
        work = manager.GetScreenInfo(manager.GetMainScreenIndex()).fWorkRect;
    }
    const int top = work.fTop - 1;
    return {work.fLeft, top, work.fRight, top + height};
}

} // namespace

CApplicationToolbar::CApplicationToolbar(short height) : fHeight(height)
{
    const NSPlatform::SDisplayRect frame = ToolbarFrame(height);
    if (NSPlatform::CDisplay::IsOpen())
        fWindow = std::make_unique<NSPlatform::CNativeWindow>(NSPlatform::CNativeWindow::kToolbar,
                                                              "", frame);
    if (CGraphicManager::gGraphicMgr)
        CGraphicManager::gGraphicMgr->SetToolbarFrameHeight(fHeight);
}

CApplicationToolbar::~CApplicationToolbar()
{
    if (CGraphicManager::gGraphicMgr)
        CGraphicManager::gGraphicMgr->SetToolbarFrameHeight(0);
}

void CApplicationToolbar::Place()
{
    const NSPlatform::SDisplayRect frame = ToolbarFrame(fHeight);
    if (fWindow)
        fWindow->SetClientRect(frame);
    if (CGraphicManager::gGraphicMgr)
        CGraphicManager::gGraphicMgr->SetToolbarFrameHeight(fHeight);
}

void CApplicationToolbar::SetHeight(short height)
{
    if (height == fHeight)
        return;
    fHeight = height;
    Place();
}

void CApplicationToolbar::Show()
{
    fVisible = true;
    if (fWindow)
        fWindow->Show();
}

void CApplicationToolbar::Hide()
{
    fVisible = false;
    if (fWindow)
        fWindow->Hide();
}

bool CApplicationToolbar::IsVisible() const
{
    return fVisible;
}

void CApplicationToolbar::Activate()
{
    // A toolbar takes no focus; presenting it only raises it.
    if (fWindow && fVisible)
        fWindow->Activate();
}

} // namespace NSWayfarer
