// The host's USB stack as the device manager and device handle see it: matching
// by vendor and product, arrival and removal, opening devices. libusb in real use,
// the virtual bus for tests and for the simulation.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace NSPlatform
{

// Result codes of every USB operation: 0 for success, otherwise the host stack's
// codes the device manager tests for.
using TUsbResult = uint32_t;
constexpr TUsbResult kUsbSuccess = 0;
constexpr TUsbResult kUsbError = 0xE00002BC;           // general failure
constexpr TUsbResult kUsbNoMemory = 0xE00002BD;        // allocation failed
constexpr TUsbResult kUsbNoResources = 0xE00002BE;     // out of transfers or handles
constexpr TUsbResult kUsbNoDevice = 0xE00002C0;        // the device has left the bus
constexpr TUsbResult kUsbBadArgument = 0xE00002C2;     // bad pipe reference, size, index
constexpr TUsbResult kUsbExclusiveAccess = 0xE00002C5; // another program holds it
constexpr TUsbResult kUsbUnsupported = 0xE00002C7;     // not offered by this device
constexpr TUsbResult kUsbNotOpen = 0xE00002CD;         // device or interface not open
constexpr TUsbResult kUsbNotPermitted = 0xE00002E2;    // no access rights to the device node
constexpr TUsbResult kUsbOverrun = 0xE00002E8;         // the device sent more than asked
constexpr TUsbResult kUsbAborted = 0xE00002EB;         // the pipe was aborted
constexpr TUsbResult kUsbNotResponding = 0xE00002ED;   // nothing came within the time-out
constexpr TUsbResult kUsbPipeStalled = 0xE000404F;     // the endpoint halted
constexpr TUsbResult kUsbTimedOut = 0xE0004006;        // transaction timed out

// A device on the bus, as long as the bus knows it (0: none). A device that
// leaves and comes back gets a new id; its location stays the same.
using TUsbServiceId = uint32_t;

class CUsbDevice;
class CUsbIterator;

class CUsbBus
{
public:
    enum ENotification
    {
        kFirstMatch, // a matching device arrived
        kTerminate   // a matching device left
    };

    virtual ~CUsbBus() = default;

    // The bus the process uses: the installed one, otherwise libusb (created on
    // first use).
    static CUsbBus& Get();
    // Replaces the process's bus (the virtual bus in tests and for the
    // simulation); null returns to libusb on the next Get.
    static void Install(std::shared_ptr<CUsbBus> bus);
    static std::shared_ptr<CUsbBus> GetShared();

    // An iterator over matching devices. kFirstMatch starts with the devices
    // present now; kTerminate starts empty. onReady is run on the main thread
    // (through the main event queue) when new entries were added after the
    // iterator had been drained to 0, so the first drain is the owner's job.
    virtual std::unique_ptr<CUsbIterator>
    AddMatchingNotification(ENotification kind, uint16_t vendor, uint16_t product,
                            std::function<void()> onReady) = 0;

    // The matching devices present now, once.
    virtual std::unique_ptr<CUsbIterator> GetMatchingServices(uint16_t vendor,
                                                              uint16_t product) = 0;

    // The "locationID" of a device, also after it left the bus: the bus number in
    // the top byte, then the hub ports from the root downwards (MakeUsbLocationId).
    virtual TUsbResult GetLocationId(TUsbServiceId service, uint32_t& location) = 0;

    // A device object that is not opened yet; null when the device is gone.
    virtual std::unique_ptr<CUsbDevice> CreateDevice(TUsbServiceId service) = 0;
};

} // namespace NSPlatform
