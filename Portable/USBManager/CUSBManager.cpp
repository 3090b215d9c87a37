#include "Portable/USBManager/CUSBManager.h"

#include "Portable/USBExceptions.h"
#include "Portable/USBManager/CMacUsbHandle.h"
#include "framework/application/CApplication.h"
#include "framework/application/CTimer.h"
#include "platform/CMainEventQueue.h"
#include "platform/power/CSystemPower.h"
#include "platform/usb/CUsbEventSource.h"
#include "platform/usb/CUsbInterface.h"
#include "platform/usb/CUsbIterator.h"

#include <chrono>
#include <thread>
#include <utility>

using namespace NSPlatform;

CUSBManager* CUSBManager::gManager = nullptr;
std::unique_ptr<CUsbIterator> CUSBManager::gAddedIter;
std::unique_ptr<CUsbIterator> CUSBManager::gRemovedIter;
std::unique_ptr<CSystemPower> CUSBManager::gRootPort;

namespace
{
constexpr uint32_t kInterruptSize = 16;
constexpr uint32_t kTxTimeout = 5000;
constexpr uint32_t kRxCompletionTimeout = 1000;

// Iterators replaced by Resume stay alive until the manager goes, as the
// notifications they stand for do.
std::vector<std::unique_ptr<CUsbIterator>> gResumeIters;
} // namespace

void CUSBManager::CUSBPort::Reset()
{
    fNativeDeviceId = 0;
    delete fHandle;
    fHandle = nullptr;
    fSynthPort = nullptr;
}

CUSBManager::CUSBManager(CUSBManagerCallbackInterface& owner, int vendor, int product,
                         EInterruptPresence presence, int portCount)
    : fPortManager(owner), fVendor(vendor), fProduct(product), fInterruptPresence(presence),
      kUSB_DEVICE_COUNT(portCount > 0 ? portCount : 0)
{
    gManager = this;
    try
    {
        Init();
    }
    catch (...)
    {
        Dispose();
        gManager = nullptr;
        throw;
    }
}

CUSBManager::~CUSBManager()
{
    Dispose();
    gManager = nullptr;
}

void CUSBManager::Init()
{
    fPortList = std::make_unique<CUSBPort[]>(static_cast<size_t>(kUSB_DEVICE_COUNT));

    gRootPort = CSystemPower::Register([](uint32_t messageType, intptr_t argument)
                                       { SystemPowerCallback(nullptr, 0, messageType, argument); });

    if (fVendor < 0 || fVendor > 0xFFFF || fProduct < 0 || fProduct > 0xFFFF)
        return;
    CUsbBus& bus = CUsbBus::Get();
    gAddedIter = bus.AddMatchingNotification(
        CUsbBus::kFirstMatch, static_cast<uint16_t>(fVendor), static_cast<uint16_t>(fProduct),
        [] { DeviceAddedCallback(nullptr, gAddedIter.get()); });
    gRemovedIter = bus.AddMatchingNotification(
        CUsbBus::kTerminate, static_cast<uint16_t>(fVendor), static_cast<uint16_t>(fProduct),
        [] { DeviceRemovedCallback(nullptr, gRemovedIter.get()); });
    if (!gAddedIter || !gRemovedIter)
        throw XUSBError();
}

void CUSBManager::Dispose()
{
    gAddedIter.reset();
    gRemovedIter.reset();
    gResumeIters.clear();
    gRootPort.reset();
    if (fPortList)
    {
        // Ports still open are not closed here (the owner closes them first), but
        // their worker threads must not outlive the table they read.
        for (int32_t i = 0; i < kUSB_DEVICE_COUNT; ++i)
        {
            CMacUsbHandle* handle = DetachHandle(static_cast<TUSBDevicePort>(i));
            delete handle;
        }
        fPortList.reset();
    }
}

bool CUSBManager::UpdateDeviceDriverList()
{
    DeviceAddedCallback(nullptr, gAddedIter.get());
    DeviceRemovedCallback(nullptr, gRemovedIter.get());
    return true;
}

bool CUSBManager::IsValidPort(TUSBDevicePort port) const
{
    return fPortList && port >= 0 && port < kUSB_DEVICE_COUNT;
}

CMacUsbHandle* CUSBManager::DetachHandle(TUSBDevicePort port)
{
    std::lock_guard<std::mutex> guard(fPortLock);
    CUSBPort& p = fPortList[port];
    CMacUsbHandle* handle = p.fHandle;
    p.fNativeDeviceId = 0;
    p.fHandle = nullptr;
    p.fSynthPort = nullptr;
    return handle;
}

void CUSBManager::LowLevel_NewDevice(TUsbServiceId id)
{
    if (fArrivalDepth > 0)
    {
        // Reached from inside another arrival (its open lets queued events run
        // while it retries or settles): the port being opened has no handle yet and
        // must not be handed out twice. Kept aside, not posted back to the queue,
        // which the waiting arrival would then run again at once on every turn.
        fDeferredArrivals.push_back(id);
        return;
    }
    struct SDepth
    {
        CUSBManager& mManager;
        explicit SDepth(CUSBManager& manager) : mManager(manager) { ++mManager.fArrivalDepth; }
        ~SDepth()
        {
            if (--mManager.fArrivalDepth > 0 || mManager.fDeferredArrivals.empty())
                return;
            // Offered again once this arrival is done.
            try
            {
                CMainEventQueue::Main().Post(
                    [ids = std::exchange(mManager.fDeferredArrivals, {})]
                    {
                        for (TUsbServiceId deferred : ids)
                            if (gManager)
                                gManager->LowLevel_NewDevice(deferred);
                    });
            }
            catch (...)
            {
                // Out of memory: the devices are offered again on their next arrival.
            }
        }
    } depth(*this);
    for (int32_t i = 0; i < kUSB_DEVICE_COUNT; ++i)
    {
        TUSBDevicePort port = static_cast<TUSBDevicePort>(i);
        if (fPortList[i].fHandle)
            continue;
        fDeviceDriverList.Add(id);
        {
            std::lock_guard<std::mutex> guard(fPortLock);
            fPortList[i].fNativeDeviceId = id;
        }
        try
        {
            fPortManager.USBDeviceAddedCallback(port);
        }
        catch (...)
        {
            // The handle goes outside the lock: destroying it joins its worker,
            // which may be waiting for the lock.
            delete DetachHandle(port);
        }
        return;
    }
}

void CUSBManager::LowLevel_RemoveDevice(uint32_t location)
{
    for (int32_t i = 0; i < kUSB_DEVICE_COUNT; ++i)
    {
        CMacUsbHandle* handle = fPortList[i].fHandle;
        if (handle && handle->fDeviceLocation == location)
        {
            TUSBDevicePort port = static_cast<TUSBDevicePort>(i);
            delete DetachHandle(port);
            fPortManager.USBDeviceRemovedCallback(port);
            return;
        }
    }
}

void CUSBManager::OpenPort(TUSBDevicePort port, CUSBPortCallbackInterface* callback)
{
    if (!IsValidPort(port))
        throw XUSBError();
    CUSBPort& p = fPortList[port];
    if (p.fHandle)
    {
        // Opened again: the old handle is closed rather than lost, and the port
        // keeps its device.
        const TUsbServiceId device = p.fNativeDeviceId;
        try
        {
            ClosePort(port);
        }
        catch (...)
        {
            // The old handle is gone all the same.
        }
        std::lock_guard<std::mutex> guard(fPortLock);
        p.fNativeDeviceId = device;
    }
    try
    {
        auto* handle = new CMacUsbHandle(p.fNativeDeviceId);
        std::lock_guard<std::mutex> guard(fPortLock);
        p.fHandle = handle;
        p.fSynthPort = callback;
        if (fInterruptPresence == kHasInterrupt)
            ArmInterrupt(port);
    }
    catch (...)
    {
        delete DetachHandle(port);
        throw;
    }
}

void CUSBManager::ArmInterrupt(TUSBDevicePort port)
{
    CUSBPort& p = fPortList[port];
    TUsbResult result = p.fHandle->intf->ReadPipeAsync(
        p.fHandle->fInterruptPID, p.fInterruptBuffer, kInterruptSize,
        [port](TUsbResult r, uint32_t) {
            InterruptPipeCallback(reinterpret_cast<void*>(static_cast<intptr_t>(port)), r, nullptr);
        });
    if (result != kUsbSuccess)
        throw XUSBError();
}

void CUSBManager::ClosePort(TUSBDevicePort port)
{
    if (!IsValidPort(port) || !fPortList[port].fHandle)
        return;
    // Off the table before it closes: a worker re-arming the interrupt read in
    // between would find the interface closed and report a failure for a port
    // that was closed on purpose. The handle goes when Close throws too.
    std::unique_ptr<CMacUsbHandle> handle(DetachHandle(port));
    handle->Close();
}

bool CUSBManager::IsPortOpen(TUSBDevicePort port) const
{
    return IsValidPort(port) && fPortList[port].fHandle != nullptr;
}

void CUSBManager::DestroyPort(TUSBDevicePort port)
{
    if (IsPortOpen(port))
        LowLevel_RemoveDevice(fPortList[port].fHandle->fDeviceLocation);
}

void CUSBManager::TxData(TUSBDevicePort port, uint8_t* data, uint32_t length)
{
    if (!IsPortOpen(port))
        throw XUSBError();
    CMacUsbHandle* handle = fPortList[port].fHandle;
    TUsbResult result =
        handle->intf->WritePipe(handle->fBulkOutPID, data, length, kTxTimeout, kTxTimeout);
    if (result != kUsbSuccess && result != kUsbNoDevice)
        throw XUSBError();
}

uint32_t CUSBManager::RxData(TUSBDevicePort port, uint8_t* buffer, uint32_t size)
{
    if (!IsPortOpen(port))
        throw XUSBError();
    CMacUsbHandle* handle = fPortList[port].fHandle;
    uint32_t count = size;
    TUsbResult result =
        handle->intf->ReadPipe(handle->fBulkInPID, buffer, count, 0, kRxCompletionTimeout);
    if (result == kUsbSuccess)
        return count;
    if (result == kUsbNotResponding || result == kUsbTimedOut)
        return 0;
    if (result == kUsbNoDevice)
        throw XUSBNoDevice();
    throw XUSBError();
}

uint32_t CUSBManager::RxData(TUSBDevicePort port, uint8_t* buffer, uint32_t size,
                             uint32_t timeoutInMillis)
{
    const uint32_t start = static_cast<uint32_t>(NSWayfarer::CTimer::GetSystemMS());
    for (;;)
    {
        uint32_t count = RxData(port, buffer, size);
        if (count)
            return count;
        if (!IsPortOpen(port))
            break;
        // Unsigned difference: stays right when the millisecond clock wraps.
        const uint32_t elapsed = static_cast<uint32_t>(NSWayfarer::CTimer::GetSystemMS()) - start;
        if (elapsed >= timeoutInMillis)
            break;
        // Sleep until the next transfer completes instead of asking again.
        CMacUsbHandle* handle = fPortList[port].fHandle;
        handle->intf->WaitForPipeData(handle->fBulkInPID, timeoutInMillis - elapsed);
    }
    throw XUSBError();
}

void CUSBManager::HandleInterrupt(TUSBDevicePort port)
{
    if (!IsValidPort(port))
        return;
    try
    {
        CUSBPortCallbackInterface* receiver;
        {
            std::lock_guard<std::mutex> guard(fPortLock);
            if (!fPortList[port].fHandle)
                return;
            receiver = fPortList[port].fSynthPort;
        }
        if (receiver)
            receiver->USBDataReceivedCallback(fPortList[port].fInterruptBuffer, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        NSWayfarer::CApplication* app = NSWayfarer::CApplication::Get();
        if (app && app->IsClosing())
            return;
        std::lock_guard<std::mutex> guard(fPortLock);
        if (fPortList[port].fHandle)
            ArmInterrupt(port);
    }
    catch (...)
    {
        // The owner's handler closes the port and updates the window: that is main
        // thread work, and closing the port from here would join this very thread.
        CMainEventQueue::Main().Post(
            [port]
            {
                if (gManager)
                    gManager->fPortManager.USBDeviceExceptionHandler(port);
            });
    }
}

void CUSBManager::Suspend()
{
    for (int32_t i = 0; i < kUSB_DEVICE_COUNT; ++i)
        if (CMacUsbHandle* handle = fPortList[i].fHandle; handle && handle->intf)
            handle->intf->AbortPipe(1);
}

void CUSBManager::Resume()
{
    for (int32_t i = 0; i < kUSB_DEVICE_COUNT; ++i)
        if (fPortList[i].fHandle)
            fPortManager.USBDeviceRemovedCallback(static_cast<TUSBDevicePort>(i));
    if (fVendor < 0 || fVendor > 0xFFFF || fProduct < 0 || fProduct > 0xFFFF)
        return;
    std::unique_ptr<CUsbIterator> present = CUsbBus::Get().GetMatchingServices(
        static_cast<uint16_t>(fVendor), static_cast<uint16_t>(fProduct));
    if (!present)
        return;
    DeviceAddedCallback(nullptr, present.get());
    gResumeIters.push_back(std::move(present));
}

uint16_t CUSBManager::GetDeviceDriverCount() const
{
    return fDeviceDriverList.GetCount();
}

TUsbServiceId CUSBManager::GetDeviceDriverNativeId(uint16_t index) const
{
    return fDeviceDriverList.GetNativeId(index);
}

void DeviceAddedCallback(void*, CUsbIterator* iterator)
{
    if (!iterator)
        return;
    while (TUsbServiceId service = iterator->Next())
        if (CUSBManager::gManager)
            CUSBManager::gManager->LowLevel_NewDevice(service);
}

void DeviceRemovedCallback(void*, CUsbIterator* iterator)
{
    if (!iterator)
        return;
    while (TUsbServiceId service = iterator->Next())
    {
        uint32_t location = 0;
        if (CUsbBus::Get().GetLocationId(service, location) == kUsbSuccess && CUSBManager::gManager)
            CUSBManager::gManager->LowLevel_RemoveDevice(location);
    }
}

void InterruptPipeCallback(void* refCon, TUsbResult result, void*)
{
    if (result != kUsbSuccess || !CUSBManager::gManager)
        return;
    CUSBManager::gManager->HandleInterrupt(
        static_cast<TUSBDevicePort>(reinterpret_cast<intptr_t>(refCon)));
}

void SystemPowerCallback(void*, TUsbServiceId, uint32_t messageType, intptr_t messageArgument)
{
    CUSBManager* manager = CUSBManager::gManager;
    if (!manager)
        return;
    switch (messageType)
    {
    case CSystemPower::kSystemWillSleep:
        manager->Suspend();
        if (CUSBManager::gRootPort)
            CUSBManager::gRootPort->AllowPowerChange(messageArgument);
        break;
    case CSystemPower::kSystemHasPoweredOn:
        manager->Resume();
        break;
    case CSystemPower::kCanSystemSleep:
        if (CUSBManager::gRootPort)
            CUSBManager::gRootPort->CancelPowerChange(messageArgument);
        break;
    default:
        break;
    }
}
