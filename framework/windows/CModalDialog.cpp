#include "framework/windows/CModalDialog.h"

#include "framework/application/CApplication.h"
#include "framework/application/CKeySpec.h"
#include "framework/application/CMenuBar.h"

#include <new>

namespace NSWayfarer
{

CModalDialog::CModalDialog(CApplication*, EStyle style, const char* title) : fStyle(style)
{
    Create(title);
}

CModalDialog::CModalDialog(CABCWindow*, EStyle style, const char* title) : fStyle(style)
{
    Create(title);
}

void CModalDialog::Create(const char* title)
{
    switch (fStyle)
    {
    case 0:
    case 1:
        MacCreateNative(kStyleMovableModal, title);
        break;
    case 2:
        MacCreateNative(kStyleModal, title);
        break;
    default:
        Dispose();
        throw std::bad_alloc();
    }
    AddWindow();
}

void CModalDialog::SetDefaultItem(CPushButtonView* item)
{
    if (item == fDefaultItem)
        return;
    fDefaultItem = item;
}

void CModalDialog::HandleKeyDownUp(const CKeySpec* key)
{
    if (key && key->fState == CKeySpec::kDown)
    {
        switch (key->fVirtualKey)
        {
        case CKeySpec::kTab:
            if (key->fModifiers.IsShiftKeyDown())
                PreviousFocusItem();
            else
                NextFocusItem();
            return;
        case CKeySpec::kArrowLeft:
            PreviousFocusItem();
            break;
        case CKeySpec::kArrowRight:
            NextFocusItem();
            break;
        default:
            break;
        }
    }
    CABCWindow::HandleKeyDownUp(key);
}

void CModalDialog::DoModalDialog(CModalDialog* dialog)
{
    CApplication* application = CApplication::Get();
    if (!application || !dialog)
        return;
    // The bar comes back even when the loop ends by an exception.
    struct SBarDisabled
    {
        CMenuBar* fBar;
        explicit SBarDisabled(CMenuBar* bar) : fBar(bar)
        {
            if (fBar)
                fBar->Disable();
        }
        ~SBarDisabled()
        {
            if (fBar)
                fBar->Enable();
        }
        SBarDisabled(const SBarDisabled&) = delete;
        SBarDisabled& operator=(const SBarDisabled&) = delete;
    } disabled(application->GetMenuBar());
    dialog->SetModalFlag(true);
    while (IsWindow(dialog))
        application->DriveEventLoop();
}

} // namespace NSWayfarer
