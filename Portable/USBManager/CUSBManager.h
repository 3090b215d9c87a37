// Watches the bus for the instrument, assigns arriving devices to ports, opens
// and closes ports, moves bytes over their bulk pipes, keeps the interrupt pipe
// armed and survives sleep. One manager at a time, reachable as gManager.
#pragma once

#include "Portable/USBManager/CUSBDeviceDriverList.h"
#include "Portable/USBManager/CUSBManagerCallbackInterface.h"
#include "Portable/USBManager/CUSBPortCallbackInterface.h"
#include "platform/usb/CUsbBus.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class CMacUsbHandle;

namespace NSPlatform
{
class CUsbIterator;
class CSystemPower;
} // namespace NSPlatform

class CUSBManager
{
public:
    enum EInterruptPresence
    {
        kNoInterrupt = 0,
        kHasInterrupt = 1
    };

    class CUSBPort
    {
    public:
        // Forgets the device and destroys the handle without closing it (the
        // device has already gone).
        void Reset();

        NSPlatform::TUsbServiceId fNativeDeviceId = 0;
        CMacUsbHandle* fHandle = nullptr;
        uint8_t fInterruptBuffer[16] = {};
        CUSBPortCallbackInterface* fSynthPort = nullptr;
    };

    // Throws XUSBError when the bus cannot be watched.
    CUSBManager(CUSBManagerCallbackInterface& owner, int vendor, int product,
                EInterruptPresence presence, int portCount);
    virtual ~CUSBManager();
    CUSBManager(const CUSBManager&) = delete;
    CUSBManager& operator=(const CUSBManager&) = delete;

    void Init();
    void Dispose();
    // Reports the devices present before start-up (arrivals, then removals).
    bool UpdateDeviceDriverList();

    void OpenPort(TUSBDevicePort port, CUSBPortCallbackInterface* callback);
    void ClosePort(TUSBDevicePort port);
    bool IsPortOpen(TUSBDevicePort port) const;
    void DestroyPort(TUSBDevicePort port);

    // Bulk out; a device that has gone counts as success.
    void TxData(TUSBDevicePort port, uint8_t* data, uint32_t length);
    // One completed bulk-in transfer, or 0 at once when nothing has come.
    uint32_t RxData(TUSBDevicePort port, uint8_t* buffer, uint32_t size);
    // Waits for data up to timeoutInMillis; throws XUSBError when none came.
    uint32_t RxData(TUSBDevicePort port, uint8_t* buffer, uint32_t size, uint32_t timeoutInMillis);

    // Worker thread: one interrupt packet arrived on the port.
    void HandleInterrupt(TUSBDevicePort port);
    void Suspend();
    void Resume();

    uint16_t GetDeviceDriverCount() const;
    NSPlatform::TUsbServiceId GetDeviceDriverNativeId(uint16_t index) const;

    void LowLevel_NewDevice(NSPlatform::TUsbServiceId id);
    void LowLevel_RemoveDevice(uint32_t location);

    // Tests: the port table entry (main thread only).
    const CUSBPort& GetPort(TUSBDevicePort port) const { return fPortList[port]; }

    static CUSBManager* gManager;
    static std::unique_ptr<NSPlatform::CUsbIterator> gAddedIter;
    static std::unique_ptr<NSPlatform::CUsbIterator> gRemovedIter;
    static std::unique_ptr<NSPlatform::CSystemPower> gRootPort;

private:
    bool IsValidPort(TUSBDevicePort port) const;
    void ArmInterrupt(TUSBDevicePort port); // caller holds fPortLock
    CMacUsbHandle* DetachHandle(TUSBDevicePort port);

    CUSBManagerCallbackInterface& fPortManager;
    int32_t fVendor;
    int32_t fProduct;
    EInterruptPresence fInterruptPresence;
    CUSBDeviceDriverList fDeviceDriverList;
    std::unique_ptr<CUSBPort[]> fPortList;
    int32_t kUSB_DEVICE_COUNT;
    // Arrivals being handled now: the owner's open may wait for the instrument
    // and let queued notifications run meanwhile.
    int fArrivalDepth = 0;
    // Devices that arrived meanwhile: offered once that arrival is done.
    std::vector<NSPlatform::TUsbServiceId> fDeferredArrivals;
    // Guards the port table against the worker threads: the main thread takes it
    // to change a port, the workers to read one and to re-arm the interrupt read.
    mutable std::mutex fPortLock;
};

// Plain functions the bus and the power notifications call.
void DeviceAddedCallback(void* refCon, NSPlatform::CUsbIterator* iterator);
void DeviceRemovedCallback(void* refCon, NSPlatform::CUsbIterator* iterator);
void InterruptPipeCallback(void* refCon, NSPlatform::TUsbResult result, void* arg0);
void SystemPowerCallback(void* refCon, NSPlatform::TUsbServiceId service, uint32_t messageType,
                         intptr_t messageArgument);
