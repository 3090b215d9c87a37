#include "framework/windows/CModelessDialog.h"

#include <new>

namespace NSWayfarer
{

CModelessDialog::CModelessDialog(EStyle style, short dialogID) : CModelessDialog(style, "")
{
    InitFromDialogResource(dialogID);
}

CModelessDialog::CModelessDialog(EStyle style, const char* title) : fStyle(style)
{
    switch (style)
    {
    case kTitledDialog:
    case kTitledContextHelpDialog:
        MacCreateNative(kStyleDocument, title);
        break;
    case kResizeableTitledDialog:
        MacCreateNative(kStyleDocumentGrow, title);
        SetWindowHasSizeBox();
        break;
    default:
        Dispose();
        throw std::bad_alloc();
    }
    AddWindow();
}

} // namespace NSWayfarer
