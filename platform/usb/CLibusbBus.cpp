#include "platform/usb/CLibusbBus.h"

#include "platform/usb/CUsbDevice.h"
#include "platform/usb/CUsbEventSource.h"
#include "platform/usb/CUsbInterface.h"
#include "platform/usb/CUsbListIterator.h"
#include "platform/usb/CUsbNotifications.h"
#include "platform/usb/UsbLocationId.h"

#include <libusb.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace NSPlatform
{

namespace
{

// Completed reads kept for a reader that does not ask; beyond this the pipe is
// not re-armed until it reads, so the device waits instead of data being lost.
constexpr size_t kMaxQueuedReads = 64;

TUsbResult FromLibusb(int error)
{
    switch (error)
    {
    case LIBUSB_SUCCESS:
        return kUsbSuccess;
    case LIBUSB_ERROR_ACCESS:
        return kUsbNotPermitted;
    case LIBUSB_ERROR_NO_DEVICE:
        return kUsbNoDevice;
    case LIBUSB_ERROR_BUSY:
        return kUsbExclusiveAccess;
    case LIBUSB_ERROR_TIMEOUT:
        return kUsbTimedOut;
    case LIBUSB_ERROR_PIPE:
        return kUsbPipeStalled;
    case LIBUSB_ERROR_OVERFLOW:
        return kUsbOverrun;
    case LIBUSB_ERROR_NO_MEM:
        return kUsbNoMemory;
    case LIBUSB_ERROR_INVALID_PARAM:
        return kUsbBadArgument;
    case LIBUSB_ERROR_NOT_SUPPORTED:
        return kUsbUnsupported;
    case LIBUSB_ERROR_NOT_FOUND:
        return kUsbNoDevice;
    default:
        return kUsbError;
    }
}

TUsbResult FromStatus(libusb_transfer_status status)
{
    switch (status)
    {
    case LIBUSB_TRANSFER_COMPLETED:
        return kUsbSuccess;
    case LIBUSB_TRANSFER_TIMED_OUT:
        return kUsbTimedOut;
    case LIBUSB_TRANSFER_CANCELLED:
        return kUsbAborted;
    case LIBUSB_TRANSFER_STALL:
        return kUsbPipeStalled;
    case LIBUSB_TRANSFER_NO_DEVICE:
        return kUsbNoDevice;
    case LIBUSB_TRANSFER_OVERFLOW:
        return kUsbOverrun;
    default:
        return kUsbError;
    }
}

uint32_t LocationOf(libusb_device* device)
{
    uint8_t ports[7];
    int count = libusb_get_port_numbers(device, ports, sizeof ports);
    return MakeUsbLocationId(libusb_get_bus_number(device), ports, count,
                             libusb_get_device_address(device));
}

// An open device: closed when the device object and every interface and
// transfer that use it are gone.
struct SHandle
{
    libusb_device_handle* mHandle = nullptr;
    ~SHandle()
    {
        if (mHandle)
            libusb_close(mHandle);
    }
};

// libusb_close must not run inside libusb's event handling: it waits for a lock
// the handling thread already holds, and the event thread hangs for good. What
// a transfer callback would release last (an interface's shared state, and with
// it the open handle) is parked here and released once handling has returned.
// Never destroyed: an event thread may still release parked objects while the
// process runs its exit-time destructors.
struct SParked
{
    std::mutex mLock;
    std::vector<std::shared_ptr<void>> mObjects;
};

SParked& Parked()
{
    static SParked* parked = new SParked;
    return *parked;
}

void Park(std::shared_ptr<void> object)
{
    SParked& parked = Parked();
    std::lock_guard<std::mutex> guard(parked.mLock);
    parked.mObjects.push_back(std::move(object));
}

void ReleaseParked()
{
    SParked& parked = Parked();
    std::vector<std::shared_ptr<void>> released;
    {
        std::lock_guard<std::mutex> guard(parked.mLock);
        released.swap(parked.mObjects);
    }
}

} // namespace

struct CLibusbBus::SState
{
    struct SService
    {
        libusb_device* mDevice;
        uint32_t mLocation;
        uint16_t mVendor;
        uint16_t mProduct;
        bool mPresent;
    };

    libusb_context* mContext = nullptr;
    bool mHotplug = false;
    libusb_hotplug_callback_handle mHotplugHandle = 0;
    std::thread mEvents;
    std::atomic<bool> mStop{false};

    std::mutex mLock;
    std::map<TUsbServiceId, SService> mServices;
    TUsbServiceId mNextId = 0x2000;
    CUsbNotifications mNotifications;

    ~SState()
    {
        for (auto& [id, service] : mServices)
            libusb_unref_device(service.mDevice);
        if (mContext)
            libusb_exit(mContext);
    }

    TUsbServiceId FindPresent(libusb_device* device)
    {
        for (auto& [id, service] : mServices)
            if (service.mPresent && service.mDevice == device)
                return id;
        return 0;
    }

    // Under mLock: the matching devices on the bus now.
    std::deque<TUsbServiceId> Present(uint16_t vendor, uint16_t product)
    {
        std::deque<TUsbServiceId> ids;
        for (auto& [id, service] : mServices)
            if (service.mPresent && service.mVendor == vendor && service.mProduct == product)
                ids.push_back(id);
        return ids;
    }

    void Notify(ENotification kind, const SService& service, TUsbServiceId id,
                CUsbNotifications::TReady& ready)
    {
        mNotifications.Notify(kind, service.mVendor, service.mProduct, id, ready);
    }

    // Under mLock: a device the bus has not seen yet becomes a service.
    TUsbServiceId Arrive(libusb_device* device, CUsbNotifications::TReady& ready)
    {
        if (TUsbServiceId id = FindPresent(device))
            return id;
        libusb_device_descriptor descriptor;
        if (libusb_get_device_descriptor(device, &descriptor) != 0)
            return 0;
        TUsbServiceId id = mNextId++;
        SService service{libusb_ref_device(device), LocationOf(device), descriptor.idVendor,
                         descriptor.idProduct, true};
        mServices[id] = service;
        Notify(kFirstMatch, service, id, ready);
        return id;
    }

    void Leave(libusb_device* device, CUsbNotifications::TReady& ready)
    {
        TUsbServiceId id = FindPresent(device);
        if (!id)
            return;
        mServices[id].mPresent = false;
        Notify(kTerminate, mServices[id], id, ready);
    }

    // Brings the service table up to date with the devices present now.
    void Enumerate(CUsbNotifications::TReady& ready)
    {
        if (!mContext)
            return;
        libusb_device** list = nullptr;
        ssize_t count = libusb_get_device_list(mContext, &list);
        if (count < 0)
            return;
        std::lock_guard<std::mutex> guard(mLock);
        for (ssize_t i = 0; i < count; ++i)
            Arrive(list[i], ready);
        if (!mHotplug)
        {
            // Without hotplug, departures are found here.
            std::set<libusb_device*> now(list, list + count);
            std::vector<libusb_device*> gone;
            for (auto& [id, service] : mServices)
                if (service.mPresent && !now.count(service.mDevice))
                    gone.push_back(service.mDevice);
            for (auto* device : gone)
                Leave(device, ready);
        }
        libusb_free_device_list(list, 1);
    }

    // Enumerates and wakes whoever the changes concern.
    void Refresh()
    {
        CUsbNotifications::TReady ready;
        Enumerate(ready);
        CUsbNotifications::Post(ready);
    }

    static int LIBUSB_CALL OnHotplug(libusb_context*, libusb_device* device,
                                     libusb_hotplug_event event, void* userdata)
    {
        auto* self = static_cast<SState*>(userdata);
        CUsbNotifications::TReady ready;
        {
            std::lock_guard<std::mutex> guard(self->mLock);
            if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED)
                self->Arrive(device, ready);
            else
                self->Leave(device, ready);
        }
        CUsbNotifications::Post(ready);
        return 0;
    }

    void RunEvents()
    {
        while (!mStop.load())
        {
            timeval tv{0, 200000};
            libusb_handle_events_timeout_completed(mContext, &tv, nullptr);
            ReleaseParked();
        }
    }
};

namespace
{

using SState = CLibusbBus::SState;

struct SEndpoint
{
    uint8_t mAddress;
    uint8_t mAttributes;
    uint16_t mMaxPacketSize;
    uint8_t mInterval;
};

// What an interface's transfers share with it; lives until the last transfer
// has completed, so callbacks never see freed memory.
struct SInterfaceShared
{
    struct SCompleted
    {
        TUsbResult mResult;
        std::vector<uint8_t> mData;
    };
    struct SStream
    {
        uint32_t mSize = 0;
        libusb_transfer* mPending = nullptr;
        std::deque<SCompleted> mCompleted;
        bool mDead = false; // the device left or the pipe failed for good
    };

    std::shared_ptr<SHandle> mHandle;
    std::mutex mLock;
    std::condition_variable mChanged;
    std::map<uint8_t, SStream> mStreams; // by endpoint address
    std::set<libusb_transfer*> mInFlight;
    std::shared_ptr<CUsbEventSource> mSource;
    bool mClosing = false;
};

struct STransferContext
{
    std::shared_ptr<SInterfaceShared> mOwner;
    std::vector<uint8_t> mBuffer;
    // Asynchronous reads: where the data goes and who hears of it.
    void* mTarget = nullptr;
    CUsbInterface::TAsyncDone mDone;
    bool mStream = false;
};

void LIBUSB_CALL OnTransferDone(libusb_transfer* transfer);

// Under owner->mLock.
bool SubmitStream(const std::shared_ptr<SInterfaceShared>& owner, uint8_t endpoint,
                  SInterfaceShared::SStream& stream)
{
    libusb_transfer* transfer = libusb_alloc_transfer(0);
    if (!transfer)
        return false;
    auto* context =
        new STransferContext{owner, std::vector<uint8_t>(stream.mSize), nullptr, {}, true};
    libusb_fill_bulk_transfer(transfer, owner->mHandle->mHandle, endpoint, context->mBuffer.data(),
                              static_cast<int>(stream.mSize), OnTransferDone, context, 0);
    int error = libusb_submit_transfer(transfer);
    if (error != 0)
    {
        delete context;
        libusb_free_transfer(transfer);
        stream.mDead = true;
        stream.mCompleted.push_back({FromLibusb(error), {}});
        return false;
    }
    stream.mPending = transfer;
    owner->mInFlight.insert(transfer);
    return true;
}

void LIBUSB_CALL OnTransferDone(libusb_transfer* transfer)
{
    auto* context = static_cast<STransferContext*>(transfer->user_data);
    std::shared_ptr<SInterfaceShared> owner = context->mOwner;
    TUsbResult result = FromStatus(transfer->status);
    uint32_t length = static_cast<uint32_t>(std::max(transfer->actual_length, 0));
    {
        std::lock_guard<std::mutex> guard(owner->mLock);
        owner->mInFlight.erase(transfer);
        if (context->mStream)
        {
            auto& stream = owner->mStreams[transfer->endpoint];
            stream.mPending = nullptr;
            if (result == kUsbSuccess)
            {
                // A zero-length packet carries no message.
                if (length > 0)
                    stream.mCompleted.push_back(
                        {result, std::vector<uint8_t>(context->mBuffer.begin(),
                                                      context->mBuffer.begin() + length)});
                if (!owner->mClosing && stream.mCompleted.size() < kMaxQueuedReads)
                    SubmitStream(owner, transfer->endpoint, stream);
            }
            else if (result != kUsbAborted)
            {
                stream.mCompleted.push_back({result, {}});
                stream.mDead = result == kUsbNoDevice;
            }
        }
        else if (owner->mSource)
        {
            std::vector<uint8_t> data(context->mBuffer.begin(),
                                      context->mBuffer.begin() +
                                          std::min<size_t>(length, context->mBuffer.size()));
            void* target = context->mTarget;
            auto done = std::move(context->mDone);
            // The caller's buffer is filled on the thread that runs the source.
            owner->mSource->Post(
                [target, data = std::move(data), done, result]
                {
                    if (!data.empty())
                        std::memcpy(target, data.data(), data.size());
                    done(result, static_cast<uint32_t>(data.size()));
                });
        }
    }
    owner->mChanged.notify_all();
    delete context;
    libusb_free_transfer(transfer);
    Park(std::move(owner));
}

class CLibusbInterface : public CUsbInterface
{
public:
    CLibusbInterface(std::shared_ptr<SHandle> handle, int number, std::vector<SEndpoint> endpoints)
        : fShared(std::make_shared<SInterfaceShared>()), fNumber(number),
          fEndpoints(std::move(endpoints))
    {
        fShared->mHandle = std::move(handle);
    }
    ~CLibusbInterface() override { Close(); }

    TUsbResult OpenSeize() override
    {
        int error = libusb_claim_interface(fShared->mHandle->mHandle, fNumber);
        if (error == 0)
            fClaimed = true;
        return FromLibusb(error);
    }
    TUsbResult GetNumEndpoints(uint8_t& count) override
    {
        count = static_cast<uint8_t>(fEndpoints.size());
        return kUsbSuccess;
    }
    TUsbResult GetPipeProperties(uint8_t pipeRef, SUsbPipeProperties& p) override
    {
        const SEndpoint* e = PipeAt(fEndpoints, pipeRef);
        if (!e)
            return kUsbBadArgument;
        p.SetAddress(e->mAddress);
        p.mTransferType = e->mAttributes & 0x03;
        p.mMaxPacketSize = e->mMaxPacketSize;
        p.mInterval = e->mInterval;
        return kUsbSuccess;
    }
    TUsbResult WritePipe(uint8_t pipeRef, const void* data, uint32_t size, uint32_t,
                         uint32_t completionTimeout) override
    {
        uint8_t endpoint;
        if (!Endpoint(pipeRef, endpoint) || (endpoint & LIBUSB_ENDPOINT_IN))
            return kUsbBadArgument;
        int transferred = 0;
        int error = libusb_bulk_transfer(fShared->mHandle->mHandle, endpoint,
                                         static_cast<unsigned char*>(const_cast<void*>(data)),
                                         static_cast<int>(size), &transferred, completionTimeout);
        if (error == 0 && static_cast<uint32_t>(transferred) != size)
            return kUsbError;
        return FromLibusb(error);
    }
    TUsbResult ReadPipe(uint8_t pipeRef, void* buffer, uint32_t& size, uint32_t noDataTimeout,
                        uint32_t) override
    {
        uint8_t endpoint;
        if (!Endpoint(pipeRef, endpoint) || !(endpoint & LIBUSB_ENDPOINT_IN) || size == 0)
            return kUsbBadArgument;
        std::unique_lock<std::mutex> guard(fShared->mLock);
        auto& stream = fShared->mStreams[endpoint];
        if (stream.mSize == 0)
            stream.mSize = size;
        if (!stream.mPending && !stream.mDead && !fShared->mClosing &&
            stream.mCompleted.size() < kMaxQueuedReads)
            SubmitStream(fShared, endpoint, stream);
        if (stream.mCompleted.empty() && noDataTimeout > 0)
            fShared->mChanged.wait_for(guard, std::chrono::milliseconds(noDataTimeout),
                                       [&] { return !stream.mCompleted.empty() || stream.mDead; });
        if (stream.mCompleted.empty())
        {
            uint32_t requested = size;
            size = 0;
            if (stream.mDead)
                return kUsbNoDevice;
            return noDataTimeout > 0 && requested ? kUsbTimedOut : kUsbSuccess;
        }
        SInterfaceShared::SCompleted completed = std::move(stream.mCompleted.front());
        stream.mCompleted.pop_front();
        // Room again: re-arm a stream that paused on a full queue.
        if (!stream.mPending && !stream.mDead && !fShared->mClosing)
            SubmitStream(fShared, endpoint, stream);
        if (completed.mResult != kUsbSuccess)
        {
            size = 0;
            return completed.mResult;
        }
        return HandOut(completed.mData, buffer, size);
    }
    bool WaitForPipeData(uint8_t pipeRef, uint32_t timeoutMs) override
    {
        uint8_t endpoint;
        if (!Endpoint(pipeRef, endpoint))
            return false;
        std::unique_lock<std::mutex> guard(fShared->mLock);
        auto& stream = fShared->mStreams[endpoint];
        return fShared->mChanged.wait_for(
            guard, std::chrono::milliseconds(timeoutMs),
            [&] { return !stream.mCompleted.empty() || stream.mDead || fShared->mClosing; });
    }
    TUsbResult ReadPipeAsync(uint8_t pipeRef, void* buffer, uint32_t size, TAsyncDone done) override
    {
        uint8_t endpoint;
        if (!Endpoint(pipeRef, endpoint) || !(endpoint & LIBUSB_ENDPOINT_IN) || size == 0)
            return kUsbBadArgument;
        std::lock_guard<std::mutex> guard(fShared->mLock);
        if (!fShared->mSource || fShared->mClosing)
            return kUsbNotOpen;
        libusb_transfer* transfer = libusb_alloc_transfer(0);
        if (!transfer)
            return kUsbNoMemory;
        auto* context = new STransferContext{fShared, std::vector<uint8_t>(size), buffer,
                                             std::move(done), false};
        uint8_t type = fEndpoints[pipeRef - 1].mAttributes & 0x03;
        if (type == LIBUSB_TRANSFER_TYPE_INTERRUPT)
            libusb_fill_interrupt_transfer(transfer, fShared->mHandle->mHandle, endpoint,
                                           context->mBuffer.data(), static_cast<int>(size),
                                           OnTransferDone, context, 0);
        else
            libusb_fill_bulk_transfer(transfer, fShared->mHandle->mHandle, endpoint,
                                      context->mBuffer.data(), static_cast<int>(size),
                                      OnTransferDone, context, 0);
        int error = libusb_submit_transfer(transfer);
        if (error != 0)
        {
            delete context;
            libusb_free_transfer(transfer);
            return FromLibusb(error);
        }
        fShared->mInFlight.insert(transfer);
        return kUsbSuccess;
    }
    std::shared_ptr<CUsbEventSource> CreateAsyncEventSource() override
    {
        std::lock_guard<std::mutex> guard(fShared->mLock);
        if (!fShared->mSource)
            fShared->mSource = std::make_shared<CUsbEventSource>();
        return fShared->mSource;
    }
    TUsbResult AbortPipe(uint8_t pipeRef) override
    {
        uint8_t endpoint;
        if (!Endpoint(pipeRef, endpoint))
            return kUsbBadArgument;
        std::lock_guard<std::mutex> guard(fShared->mLock);
        for (libusb_transfer* transfer : fShared->mInFlight)
            if (transfer->endpoint == endpoint)
                libusb_cancel_transfer(transfer);
        return kUsbSuccess;
    }
    TUsbResult Close() override
    {
        {
            std::unique_lock<std::mutex> guard(fShared->mLock);
            fShared->mClosing = true;
            for (libusb_transfer* transfer : fShared->mInFlight)
                libusb_cancel_transfer(transfer);
            // The event thread completes cancelled transfers promptly; a device
            // that has gone completes them at once.
            fShared->mChanged.wait_for(guard, std::chrono::seconds(2),
                                       [&] { return fShared->mInFlight.empty(); });
        }
        fShared->mChanged.notify_all();
        if (fClaimed)
        {
            libusb_release_interface(fShared->mHandle->mHandle, fNumber);
            fClaimed = false;
        }
        return kUsbSuccess;
    }

private:
    bool Endpoint(uint8_t pipeRef, uint8_t& address) const
    {
        const SEndpoint* e = PipeAt(fEndpoints, pipeRef);
        if (e)
            address = e->mAddress;
        return e != nullptr;
    }

    std::shared_ptr<SInterfaceShared> fShared;
    int fNumber;
    std::vector<SEndpoint> fEndpoints;
    bool fClaimed = false;
};

class CLibusbDevice : public CUsbDevice
{
public:
    CLibusbDevice(std::shared_ptr<SState> state, libusb_device* device, uint32_t location)
        : fState(std::move(state)), fDevice(libusb_ref_device(device)), fLocation(location)
    {
    }
    ~CLibusbDevice() override { libusb_unref_device(fDevice); }

    TUsbResult Open() override
    {
        libusb_device_handle* handle = nullptr;
        int error = libusb_open(fDevice, &handle);
        if (error != 0)
            return FromLibusb(error);
        // Opening a device node is never exclusive on Linux; claiming is. A first
        // interface claimed by another process means the device is held.
        libusb_set_auto_detach_kernel_driver(handle, 1);
        int claim = libusb_claim_interface(handle, 0);
        if (claim == LIBUSB_ERROR_BUSY)
        {
            libusb_close(handle);
            return kUsbExclusiveAccess;
        }
        if (claim == 0)
            libusb_release_interface(handle, 0);
        fHandle = std::make_shared<SHandle>();
        fHandle->mHandle = handle;
        return kUsbSuccess;
    }
    uint32_t GetLocationId() const override { return fLocation; }
    TUsbResult Reset() override
    {
        if (!fHandle)
            return kUsbNotOpen;
        return FromLibusb(libusb_reset_device(fHandle->mHandle));
    }
    TUsbResult GetNumberOfConfigurations(uint8_t& count) override
    {
        libusb_device_descriptor descriptor;
        int error = libusb_get_device_descriptor(fDevice, &descriptor);
        count = error == 0 ? descriptor.bNumConfigurations : 0;
        return FromLibusb(error);
    }
    TUsbResult GetConfigurationValue(uint8_t index, uint8_t& value) override
    {
        libusb_config_descriptor* config = nullptr;
        int error = libusb_get_config_descriptor(fDevice, index, &config);
        if (error != 0)
            return FromLibusb(error);
        value = config->bConfigurationValue;
        libusb_free_config_descriptor(config);
        return kUsbSuccess;
    }
    TUsbResult SetConfiguration(uint8_t value) override
    {
        if (!fHandle)
            return kUsbNotOpen;
        int current = -1;
        if (libusb_get_configuration(fHandle->mHandle, &current) == 0 && current == value)
            return kUsbSuccess;
        return FromLibusb(libusb_set_configuration(fHandle->mHandle, value));
    }
    TUsbResult CreateInterfaces(std::vector<std::unique_ptr<CUsbInterface>>& interfaces) override
    {
        interfaces.clear();
        if (!fHandle)
            return kUsbNotOpen;
        libusb_config_descriptor* config = nullptr;
        int error = libusb_get_active_config_descriptor(fDevice, &config);
        if (error != 0)
            return FromLibusb(error);
        for (int i = 0; i < config->bNumInterfaces; ++i)
        {
            const libusb_interface& alternates = config->interface[i];
            if (alternates.num_altsetting < 1)
                continue;
            const libusb_interface_descriptor& d = alternates.altsetting[0];
            std::vector<SEndpoint> endpoints;
            for (int e = 0; e < d.bNumEndpoints; ++e)
                endpoints.push_back({d.endpoint[e].bEndpointAddress, d.endpoint[e].bmAttributes,
                                     d.endpoint[e].wMaxPacketSize, d.endpoint[e].bInterval});
            interfaces.push_back(std::make_unique<CLibusbInterface>(fHandle, d.bInterfaceNumber,
                                                                    std::move(endpoints)));
        }
        libusb_free_config_descriptor(config);
        return kUsbSuccess;
    }
    TUsbResult Suspend(bool) override
    {
        // The kernel suspends idle devices by itself.
        return fHandle ? kUsbSuccess : kUsbNotOpen;
    }
    TUsbResult Close() override
    {
        fHandle.reset();
        return kUsbSuccess;
    }

private:
    std::shared_ptr<SState> fState;
    libusb_device* fDevice;
    uint32_t fLocation;
    std::shared_ptr<SHandle> fHandle;
};

} // namespace

std::shared_ptr<CLibusbBus> CLibusbBus::Create()
{
    return std::shared_ptr<CLibusbBus>(new CLibusbBus());
}

CLibusbBus::CLibusbBus() : fState(std::make_shared<SState>())
{
    if (libusb_init(&fState->mContext) != 0)
    {
        fState->mContext = nullptr;
        return;
    }
    if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG))
    {
        fState->mHotplug =
            libusb_hotplug_register_callback(
                fState->mContext,
                static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                                  LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
                static_cast<libusb_hotplug_flag>(0), LIBUSB_HOTPLUG_MATCH_ANY,
                LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY, &SState::OnHotplug,
                fState.get(), &fState->mHotplugHandle) == LIBUSB_SUCCESS;
    }
    CUsbNotifications::TReady ready;
    fState->Enumerate(ready);
    SState* state = fState.get();
    fState->mEvents = std::thread([state] { state->RunEvents(); });
}

CLibusbBus::~CLibusbBus()
{
    if (fState->mContext)
    {
        fState->mStop = true;
        if (fState->mHotplug)
            libusb_hotplug_deregister_callback(fState->mContext, fState->mHotplugHandle);
        libusb_interrupt_event_handler(fState->mContext);
        if (fState->mEvents.joinable())
            fState->mEvents.join();
        ReleaseParked();
    }
}

bool CLibusbBus::IsUsable() const
{
    return fState->mContext != nullptr;
}

bool CLibusbBus::HasHotplug() const
{
    return fState->mHotplug;
}

std::unique_ptr<CUsbIterator> CLibusbBus::AddMatchingNotification(ENotification kind,
                                                                  uint16_t vendor, uint16_t product,
                                                                  std::function<void()> onReady)
{
    fState->Refresh();
    std::lock_guard<std::mutex> guard(fState->mLock);
    std::deque<TUsbServiceId> present;
    if (kind == kFirstMatch)
        present = fState->Present(vendor, product);
    return fState->mNotifications.Add(kind, vendor, product, std::move(onReady),
                                      std::move(present));
}

std::unique_ptr<CUsbIterator> CLibusbBus::GetMatchingServices(uint16_t vendor, uint16_t product)
{
    fState->Refresh();
    std::lock_guard<std::mutex> guard(fState->mLock);
    return std::make_unique<CUsbListIterator>(fState->Present(vendor, product));
}

TUsbResult CLibusbBus::GetLocationId(TUsbServiceId service, uint32_t& location)
{
    std::lock_guard<std::mutex> guard(fState->mLock);
    auto it = fState->mServices.find(service);
    if (it == fState->mServices.end())
        return kUsbBadArgument;
    location = it->second.mLocation;
    return kUsbSuccess;
}

std::unique_ptr<CUsbDevice> CLibusbBus::CreateDevice(TUsbServiceId service)
{
    std::lock_guard<std::mutex> guard(fState->mLock);
    auto it = fState->mServices.find(service);
    if (it == fState->mServices.end() || !it->second.mPresent)
        return nullptr;
    return std::make_unique<CLibusbDevice>(fState, it->second.mDevice, it->second.mLocation);
}

} // namespace NSPlatform
