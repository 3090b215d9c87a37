#include "Portable/USBManager/CMacUsbHandle.h"

#include "Portable/USBExceptions.h"
#include "framework/application/CApplication.h"
#include "framework/application/CTimer.h"
#include "platform/usb/CUsbDevice.h"
#include "platform/usb/CUsbEventSource.h"
#include "platform/usb/CUsbInterface.h"

#include <vector>

using namespace NSPlatform;

namespace
{
constexpr int kOpenAttempts = 20;
constexpr uint32_t kOpenRetryMS = 1000;

// The retries take up to 19 seconds while the user may have asked to quit (or a
// time limit may have run out): waiting on for the other program is then pointless.
bool QuitRequested()
{
    const NSWayfarer::CApplication* app = NSWayfarer::CApplication::Get();
    return app && app->GetRunState() == NSWayfarer::CApplication::kRequestingQuit;
}
} // namespace

CMacUsbHandle::CMacUsbHandle(TUsbServiceId device)
{
    try
    {
        OpenDevice(device);
        // A device without an interface, or without the three pipe roles, cannot
        // carry the protocol; refuse it here instead of failing on every transfer.
        if (!intf || !fBulkInPID || !fBulkOutPID || !fInterruptPID)
            throw XUSBError();
        cfSource = intf->CreateAsyncEventSource();
        if (!cfSource)
            throw XUSBError();
        // The thread keeps its own reference, so it may outlive the handle safely.
        fThreadId = std::thread([source = cfSource]() mutable { myThreadProc(&source); });
    }
    catch (...)
    {
        if (intf)
        {
            intf->Close();
            intf.reset();
        }
        ReleaseDevice(true);
        throw;
    }
}

CMacUsbHandle::~CMacUsbHandle()
{
    if (cfSource)
        cfSource->Stop();
    if (fThreadId.joinable())
    {
        if (fThreadId.get_id() == std::this_thread::get_id())
            fThreadId.detach(); // destroyed from its own completion: it ends on return
        else
            fThreadId.join();
    }
    // Interface and device objects go with the handle; their owners' pending
    // transfers are cancelled by the bus, not by a close of the device.
}

void* CMacUsbHandle::myThreadProc(void* source)
{
    (*static_cast<std::shared_ptr<CUsbEventSource>*>(source))->Run();
    return nullptr;
}

void CMacUsbHandle::ReleaseDevice(bool close)
{
    if (dev)
    {
        if (close)
            dev->Close();
        dev.reset();
    }
}

void CMacUsbHandle::OpenDevice(TUsbServiceId device)
{
    dev = CUsbBus::Get().CreateDevice(device);
    if (!dev)
        throw XUSBError();
    fDeviceLocation = dev->GetLocationId();

    TUsbResult result = kUsbError;
    for (int attempt = 1; attempt <= kOpenAttempts; ++attempt)
    {
        result = dev->Open();
        if (result != kUsbExclusiveAccess || attempt == kOpenAttempts)
            break;
        // The second between attempts lets other applications (and this one's
        // queued events) run throughout, so a quit is seen at once.
        const uint32_t start = static_cast<uint32_t>(NSWayfarer::CTimer::GetSystemMS());
        do
            NSWayfarer::CApplication::IdleOtherApps();
        while (!QuitRequested() &&
               static_cast<uint32_t>(NSWayfarer::CTimer::GetSystemMS()) - start < kOpenRetryMS);
        if (QuitRequested())
            break;
    }
    if (result == kUsbNotPermitted)
    {
        dev.reset();
        throw XUSBNoPermission();
    }
    if (result != kUsbSuccess)
    {
        dev.reset();
        throw XUSBError();
    }

    if (dev->Reset() != kUsbSuccess)
        throw XUSBError(); // the caller's clean-up closes the device
    uint8_t count = 0;
    if (dev->GetNumberOfConfigurations(count) != kUsbSuccess || count == 0)
        throw XUSBError();
    uint8_t value = 0;
    if (dev->GetConfigurationValue(0, value) != kUsbSuccess ||
        dev->SetConfiguration(value) != kUsbSuccess)
        throw XUSBError();

    std::vector<std::unique_ptr<CUsbInterface>> interfaces;
    if (dev->CreateInterfaces(interfaces) != kUsbSuccess)
        throw XUSBError();
    // With several interfaces the handle keeps the last one.
    for (auto& service : interfaces)
        OpenInterface(std::move(service));
}

void CMacUsbHandle::OpenInterface(std::unique_ptr<CUsbInterface> service)
{
    if (!service)
        throw XUSBError();
    if (intf)
    {
        intf->Close();
        intf.reset();
        fInterruptPID = fBulkInPID = fBulkOutPID = 0;
    }
    uint8_t count = 0;
    TUsbResult result = service->OpenSeize();
    if (result == kUsbSuccess)
        result = service->GetNumEndpoints(count);
    if (result != kUsbSuccess)
    {
        service->Close();
        if (result == kUsbNotPermitted)
            throw XUSBNoPermission();
        throw XUSBError();
    }
    intf = std::move(service);
    InitPipes(count);
}

void CMacUsbHandle::InitPipes(uint8_t numPipes)
{
    for (uint8_t pipeRef = 1; pipeRef <= numPipes; ++pipeRef)
    {
        SUsbPipeProperties p;
        if (intf->GetPipeProperties(pipeRef, p) != kUsbSuccess)
            break;
        if (p.mTransferType == SUsbPipeProperties::kBulk && p.mDirection == SUsbPipeProperties::kIn)
        {
            if (!fBulkInPID)
                fBulkInPID = pipeRef;
        }
        else if (p.mTransferType == SUsbPipeProperties::kBulk &&
                 p.mDirection == SUsbPipeProperties::kOut)
        {
            if (!fBulkOutPID)
                fBulkOutPID = pipeRef;
        }
        else
        {
            fInterruptPID = pipeRef;
        }
    }
}

void CMacUsbHandle::Close()
{
    if (intf)
    {
        if (fInterruptPID)
            intf->AbortPipe(fInterruptPID);
        intf->AbortPipe(fBulkInPID);
        intf->Close();
    }
    if (dev)
    {
        dev->Suspend(true);
        dev->Close();
    }
}
