// Suppresses all drawing into a port for one scope (while a native control or window
// changes state): the clip is empty until the guard goes, then exactly what it was.
#pragma once

#include "framework/graphics/CMacSuperPort.h"
#include "framework/graphics/CRegion.h"

namespace NSWayfarer
{

class CMacNullClip
{
public:
    // On the current port (nothing happens when none is current).
    CMacNullClip();
    // Makes port current first; windows and native controls pass their window's port.
    explicit CMacNullClip(const CMacSuperPort& port);
    ~CMacNullClip();
    CMacNullClip(const CMacNullClip&) = delete;
    CMacNullClip& operator=(const CMacNullClip&) = delete;

private:
    void Init();

    CMacSuperPort fSavedPort;
    CRegion fSavedClip;
};

} // namespace NSWayfarer
