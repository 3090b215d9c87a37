#include "framework/windows/CModalDialog.h"

#include "framework/application/CApplication.h"
#include "framework/application/CKeySpec.h"
#include "framework/application/CTimer.h"
#include "framework/windows/CPushButtonView.h"
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

CModalDialog::CModalDialog(CApplication* application, EStyle style, short dialogID)
    : CModalDialog(application, style, "")
{
    InitFromDialogResource(dialogID);
}

CModalDialog::CModalDialog(CABCWindow* owner, EStyle style, short dialogID)
    : CModalDialog(owner, style, "")
{
    InitFromDialogResource(dialogID);
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
    if (fDefaultItem)
        fDefaultItem->SetDefault(false);
    fDefaultItem = item;
    if (fDefaultItem)
        fDefaultItem->SetDefault(true);
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
        case CKeySpec::kEscape:
            PushFor8Ticks(fCancelItem);
            break;
        case CKeySpec::kReturn:
        case CKeySpec::kNumberPadEnter:
            PushFor8Ticks(fDefaultItem);
            break;
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

void CModalDialog::PushFor8Ticks(CPushButtonView* button)
{
    if (!button)
        return;
    button->Push(true);
    // The dialog may be marked for closing now; the button is not touched again
    // (its release, Push(false), does nothing).
    CTimer::WaitForTicks(8);
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
