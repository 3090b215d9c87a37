#include "framework/windows/CNoFrameWindow.h"

namespace NSWayfarer
{

CNoFrameWindow::CNoFrameWindow()
{
    MacCreateNative(kStylePlain, "");
    AddWindow();
}

} // namespace NSWayfarer
