// A window without any frame: no title bar, no borders, no close box.
#pragma once

#include "framework/windows/CABCWindow.h"

namespace NSWayfarer
{

class CNoFrameWindow : public CABCWindow
{
public:
    CNoFrameWindow();
    // Laid out from dialog resource id.
    explicit CNoFrameWindow(short dialogID);
};

} // namespace NSWayfarer
