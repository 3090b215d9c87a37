// The common base of the views that are controls: a control's change reaches the
// program through the application's setup pass, which ForceSetup runs at once.
#pragma once

#include "framework/windows/CView.h"

namespace NSWayfarer
{

class CControlView : public CView
{
public:
    using CView::CView;

    // Every window's HandleChangeRequests, then SetupState and UpdateGraphics.
    static void ForceSetup();
};

} // namespace NSWayfarer
