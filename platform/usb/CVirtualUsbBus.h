// An in-process USB bus carrying virtual instruments: the bus of the tests and
// of the updater's simulation. Time follows the platform clock, so tests with
// the manual clock run a whole reboot in no real time.
#pragma once

#include "platform/usb/CUsbBus.h"
#include "platform/usb/SVirtualInstrumentConfig.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace NSPlatform
{

class CVirtualInstrument;

class CVirtualUsbBus : public CUsbBus, public std::enable_shared_from_this<CVirtualUsbBus>
{
public:
    // Use Create: the bus hands weak references of itself to its devices.
    static std::shared_ptr<CVirtualUsbBus> Create();
    // Creates a bus, installs it as the process's bus and returns it.
    static std::shared_ptr<CVirtualUsbBus> InstallNew();
    ~CVirtualUsbBus() override;

    // Puts an instrument on the bus (it arrives at once).
    std::shared_ptr<CVirtualInstrument> Attach(const SVirtualInstrumentConfig& config);
    // Takes it off for good (a departure when it was on the bus).
    void Detach(const std::shared_ptr<CVirtualInstrument>& instrument);
    // The first attached instrument (null when none).
    std::shared_ptr<CVirtualInstrument> GetInstrument() const;

    // Runs what the instruments have due by the platform clock's now and
    // notifies arrivals and departures. Every bus operation does this too; a
    // background thread does it when due in real time. Tests with the manual
    // clock call it after advancing the clock.
    void Poll();

    // Bulk and interrupt statistics of the transport side.
    struct STransportStatistics
    {
        uint32_t mBulkWrites = 0;
        uint32_t mBulkReads = 0;  // reads that returned a message
        uint32_t mEmptyReads = 0; // reads that returned nothing
        uint32_t mOpenAttempts = 0;
        uint32_t mInterruptReads = 0;
    };
    STransportStatistics GetTransportStatistics() const;

    // When this environment variable names a file, the bus writes what each of its
    // instruments received there as it goes away (for tests that run a whole
    // program against it): "instrument", then "frames N", "lost N", "reboots N",
    // "installs N" and "message 0xCC N" for each message code, one per line.
    static constexpr const char* kReportVariable = "KELT_VIRTUAL_BUS_REPORT";

    // CUsbBus
    std::unique_ptr<CUsbIterator> AddMatchingNotification(ENotification kind, uint16_t vendor,
                                                          uint16_t product,
                                                          std::function<void()> onReady) override;
    std::unique_ptr<CUsbIterator> GetMatchingServices(uint16_t vendor, uint16_t product) override;
    TUsbResult GetLocationId(TUsbServiceId service, uint32_t& location) override;
    std::unique_ptr<CUsbDevice> CreateDevice(TUsbServiceId service) override;

    struct SState; // shared with the device objects, which may outlive the bus

private:
    CVirtualUsbBus();
    void Ticker();
    void WriteReport(const char* path) const;

    std::shared_ptr<SState> fState;
    std::thread fTicker;
};

} // namespace NSPlatform
