#include "framework/windows/CNoFrameWindow.h"

namespace NSWayfarer
{

CNoFrameWindow::CNoFrameWindow(short dialogID) : CNoFrameWindow()
{
    InitFromDialogResource(dialogID);
}

CNoFrameWindow::CNoFrameWindow()
{
    MacCreateNative(kStylePlain, "");
    AddWindow();
}

} // namespace NSWayfarer
