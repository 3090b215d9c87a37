// Receiver of an open port's interrupt-pipe data; called on the port's worker
// thread.
#pragma once

#include <cstdint>

class CUSBPortCallbackInterface
{
public:
    virtual ~CUSBPortCallbackInterface() = default;
    // The manager passes length 0; the data is the port's 16-byte interrupt buffer.
    virtual void USBDataReceivedCallback(uint8_t* data, uint32_t length) = 0;
};
