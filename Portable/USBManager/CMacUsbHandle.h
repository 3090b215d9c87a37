// One opened instrument: the device in its first configuration, its claimed
// interface, the roles of its three pipes, and the worker thread on which the
// interface's asynchronous completions run.
#pragma once

#include "platform/usb/CUsbBus.h"

#include <cstdint>
#include <memory>
#include <thread>

namespace NSPlatform
{
class CUsbDevice;
class CUsbInterface;
class CUsbEventSource;
} // namespace NSPlatform

class CMacUsbHandle
{
public:
    // Opens everything; throws XUSBError (XUSBNoPermission when the device may
    // not be opened at all). Nothing stays open when it throws.
    explicit CMacUsbHandle(NSPlatform::TUsbServiceId device);
    // Stops the worker thread; does not close the device.
    ~CMacUsbHandle();
    CMacUsbHandle(const CMacUsbHandle&) = delete;
    CMacUsbHandle& operator=(const CMacUsbHandle&) = delete;

    // Aborts the pipes, closes the interface, suspends and closes the device.
    void Close();

    void OpenDevice(NSPlatform::TUsbServiceId device);
    void OpenInterface(std::unique_ptr<NSPlatform::CUsbInterface> service);
    void InitPipes(uint8_t numPipes);
    static void* myThreadProc(void* source);

    std::unique_ptr<NSPlatform::CUsbDevice> dev;
    std::unique_ptr<NSPlatform::CUsbInterface> intf;
    uint8_t fInterruptPID = 0;
    uint8_t fBulkInPID = 0;
    uint8_t fBulkOutPID = 0;
    uint32_t fDeviceLocation = 0;
    std::shared_ptr<NSPlatform::CUsbEventSource> cfSource;
    std::thread fThreadId; // the worker; not joinable when none was started

private:
    void ReleaseDevice(bool close);
};
