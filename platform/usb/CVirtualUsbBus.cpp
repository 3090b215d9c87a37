#include "platform/usb/CVirtualUsbBus.h"

#include "platform/CPlatformClock.h"
#include "platform/usb/CUsbDevice.h"
#include "platform/usb/CUsbEventSource.h"
#include "platform/usb/CUsbInterface.h"
#include "platform/usb/CUsbListIterator.h"
#include "platform/usb/CUsbNotifications.h"
#include "platform/usb/CVirtualInstrument.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

namespace NSPlatform
{

namespace
{

int32_t NowMS()
{
    return static_cast<int32_t>(CPlatformClock::NowUS() / 1000);
}

// The platform clock's microsecond time at which a millisecond time of NowMS
// comes; by difference, so the wrap of the 32-bit milliseconds does no harm.
int64_t DeadlineUS(int32_t dueMs)
{
    int64_t now = CPlatformClock::NowUS();
    int32_t ahead = static_cast<int32_t>(static_cast<uint32_t>(dueMs) -
                                         static_cast<uint32_t>(static_cast<int32_t>(now / 1000)));
    return now - now % 1000 + int64_t(ahead) * 1000;
}

constexpr int64_t kIdleWaitUS = 3600LL * 1000000;

struct SAsyncRead
{
    uint8_t mPipe;
    void* mBuffer;
    uint32_t mSize;
    CUsbInterface::TAsyncDone mDone;
};

struct SOpenInterface
{
    TUsbServiceId mService;
    std::shared_ptr<CVirtualInstrument> mInstrument;
    std::shared_ptr<CUsbEventSource> mSource;
    std::vector<SAsyncRead> mReads;
    uint8_t mInterruptPipe = 0;
};

} // namespace

struct CVirtualUsbBus::SState
{
    struct SService
    {
        std::shared_ptr<CVirtualInstrument> mInstrument;
        uint32_t mGeneration;
        bool mPresent;
    };

    std::mutex mLock;
    std::map<TUsbServiceId, SService> mServices;
    TUsbServiceId mNextId = 0x1000;
    std::vector<std::shared_ptr<CVirtualInstrument>> mInstruments;
    CUsbNotifications mNotifications;
    std::vector<std::weak_ptr<SOpenInterface>> mInterfaces;
    STransportStatistics mStats;
    std::atomic<bool> mStop{false};
    std::atomic<bool> mWake{false};
    std::atomic<uint32_t> mDataSerial{0};

    // The service under which an instrument is on the bus now (0: none).
    TUsbServiceId PresentService(const std::shared_ptr<CVirtualInstrument>& instrument)
    {
        for (auto& [id, service] : mServices)
            if (service.mPresent && service.mInstrument == instrument)
                return id;
        return 0;
    }

    bool IsPresent(TUsbServiceId id)
    {
        auto it = mServices.find(id);
        return it != mServices.end() && it->second.mPresent;
    }

    // The matching devices on the bus now.
    std::deque<TUsbServiceId> Present(uint16_t vendor, uint16_t product)
    {
        std::deque<TUsbServiceId> ids;
        for (auto& [id, service] : mServices)
        {
            SVirtualInstrumentConfig config = service.mInstrument->GetConfig();
            if (service.mPresent && config.mVendor == vendor && config.mProduct == product)
                ids.push_back(id);
        }
        return ids;
    }

    void Notify(ENotification kind, const std::shared_ptr<CVirtualInstrument>& instrument,
                TUsbServiceId id, CUsbNotifications::TReady& ready)
    {
        SVirtualInstrumentConfig config = instrument->GetConfig();
        mNotifications.Notify(kind, config.mVendor, config.mProduct, id, ready);
    }

    // Completes pending reads; aborted ones with result, others when data is due.
    void CompleteReads(SOpenInterface& open, bool gone, TUsbResult result)
    {
        auto it = open.mReads.begin();
        while (it != open.mReads.end())
        {
            SAsyncRead read = *it;
            std::vector<uint8_t> packet;
            if (gone)
            {
                open.mSource->Post([read, result] { read.mDone(result, 0); });
            }
            else if (read.mPipe == open.mInterruptPipe && open.mInstrument->TakeInterrupt(packet))
            {
                ++mStats.mInterruptReads;
                uint32_t n = std::min<uint32_t>(read.mSize, static_cast<uint32_t>(packet.size()));
                packet.resize(n);
                // The caller's buffer is written on the thread that runs the source,
                // the one that reads it.
                open.mSource->Post(
                    [read, packet]
                    {
                        std::memcpy(read.mBuffer, packet.data(), packet.size());
                        read.mDone(kUsbSuccess, static_cast<uint32_t>(packet.size()));
                    });
            }
            else
            {
                ++it;
                continue;
            }
            it = open.mReads.erase(it);
        }
    }

    // Under mLock: runs what is due and collects notifications to post.
    void PollLocked(CUsbNotifications::TReady& ready)
    {
        int32_t now = NowMS();
        for (auto& instrument : mInstruments)
        {
            instrument->Advance(now);
            TUsbServiceId present = PresentService(instrument);
            bool onBus = instrument->IsOnBus();
            uint32_t generation = instrument->GetBusGeneration();
            if (present && (!onBus || mServices[present].mGeneration != generation))
            {
                mServices[present].mPresent = false;
                for (auto& weak : mInterfaces)
                    if (auto open = weak.lock(); open && open->mService == present)
                        CompleteReads(*open, true, kUsbNoDevice);
                Notify(kTerminate, instrument, present, ready);
                mDataSerial.fetch_add(1);
                present = 0;
            }
            if (!present && onBus)
            {
                TUsbServiceId id = mNextId++;
                mServices[id] = SService{instrument, generation, true};
                Notify(kFirstMatch, instrument, id, ready);
            }
            if (instrument->HasBulkIn())
                mDataSerial.fetch_add(1);
        }
        for (auto& weak : mInterfaces)
            if (auto open = weak.lock())
                CompleteReads(*open, false, kUsbSuccess);
        std::erase_if(mInterfaces, [](auto& weak) { return weak.expired(); });
    }

    bool NextDueLocked(int32_t& due)
    {
        bool have = false;
        for (auto& instrument : mInstruments)
        {
            int32_t when;
            if (instrument->NextDue(when) && (!have || when - due < 0))
            {
                due = when;
                have = true;
            }
        }
        return have;
    }

    void Poll()
    {
        {
            // Posted before the lock goes: whoever polls next finds the wake-ups of
            // what any thread has seen already queued (the main event queue never
            // takes this lock).
            CUsbNotifications::TReady ready;
            std::lock_guard<std::mutex> guard(mLock);
            PollLocked(ready);
            CUsbNotifications::Post(ready);
        }
        // Schedules may have changed: let the ticker look again.
        mWake = true;
        CPlatformClock::WakeWaiters();
    }
};

namespace
{

using SState = CVirtualUsbBus::SState;

class CVirtualInterface : public CUsbInterface
{
public:
    CVirtualInterface(std::shared_ptr<SState> state, TUsbServiceId service,
                      std::shared_ptr<CVirtualInstrument> instrument)
        : fState(std::move(state)), fOpen(std::make_shared<SOpenInterface>())
    {
        fOpen->mService = service;
        fOpen->mInstrument = std::move(instrument);
        fEndpoints = fOpen->mInstrument->GetConfig().mEndpoints;
        for (size_t i = 0; i < fEndpoints.size(); ++i)
            if (fEndpoints[i].mKind == SVirtualEndpoint::kInterruptIn)
                fOpen->mInterruptPipe = static_cast<uint8_t>(i + 1);
    }
    ~CVirtualInterface() override
    {
        std::lock_guard<std::mutex> guard(fState->mLock);
        fOpen->mReads.clear();
    }

    TUsbResult OpenSeize() override
    {
        std::lock_guard<std::mutex> guard(fState->mLock);
        if (!fState->IsPresent(fOpen->mService))
            return kUsbNoDevice;
        fClaimed = true;
        return kUsbSuccess;
    }
    TUsbResult GetNumEndpoints(uint8_t& count) override
    {
        count = static_cast<uint8_t>(fEndpoints.size());
        return kUsbSuccess;
    }
    TUsbResult GetPipeProperties(uint8_t pipeRef, SUsbPipeProperties& p) override
    {
        const SVirtualEndpoint* e = PipeAt(fEndpoints, pipeRef);
        if (!e)
            return kUsbBadArgument;
        p.SetAddress(e->mAddress);
        const bool interrupt = e->mKind == SVirtualEndpoint::kInterruptIn;
        p.mTransferType = interrupt ? SUsbPipeProperties::kInterrupt : SUsbPipeProperties::kBulk;
        p.mMaxPacketSize = interrupt ? 16 : 512;
        p.mInterval = interrupt ? 1 : 0;
        return kUsbSuccess;
    }
    TUsbResult WritePipe(uint8_t pipeRef, const void* data, uint32_t size, uint32_t,
                         uint32_t) override
    {
        if (!IsPipe(pipeRef, SVirtualEndpoint::kBulkOut))
            return kUsbBadArgument;
        bool delivered;
        {
            std::lock_guard<std::mutex> guard(fState->mLock);
            if (!fClaimed)
                return kUsbNotOpen;
            if (!fState->IsPresent(fOpen->mService))
                return kUsbNoDevice;
            ++fState->mStats.mBulkWrites;
            delivered = fOpen->mInstrument->ReceiveBulkOut(static_cast<const uint8_t*>(data), size,
                                                           NowMS());
        }
        fState->Poll();
        std::lock_guard<std::mutex> guard(fState->mLock);
        if (!fState->IsPresent(fOpen->mService))
            return kUsbNoDevice;
        return delivered ? kUsbSuccess : kUsbPipeStalled;
    }
    TUsbResult ReadPipe(uint8_t pipeRef, void* buffer, uint32_t& size, uint32_t noDataTimeout,
                        uint32_t) override
    {
        if (!IsPipe(pipeRef, SVirtualEndpoint::kBulkIn))
            return kUsbBadArgument;
        fState->Poll();
        if (noDataTimeout > 0)
            WaitForPipeData(pipeRef, noDataTimeout);
        std::lock_guard<std::mutex> guard(fState->mLock);
        if (!fClaimed)
            return kUsbNotOpen;
        if (!fState->IsPresent(fOpen->mService))
            return kUsbNoDevice;
        std::vector<uint8_t> message;
        if (!fOpen->mInstrument->TakeBulkIn(message))
        {
            ++fState->mStats.mEmptyReads;
            size = 0;
            return noDataTimeout > 0 ? kUsbTimedOut : kUsbSuccess;
        }
        ++fState->mStats.mBulkReads;
        return HandOut(message, buffer, size);
    }
    bool WaitForPipeData(uint8_t, uint32_t timeoutMs) override
    {
        int64_t deadline = CPlatformClock::NowUS() + int64_t(timeoutMs) * 1000;
        for (;;)
        {
            uint32_t serial = fState->mDataSerial.load();
            int32_t due = 0;
            bool haveDue;
            {
                CUsbNotifications::TReady ready;
                std::lock_guard<std::mutex> guard(fState->mLock);
                fState->PollLocked(ready);
                CUsbNotifications::Post(ready);
                if (!fState->IsPresent(fOpen->mService) || fOpen->mInstrument->HasBulkIn())
                    return true;
                haveDue = fState->NextDueLocked(due);
            }
            int64_t now = CPlatformClock::NowUS();
            if (now >= deadline)
                return false;
            int64_t target = deadline;
            if (haveDue)
                target = std::min<int64_t>(target, std::max<int64_t>(DeadlineUS(due), now));
            if (CPlatformClock::IsManual())
            {
                // Nobody else moves manual time here: jump to the next thing due.
                CPlatformClock::Advance(std::max<int64_t>(target - now, 0));
                if (target == now)
                    CPlatformClock::Advance(1000);
            }
            else
            {
                CPlatformClock::WaitUntil(
                    target, [this, serial]
                    { return fState->mDataSerial.load() != serial || fState->mStop.load(); });
            }
        }
    }
    TUsbResult ReadPipeAsync(uint8_t pipeRef, void* buffer, uint32_t size, TAsyncDone done) override
    {
        const SVirtualEndpoint* e = PipeAt(fEndpoints, pipeRef);
        if (!e || !(e->mAddress & 0x80))
            return kUsbBadArgument;
        {
            std::lock_guard<std::mutex> guard(fState->mLock);
            if (!fClaimed || !fOpen->mSource)
                return kUsbNotOpen;
            if (!fState->IsPresent(fOpen->mService))
                return kUsbNoDevice;
            if (pipeRef == fOpen->mInterruptPipe && fOpen->mInstrument->IsInterruptHalted())
                return kUsbPipeStalled;
            fOpen->mReads.push_back(SAsyncRead{pipeRef, buffer, size, std::move(done)});
        }
        fState->Poll();
        return kUsbSuccess;
    }
    std::shared_ptr<CUsbEventSource> CreateAsyncEventSource() override
    {
        std::lock_guard<std::mutex> guard(fState->mLock);
        if (!fOpen->mSource)
        {
            fOpen->mSource = std::make_shared<CUsbEventSource>();
            fState->mInterfaces.push_back(fOpen);
        }
        return fOpen->mSource;
    }
    TUsbResult AbortPipe(uint8_t pipeRef) override
    {
        std::lock_guard<std::mutex> guard(fState->mLock);
        if (!fState->IsPresent(fOpen->mService))
            return kUsbNoDevice;
        auto it = fOpen->mReads.begin();
        while (it != fOpen->mReads.end())
        {
            if (it->mPipe == pipeRef)
            {
                SAsyncRead read = *it;
                if (fOpen->mSource)
                    fOpen->mSource->Post([read] { read.mDone(kUsbAborted, 0); });
                it = fOpen->mReads.erase(it);
            }
            else
            {
                ++it;
            }
        }
        return kUsbSuccess;
    }
    TUsbResult Close() override
    {
        std::lock_guard<std::mutex> guard(fState->mLock);
        for (auto& read : fOpen->mReads)
            if (fOpen->mSource)
                fOpen->mSource->Post([read] { read.mDone(kUsbAborted, 0); });
        fOpen->mReads.clear();
        fClaimed = false;
        return kUsbSuccess;
    }

private:
    bool IsPipe(uint8_t pipeRef, SVirtualEndpoint::EKind kind) const
    {
        const SVirtualEndpoint* e = PipeAt(fEndpoints, pipeRef);
        return e && e->mKind == kind;
    }

    std::shared_ptr<SState> fState;
    std::shared_ptr<SOpenInterface> fOpen;
    std::vector<SVirtualEndpoint> fEndpoints;
    bool fClaimed = false;
};

class CVirtualDevice : public CUsbDevice
{
public:
    CVirtualDevice(std::shared_ptr<SState> state, TUsbServiceId service,
                   std::shared_ptr<CVirtualInstrument> instrument)
        : fState(std::move(state)), fService(service), fInstrument(std::move(instrument)),
          fLocation(fInstrument->GetConfig().mLocation)
    {
    }

    TUsbResult Open() override
    {
        std::lock_guard<std::mutex> guard(fState->mLock);
        if (!fState->IsPresent(fService))
            return kUsbNoDevice;
        ++fState->mStats.mOpenAttempts;
        switch (fInstrument->AnswerOpen())
        {
        case CVirtualInstrument::kOpenBusy:
            return kUsbExclusiveAccess;
        case CVirtualInstrument::kOpenDenied:
            return kUsbNotPermitted;
        case CVirtualInstrument::kOpenOK:
            break;
        }
        fOpen = true;
        return kUsbSuccess;
    }
    uint32_t GetLocationId() const override { return fLocation; }
    TUsbResult Reset() override
    {
        TUsbResult result = Check();
        if (result == kUsbSuccess)
            fInstrument->ResetDevice(NowMS());
        return result;
    }
    TUsbResult GetNumberOfConfigurations(uint8_t& count) override
    {
        count = 1;
        return Check();
    }
    TUsbResult GetConfigurationValue(uint8_t index, uint8_t& value) override
    {
        if (index != 0)
            return kUsbBadArgument;
        value = 1;
        return Check();
    }
    TUsbResult SetConfiguration(uint8_t value) override
    {
        return value == 1 ? Check() : kUsbBadArgument;
    }
    TUsbResult CreateInterfaces(std::vector<std::unique_ptr<CUsbInterface>>& interfaces) override
    {
        interfaces.clear();
        TUsbResult result = Check();
        if (result != kUsbSuccess)
            return result;
        if (fInstrument->GetConfig().mHasInterface)
            interfaces.push_back(
                std::make_unique<CVirtualInterface>(fState, fService, fInstrument));
        return kUsbSuccess;
    }
    TUsbResult Suspend(bool) override { return Check(); }
    TUsbResult Close() override
    {
        fOpen = false;
        return kUsbSuccess;
    }

private:
    TUsbResult Check()
    {
        std::lock_guard<std::mutex> guard(fState->mLock);
        if (!fState->IsPresent(fService))
            return kUsbNoDevice;
        return fOpen ? kUsbSuccess : kUsbNotOpen;
    }

    std::shared_ptr<SState> fState;
    TUsbServiceId fService;
    std::shared_ptr<CVirtualInstrument> fInstrument;
    uint32_t fLocation;
    bool fOpen = false;
};

} // namespace

std::shared_ptr<CVirtualUsbBus> CVirtualUsbBus::Create()
{
    return std::shared_ptr<CVirtualUsbBus>(new CVirtualUsbBus());
}

std::shared_ptr<CVirtualUsbBus> CVirtualUsbBus::InstallNew()
{
    auto bus = Create();
    CUsbBus::Install(bus);
    return bus;
}

CVirtualUsbBus::CVirtualUsbBus() : fState(std::make_shared<SState>())
{
    fTicker = std::thread([this] { Ticker(); });
}

CVirtualUsbBus::~CVirtualUsbBus()
{
    fState->mStop = true;
    CPlatformClock::WakeWaiters();
    fTicker.join();
    if (const char* report = std::getenv(kReportVariable))
        WriteReport(report);
}

void CVirtualUsbBus::WriteReport(const char* path) const
{
    std::FILE* out = std::fopen(path, "w");
    if (!out)
        return;
    std::lock_guard<std::mutex> guard(fState->mLock);
    for (const auto& instrument : fState->mInstruments)
    {
        const CVirtualInstrument::SStatistics stats = instrument->GetStatistics();
        std::fprintf(out, "instrument\nframes %u\nlost %u\nreboots %u\ninstalls %u\n",
                     stats.mFrames, stats.mLostFrames, stats.mReboots, stats.mInstalls);
        for (const auto& [code, count] : stats.mMessages)
            std::fprintf(out, "message 0x%02x %u\n", unsigned{code}, count);
    }
    std::fclose(out);
}

void CVirtualUsbBus::Ticker()
{
    while (!fState->mStop)
    {
        fState->mWake = false;
        int32_t due = 0;
        bool haveDue;
        {
            CUsbNotifications::TReady ready;
            std::lock_guard<std::mutex> guard(fState->mLock);
            fState->PollLocked(ready);
            CUsbNotifications::Post(ready);
            haveDue = fState->NextDueLocked(due);
        }
        int64_t deadline = haveDue ? DeadlineUS(due) : CPlatformClock::NowUS() + kIdleWaitUS;
        CPlatformClock::WaitUntil(deadline,
                                  [this] { return fState->mStop.load() || fState->mWake.load(); });
    }
}

std::shared_ptr<CVirtualInstrument> CVirtualUsbBus::Attach(const SVirtualInstrumentConfig& config)
{
    auto instrument = std::make_shared<CVirtualInstrument>(config);
    {
        std::lock_guard<std::mutex> guard(fState->mLock);
        fState->mInstruments.push_back(instrument);
    }
    Poll();
    return instrument;
}

void CVirtualUsbBus::Detach(const std::shared_ptr<CVirtualInstrument>& instrument)
{
    instrument->Unplug();
    Poll();
    std::lock_guard<std::mutex> guard(fState->mLock);
    std::erase(fState->mInstruments, instrument);
}

std::shared_ptr<CVirtualInstrument> CVirtualUsbBus::GetInstrument() const
{
    std::lock_guard<std::mutex> guard(fState->mLock);
    return fState->mInstruments.empty() ? nullptr : fState->mInstruments.front();
}

void CVirtualUsbBus::Poll()
{
    fState->Poll();
}

CVirtualUsbBus::STransportStatistics CVirtualUsbBus::GetTransportStatistics() const
{
    std::lock_guard<std::mutex> guard(fState->mLock);
    return fState->mStats;
}

std::unique_ptr<CUsbIterator> CVirtualUsbBus::AddMatchingNotification(ENotification kind,
                                                                      uint16_t vendor,
                                                                      uint16_t product,
                                                                      std::function<void()> onReady)
{
    Poll();
    std::lock_guard<std::mutex> guard(fState->mLock);
    std::deque<TUsbServiceId> present;
    if (kind == kFirstMatch)
        present = fState->Present(vendor, product);
    return fState->mNotifications.Add(kind, vendor, product, std::move(onReady),
                                      std::move(present));
}

std::unique_ptr<CUsbIterator> CVirtualUsbBus::GetMatchingServices(uint16_t vendor, uint16_t product)
{
    Poll();
    std::lock_guard<std::mutex> guard(fState->mLock);
    return std::make_unique<CUsbListIterator>(fState->Present(vendor, product));
}

TUsbResult CVirtualUsbBus::GetLocationId(TUsbServiceId service, uint32_t& location)
{
    std::lock_guard<std::mutex> guard(fState->mLock);
    auto it = fState->mServices.find(service);
    if (it == fState->mServices.end())
        return kUsbBadArgument;
    location = it->second.mInstrument->GetConfig().mLocation;
    return kUsbSuccess;
}

std::unique_ptr<CUsbDevice> CVirtualUsbBus::CreateDevice(TUsbServiceId service)
{
    Poll();
    std::lock_guard<std::mutex> guard(fState->mLock);
    auto it = fState->mServices.find(service);
    if (it == fState->mServices.end() || !it->second.mPresent)
        return nullptr;
    return std::make_unique<CVirtualDevice>(fState, service, it->second.mInstrument);
}

} // namespace NSPlatform
