// A drawing port together with the screen device that goes with it (absent for
// off-screen ports): the unit the graphic manager makes current.
#pragma once

namespace NSWayfarer
{

class CDrawPort;
struct SGraphicsDevice;
class CMacSuperPort;

// Makes a super-port current; the graphic manager installs one that keeps its cache.
using TPortSwitcher = void (*)(const CMacSuperPort& port);

class CMacSuperPort
{
public:
    CMacSuperPort() = default;
    explicit CMacSuperPort(CDrawPort* port, SGraphicsDevice* device = nullptr)
        : fPort(port), fDevice(device)
    {
    }

    CDrawPort* GetPort() const { return fPort; }
    SGraphicsDevice* GetDevice() const { return fDevice; }
    // Equal when the ports are the same; the device does not count.
    bool IsEqual(const CMacSuperPort& other) const { return fPort == other.fPort; }

    // Through the installed switcher; without one, straight on the port layer, and only when
    // another port is current.
    void MakeCurrent() const;
    // The port layer's current port and device.
    static CMacSuperPort GetCurrent();
    // Null restores the direct switch.
    static void SetSwitcher(TPortSwitcher switcher);

private:
    CDrawPort* fPort = nullptr;
    SGraphicsDevice* fDevice = nullptr;
};

} // namespace NSWayfarer
