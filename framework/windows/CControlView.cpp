#include "framework/windows/CControlView.h"

#include "framework/application/CApplication.h"

namespace NSWayfarer
{

void CControlView::ForceSetup()
{
    CApplication::ForceSetup();
}

} // namespace NSWayfarer
