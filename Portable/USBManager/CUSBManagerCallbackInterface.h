// What the device manager tells its owner: arrivals, removals and transport
// failures on a port. All three are called on the main thread.
#pragma once

#include <cstdint>

using TUSBDevicePort = int8_t;

class CUSBManagerCallbackInterface
{
public:
    virtual ~CUSBManagerCallbackInterface() = default;
    virtual void USBDeviceAddedCallback(TUSBDevicePort port) = 0;
    virtual void USBDeviceRemovedCallback(TUSBDevicePort port) = 0;
    virtual void USBDeviceExceptionHandler(TUSBDevicePort port) = 0;
};
