// The matching notifications a bus hands out: who waits for which devices, the
// devices queued for each, and the main-thread wake-ups when a drained queue fills.
#pragma once

#include "platform/usb/CUsbBus.h"
#include "platform/usb/CUsbIterator.h"

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace NSPlatform
{

class CUsbNotifications
{
public:
    // The wake-ups a change produced, for the bus to post (the main event queue takes
    // none of the bus's locks, so it may post while holding them).
    using TReady = std::vector<std::function<void()>>;

    CUsbNotifications();
    ~CUsbNotifications();
    CUsbNotifications(const CUsbNotifications&) = delete;
    CUsbNotifications& operator=(const CUsbNotifications&) = delete;

    // Registers a notification whose queue starts with present (the matching
    // devices on the bus now for kFirstMatch, nothing for kTerminate). The
    // iterator drains it and may outlive this object.
    std::unique_ptr<CUsbIterator> Add(CUsbBus::ENotification kind, uint16_t vendor,
                                      uint16_t product, std::function<void()> onReady,
                                      std::deque<TUsbServiceId> present);

    // Queues a device that arrived or left with every live notification that
    // matches it; notifications drained to 0 since their last wake-up add one to
    // ready.
    void Notify(CUsbBus::ENotification kind, uint16_t vendor, uint16_t product, TUsbServiceId id,
                TReady& ready);

    // Runs the wake-ups on the main thread, through the main event queue.
    static void Post(TReady& ready);

    struct SShared; // shared with the iterators

private:
    std::shared_ptr<SShared> fShared;
};

} // namespace NSPlatform
