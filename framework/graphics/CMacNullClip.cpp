#include "framework/graphics/CMacNullClip.h"

#include "framework/graphics/CDrawPort.h"

namespace NSWayfarer
{

CMacNullClip::CMacNullClip()
{
    Init();
}

CMacNullClip::CMacNullClip(const CMacSuperPort& port)
{
    port.MakeCurrent();
    Init();
}

void CMacNullClip::Init()
{
    // fSavedClip already exists, so from here on nothing can fail half-way.
    fSavedPort = CMacSuperPort::GetCurrent();
    CDrawPort* port = fSavedPort.GetPort();
    if (port == nullptr)
        return;
    port->GetClip(&fSavedClip);
    port->ClipRect(CRect(0, 0, 0, 0));
}

CMacNullClip::~CMacNullClip()
{
    CDrawPort* port = fSavedPort.GetPort();
    if (port == nullptr)
        return;
    fSavedPort.MakeCurrent();
    port->SetClip(fSavedClip);
}

} // namespace NSWayfarer
