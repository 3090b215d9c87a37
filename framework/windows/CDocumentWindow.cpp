#include "framework/windows/CDocumentWindow.h"

#include <new>

namespace NSWayfarer
{

CDocumentWindow::CDocumentWindow(EStyle style, short dialogID) : CDocumentWindow(style, "")
{
    InitFromDialogResource(dialogID);
}

CDocumentWindow::CDocumentWindow(EStyle style, const char* title) : fStyle(style)
{
    switch (style)
    {
    case 0:
    case 1:
        MacCreateNative(kStyleDocument, title);
        break;
    case 2:
        MacCreateNative(kStyleDocumentZoom, title);
        SetWindowHasSizeBox();
        break;
    case 3:
        MacCreateNative(kStyleDocumentGrow, title);
        SetWindowHasSizeBox();
        break;
    case 4:
        MacCreateNative(kStyleFloatingGrow, "");
        SetWindowHasSizeBox();
        break;
    default:
        Dispose();
        throw std::bad_alloc();
    }
    AddWindow();
}

bool CDocumentWindow::WindowToDocumentWindow(CABCWindow* window, CDocumentWindow** document)
{
    CDocumentWindow* found = dynamic_cast<CDocumentWindow*>(window);
    if (document)
        *document = found;
    return found != nullptr;
}

void CDocumentWindow::CloseAllAutoDeleteDocumentWindows()
{
    for (unsigned short i = 0; i < CountWindows(); ++i)
    {
        CDocumentWindow* document = nullptr;
        if (WindowToDocumentWindow(GetEnumWindow(i), &document) && document->fAutoDelete)
            document->MarkForClosing();
    }
}

void CDocumentWindow::MarkAllAsNotAutoDeleteDocumentWindows()
{
    for (unsigned short i = 0; i < CountWindows(); ++i)
    {
        CDocumentWindow* document = nullptr;
        if (WindowToDocumentWindow(GetEnumWindow(i), &document))
            document->fAutoDelete = false;
    }
}

} // namespace NSWayfarer
