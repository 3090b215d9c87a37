#include "platform/usb/CUsbBus.h"

#include "platform/usb/CLibusbBus.h"

#include <mutex>

namespace NSPlatform
{

namespace
{
std::mutex gBusLock;
std::shared_ptr<CUsbBus> gBus;
} // namespace

CUsbBus& CUsbBus::Get()
{
    return *GetShared();
}

std::shared_ptr<CUsbBus> CUsbBus::GetShared()
{
    std::lock_guard<std::mutex> guard(gBusLock);
    if (!gBus)
        gBus = CLibusbBus::Create();
    return gBus;
}

void CUsbBus::Install(std::shared_ptr<CUsbBus> bus)
{
    std::shared_ptr<CUsbBus> previous;
    {
        std::lock_guard<std::mutex> guard(gBusLock);
        previous = std::move(gBus);
        gBus = std::move(bus);
    }
    // previous goes here, outside the lock: its threads may need the bus lock.
}

} // namespace NSPlatform
