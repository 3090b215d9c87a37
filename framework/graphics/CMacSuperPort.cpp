#include "framework/graphics/CMacSuperPort.h"

#include "framework/graphics/CDrawPort.h"

namespace NSWayfarer
{

namespace
{

TPortSwitcher gSwitcher = nullptr;

} // namespace

void CMacSuperPort::MakeCurrent() const
{
    if (gSwitcher != nullptr)
    {
        gSwitcher(*this);
        return;
    }
    if (CDrawPort::GetCurrent() != fPort || CDrawPort::GetCurrentDevice() != fDevice)
        CDrawPort::SetCurrent(fPort, fDevice);
}

CMacSuperPort CMacSuperPort::GetCurrent()
{
    return CMacSuperPort(CDrawPort::GetCurrent(), CDrawPort::GetCurrentDevice());
}

void CMacSuperPort::SetSwitcher(TPortSwitcher switcher)
{
    gSwitcher = switcher;
}

} // namespace NSWayfarer
