// A one-off list of devices: the answer of a bus to a query of the devices
// present now.
#pragma once

#include "platform/usb/CUsbIterator.h"

#include <deque>
#include <utility>

namespace NSPlatform
{

class CUsbListIterator : public CUsbIterator
{
public:
    explicit CUsbListIterator(std::deque<TUsbServiceId> ids) : fIds(std::move(ids)) {}

    TUsbServiceId Next() override
    {
        if (fIds.empty())
            return 0;
        TUsbServiceId id = fIds.front();
        fIds.pop_front();
        return id;
    }

private:
    std::deque<TUsbServiceId> fIds;
};

} // namespace NSPlatform
