// A queue of devices handed out by the bus: matching notifications and one-off
// lists of the devices present.
#pragma once

#include "platform/usb/CUsbBus.h"

namespace NSPlatform
{

class CUsbIterator
{
public:
    virtual ~CUsbIterator() = default;
    // The next device, or 0 when the queue is empty (which re-arms a
    // notification's onReady).
    virtual TUsbServiceId Next() = 0;
};

} // namespace NSPlatform
