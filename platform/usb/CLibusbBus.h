// The host's USB stack through libusb-1.0: hotplug and enumeration, devices and
// interfaces, synchronous bulk writes, always-pending bulk reads and
// asynchronous interrupt reads. One thread handles libusb's events.
#pragma once

#include "platform/usb/CUsbBus.h"

#include <memory>

namespace NSPlatform
{

class CLibusbBus : public CUsbBus
{
public:
    // Never null: without a usable libusb the bus simply has no devices.
    static std::shared_ptr<CLibusbBus> Create();
    ~CLibusbBus() override;
    CLibusbBus(const CLibusbBus&) = delete;
    CLibusbBus& operator=(const CLibusbBus&) = delete;

    // False when libusb could not be initialised.
    bool IsUsable() const;
    // True when arrivals and departures are reported (hotplug is supported).
    bool HasHotplug() const;

    std::unique_ptr<CUsbIterator> AddMatchingNotification(ENotification kind, uint16_t vendor,
                                                          uint16_t product,
                                                          std::function<void()> onReady) override;
    std::unique_ptr<CUsbIterator> GetMatchingServices(uint16_t vendor, uint16_t product) override;
    TUsbResult GetLocationId(TUsbServiceId service, uint32_t& location) override;
    std::unique_ptr<CUsbDevice> CreateDevice(TUsbServiceId service) override;

    struct SState; // shared with devices and transfers, which may outlive the bus

private:
    CLibusbBus();
    std::shared_ptr<SState> fState;
};

} // namespace NSPlatform
