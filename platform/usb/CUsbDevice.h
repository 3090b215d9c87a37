// One USB device as a user-space client sees it: open with exclusive access,
// reset, configurations and the interfaces of the selected configuration.
#pragma once

#include "platform/usb/CUsbBus.h"

#include <memory>
#include <vector>

namespace NSPlatform
{

class CUsbInterface;

class CUsbDevice
{
public:
    virtual ~CUsbDevice() = default;

    // kUsbExclusiveAccess when another program has claimed the device;
    // kUsbNotPermitted when the device node may not be opened at all.
    virtual TUsbResult Open() = 0;
    virtual uint32_t GetLocationId() const = 0;
    virtual TUsbResult Reset() = 0;
    virtual TUsbResult GetNumberOfConfigurations(uint8_t& count) = 0;
    // bConfigurationValue of the configuration at index.
    virtual TUsbResult GetConfigurationValue(uint8_t index, uint8_t& value) = 0;
    virtual TUsbResult SetConfiguration(uint8_t value) = 0;
    // The interfaces of the current configuration (first alternate setting).
    virtual TUsbResult
    CreateInterfaces(std::vector<std::unique_ptr<CUsbInterface>>& interfaces) = 0;
    virtual TUsbResult Suspend(bool suspend) = 0;
    virtual TUsbResult Close() = 0;
};

} // namespace NSPlatform
