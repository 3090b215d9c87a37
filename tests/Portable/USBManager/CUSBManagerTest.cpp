#include "Portable/USBManager/CUSBManager.h"
#include "Portable/USBExceptions.h"
#include "Portable/USBManager/CMacUsbHandle.h"
#include "platform/CMainEventQueue.h"
#include "platform/CPlatformClock.h"
#include "platform/power/CSystemPower.h"
#include "platform/usb/CUsbIterator.h"
#include "platform/usb/CVirtualInstrument.h"
#include "platform/usb/CVirtualUsbBus.h"
#include "tests/Portable/USBManager/CRecordingOwner.h"
#include "tests/Portable/USBManager/CRecordingReceiver.h"
#include "tests/platform/usb/WireFrames.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

using namespace NSPlatform;

namespace
{

constexpr int kVendor = KELT_VENDOR_ID;
constexpr int kProduct = KELT_PRODUCT_ID;

class USBManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Power notifications would reach for the machine's logind.
        setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/kelt-test", 1);
        CMainEventQueue::Main().Clear();
        fBus = CVirtualUsbBus::InstallNew();
    }
    void TearDown() override
    {
        fManager.reset();
        CUsbBus::Install(nullptr);
        fBus.reset();
        CMainEventQueue::Main().Clear();
        CPlatformClock::SetManual(false);
    }
    void Start(int ports = 1)
    {
        fManager = std::make_unique<CUSBManager>(fOwner, kVendor, kProduct,
                                                 CUSBManager::kHasInterrupt, ports);
    }
    // Runs the main thread's posted work until nothing more comes.
    void Dispatch()
    {
        fBus->Poll();
        while (CMainEventQueue::Main().WaitAndDispatch(20) > 0)
        {
        }
    }
    SVirtualInstrumentConfig At(uint32_t location)
    {
        SVirtualInstrumentConfig config;
        config.mLocation = location;
        return config;
    }
    void Send(const std::vector<uint8_t>& frame)
    {
        auto copy = frame;
        fManager->TxData(0, copy.data(), uint32_t(copy.size()));
    }

    CRecordingOwner fOwner;
    std::shared_ptr<CVirtualUsbBus> fBus;
    std::unique_ptr<CUSBManager> fManager;
};

} // namespace

TEST_F(USBManagerTest, DeviceAttachedBeforeStartIsReportedByUpdateDeviceDriverList)
{
    fBus->Attach(At(0x01100000));
    Start();
    Dispatch();
    EXPECT_TRUE(fOwner.fAdded.empty());
    EXPECT_TRUE(fManager->UpdateDeviceDriverList());
    ASSERT_EQ(fOwner.fAdded.size(), 1u);
    EXPECT_EQ(fOwner.fAdded[0], 0);
    EXPECT_TRUE(fManager->IsPortOpen(0));
    EXPECT_EQ(fManager->GetDeviceDriverCount(), 1);
    EXPECT_NE(fManager->GetDeviceDriverNativeId(0), 0u);
    EXPECT_EQ(CUSBManager::gManager, fManager.get());
    fManager.reset();
    EXPECT_EQ(CUSBManager::gManager, nullptr);
}

TEST_F(USBManagerTest, ArrivalsAndRemovalsOnOnePort)
{
    Start();
    fManager->UpdateDeviceDriverList();
    auto first = fBus->Attach(At(0x01100000));
    Dispatch();
    ASSERT_EQ(fOwner.fAdded.size(), 1u);
    ASSERT_TRUE(fManager->IsPortOpen(0));

    // A second instrument while the one port is open is ignored.
    auto second = fBus->Attach(At(0x01200000));
    Dispatch();
    EXPECT_EQ(fOwner.fAdded.size(), 1u);
    EXPECT_EQ(fManager->GetDeviceDriverCount(), 1);

    // Unplugging the ignored one tells nobody; unplugging the open one does.
    fBus->Detach(second);
    Dispatch();
    EXPECT_TRUE(fOwner.fRemoved.empty());
    fBus->Detach(first);
    Dispatch();
    ASSERT_EQ(fOwner.fRemoved.size(), 1u);
    EXPECT_FALSE(fManager->IsPortOpen(0));
    EXPECT_EQ(fManager->GetPort(0).fNativeDeviceId, 0u);
    // The list keeps what it was told.
    EXPECT_EQ(fManager->GetDeviceDriverCount(), 1);
}

TEST_F(USBManagerTest, UnpluggingAClosedPortCallsNoOwnerOperation)
{
    fOwner.fOpenOnArrival = false;
    Start();
    fManager->UpdateDeviceDriverList();
    auto instrument = fBus->Attach(At(0x01100000));
    Dispatch();
    ASSERT_EQ(fOwner.fAdded.size(), 1u);
    fBus->Detach(instrument);
    Dispatch();
    EXPECT_TRUE(fOwner.fRemoved.empty());
    EXPECT_TRUE(fOwner.fExceptions.empty());
}

TEST_F(USBManagerTest, WakeReportsOpenPortsRemovedAndIgnoresTheOfferedDevice)
{
    auto instrument = fBus->Attach(At(0x01100000));
    Start();
    fManager->UpdateDeviceDriverList();
    ASSERT_TRUE(fManager->IsPortOpen(0));
    const CMacUsbHandle* handle = fManager->GetPort(0).fHandle;

    SystemPowerCallback(nullptr, 0, CSystemPower::kSystemWillSleep, 0);
    SystemPowerCallback(nullptr, 0, CSystemPower::kSystemHasPoweredOn, 0);
    ASSERT_EQ(fOwner.fRemoved.size(), 1u);
    EXPECT_EQ(fOwner.fAdded.size(), 1u); // offered again, ignored: the port has its handle
    EXPECT_EQ(fManager->GetPort(0).fHandle, handle);

    // Once the owner closes the port, the next wake offers it again.
    fManager->ClosePort(0);
    SystemPowerCallback(nullptr, 0, CSystemPower::kSystemHasPoweredOn, 0);
    EXPECT_EQ(fOwner.fAdded.size(), 2u);
    EXPECT_TRUE(fManager->IsPortOpen(0));
}

TEST_F(USBManagerTest, AnOwnerFailingOnArrivalLeavesTheDeviceAndThePortFree)
{
    class CFailingOwner : public CRecordingOwner
    {
    public:
        void USBDeviceAddedCallback(TUSBDevicePort port) override
        {
            CRecordingOwner::USBDeviceAddedCallback(port);
            if (fAdded.size() == 1)
                throw XUSBError();
        }
    } owner;
    auto instrument = fBus->Attach(At(0x01100000));
    CUSBManager manager(owner, kVendor, kProduct, CUSBManager::kHasInterrupt, 1);
    EXPECT_NO_THROW(manager.UpdateDeviceDriverList());
    ASSERT_EQ(owner.fAdded.size(), 1u);
    EXPECT_FALSE(manager.IsPortOpen(0)); // opened by the owner, then reset
    EXPECT_EQ(manager.GetPort(0).fNativeDeviceId, 0u);

    // Plugged in again, it gets the port.
    fBus->Detach(instrument);
    fBus->Attach(At(0x01100000));
    Dispatch();
    ASSERT_EQ(owner.fAdded.size(), 2u);
    EXPECT_TRUE(manager.IsPortOpen(0));
    EXPECT_TRUE(owner.fRemoved.empty()); // the reset port was not the owner's to hear about
    manager.ClosePort(0);
}

TEST_F(USBManagerTest, SleepAbortsTheInterruptReadAndWakeDoesNotRearmIt)
{
    CRecordingReceiver receiver;
    fOwner.fReceiver = &receiver;
    auto instrument = fBus->Attach(At(0x01100000));
    Start();
    fManager->UpdateDeviceDriverList();
    ASSERT_TRUE(fManager->IsPortOpen(0));
    ASSERT_EQ(fManager->GetPort(0).fHandle->fInterruptPID, 1);

    SystemPowerCallback(nullptr, 0, CSystemPower::kSystemWillSleep, 0);
    SystemPowerCallback(nullptr, 0, CSystemPower::kSystemHasPoweredOn, 0);
    // A packet the instrument has now finds no read waiting for it.
    SVirtualInstrumentConfig faults = instrument->GetConfig();
    faults.mInterruptFailure = true;
    instrument->SetFaults(faults);
    fBus->Poll();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Dispatch();
    EXPECT_EQ(receiver.fCalls.load(), 0);
    EXPECT_TRUE(fManager->IsPortOpen(0));
    EXPECT_EQ(fOwner.fRemoved.size(), 1u);
}

TEST_F(USBManagerTest, BulkReadsAreOneMessageEachAndNeverWait)
{
    fBus->Attach(At(0x01100000));
    Start();
    fManager->UpdateDeviceDriverList();
    ASSERT_TRUE(fManager->IsPortOpen(0));
    uint8_t buffer[4096];

    // An empty read that waited would be slow every time; one that answers at once
    // can still be delayed now and then by a busy machine: the best of five counts.
    auto best = std::chrono::steady_clock::duration::max();
    for (int attempt = 0; attempt < 5; ++attempt)
    {
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(fManager->RxData(0, buffer, sizeof buffer), 0u);
        best = std::min(best, std::chrono::steady_clock::now() - start);
    }
    EXPECT_LT(best, std::chrono::milliseconds(5));

    Send(NSWireFrames::Request(0x81));
    Send(NSWireFrames::Request(0x80));
    ASSERT_EQ(fManager->RxData(0, buffer, sizeof buffer), 52u);
    EXPECT_EQ(buffer[0], 0x81);
    ASSERT_EQ(fManager->RxData(0, buffer, sizeof buffer), 66u);
    EXPECT_EQ(buffer[0], 0x80);
    EXPECT_EQ(fManager->RxData(0, buffer, sizeof buffer), 0u);
}

TEST_F(USBManagerTest, TimedReadWaitsWithoutSpinningAndThrowsWhenNothingCame)
{
    fBus->Attach(At(0x01100000));
    Start();
    fManager->UpdateDeviceDriverList();
    uint8_t buffer[4096];

    // None may end early; a busy machine may oversleep one, so the best of three
    // must end within 10 %.
    timespec cpu0, cpu1;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu0);
    auto best = std::chrono::steady_clock::duration::max();
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        auto start = std::chrono::steady_clock::now();
        EXPECT_THROW(fManager->RxData(0, buffer, sizeof buffer, 300), XUSBError);
        auto waited = std::chrono::steady_clock::now() - start;
        // The time-out counts whole milliseconds of the system clock, so it may
        // end up to one millisecond before 300 ms of real time.
        EXPECT_GE(waited, std::chrono::milliseconds(299));
        best = std::min(best, waited);
    }
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu1);
    EXPECT_LE(best, std::chrono::milliseconds(330));
    double cpu = (cpu1.tv_sec - cpu0.tv_sec) + (cpu1.tv_nsec - cpu0.tv_nsec) / 1e9;
    EXPECT_LT(cpu / 3, 0.06);

    // Data that arrives while waiting ends the wait: the reboot request makes the
    // instrument leave, and a port whose device left ends the wait at once too.
    Send(NSWireFrames::Request(0x81));
    EXPECT_EQ(fManager->RxData(0, buffer, sizeof buffer, 1000), 52u);
}

TEST_F(USBManagerTest, TimedReadEndsOnTimeAcrossTheWrapOfTheMillisecondClock)
{
    CPlatformClock::SetManual(true);
    // Move the clock to 200 ms before its milliseconds wrap to negative numbers.
    const uint32_t now = static_cast<uint32_t>(CPlatformClock::NowUS() / 1000);
    CPlatformClock::Advance(int64_t(uint32_t(0x7FFFFFFFu - 200u - now)) * 1000);
    fBus->Attach(At(0x01100000));
    Start();
    fManager->UpdateDeviceDriverList();
    ASSERT_TRUE(fManager->IsPortOpen(0));
    uint8_t buffer[64];
    const int64_t before = CPlatformClock::NowUS();
    EXPECT_THROW(fManager->RxData(0, buffer, sizeof buffer, 1000), XUSBError);
    const int64_t waited = CPlatformClock::NowUS() - before;
    EXPECT_GE(waited, 1000 * 1000LL);
    EXPECT_LE(waited, 1100 * 1000LL);
}

TEST_F(USBManagerTest, TransfersToAVanishedDevice)
{
    SVirtualInstrumentConfig config = At(0x01100000);
    config.mRemoveAtMessage = 0;
    fBus->Attach(config);
    Start();
    fManager->UpdateDeviceDriverList();
    ASSERT_TRUE(fManager->IsPortOpen(0));
    EXPECT_NO_THROW(Send(NSWireFrames::Request(0x81)));
    uint8_t buffer[64];
    EXPECT_THROW(fManager->RxData(0, buffer, sizeof buffer), XUSBError);
    Dispatch();
    EXPECT_EQ(fOwner.fRemoved.size(), 1u);
    EXPECT_THROW(Send(NSWireFrames::Request(0x81)), XUSBError); // the port is closed now
    EXPECT_THROW(fManager->RxData(0, buffer, sizeof buffer), XUSBError);
}

TEST_F(USBManagerTest, DeviceHeldByAnotherProgramIsTriedTwentyTimesOneSecondApart)
{
    CPlatformClock::SetManual(true);
    SVirtualInstrumentConfig config = At(0x01100000);
    config.mBusyAttempts = -1;
    fBus->Attach(config);
    Start();
    int64_t before = CPlatformClock::NowUS();
    auto wall = std::chrono::steady_clock::now();
    fManager->UpdateDeviceDriverList();
    EXPECT_EQ(fOwner.fOpenFailures, 1);
    EXPECT_EQ(fOwner.fNoPermission, 0);
    EXPECT_EQ(fBus->GetTransportStatistics().mOpenAttempts, 20u);
    // Nineteen one-second pauses, plus what letting other programs run took.
    EXPECT_GE(CPlatformClock::NowUS() - before, 19 * 1000000LL);
    EXPECT_LE(CPlatformClock::NowUS() - before, 21 * 1000000LL);
    EXPECT_LT(std::chrono::steady_clock::now() - wall, std::chrono::seconds(5));
    EXPECT_FALSE(fManager->IsPortOpen(0));
    EXPECT_EQ(fManager->GetPort(0).fNativeDeviceId, 0u);
}

TEST_F(USBManagerTest, DeviceFreedWhileRetryingIsOpened)
{
    CPlatformClock::SetManual(true);
    SVirtualInstrumentConfig config = At(0x01100000);
    config.mBusyAttempts = 3;
    fBus->Attach(config);
    Start();
    fManager->UpdateDeviceDriverList();
    EXPECT_TRUE(fManager->IsPortOpen(0));
    EXPECT_EQ(fBus->GetTransportStatistics().mOpenAttempts, 4u);
}

TEST_F(USBManagerTest, PermissionDeniedIsNotReportedAsHeldByAnotherProgram)
{
    SVirtualInstrumentConfig config = At(0x01100000);
    config.mPermissionDenied = true;
    fBus->Attach(config);
    Start();
    fManager->UpdateDeviceDriverList();
    EXPECT_EQ(fOwner.fNoPermission, 1);
    EXPECT_EQ(fOwner.fOpenFailures, 0);
    EXPECT_EQ(fBus->GetTransportStatistics().mOpenAttempts, 1u);
    EXPECT_FALSE(fManager->IsPortOpen(0));
}

TEST_F(USBManagerTest, PipeRolesAreFoundInAnyOrder)
{
    using E = SVirtualEndpoint;
    struct SCase
    {
        std::vector<SVirtualEndpoint> mEndpoints;
        uint8_t mInterrupt, mBulkIn, mBulkOut;
    };
    std::vector<SCase> cases = {
        {{{E::kBulkOut, 0x02}, {E::kBulkIn, 0x82}, {E::kInterruptIn, 0x81}}, 3, 2, 1},
        {{{E::kBulkIn, 0x82}, {E::kInterruptIn, 0x81}, {E::kBulkOut, 0x02}}, 2, 1, 3},
        // Two bulk-in endpoints: the first is used.
        {{{E::kInterruptIn, 0x81}, {E::kBulkIn, 0x83}, {E::kBulkIn, 0x82}, {E::kBulkOut, 0x02}},
         1,
         2,
         4},
    };
    for (auto& c : cases)
    {
        auto bus = CVirtualUsbBus::InstallNew();
        SVirtualInstrumentConfig config = At(0x01100000);
        config.mEndpoints = c.mEndpoints;
        bus->Attach(config);
        CRecordingOwner owner;
        CUSBManager manager(owner, kVendor, kProduct, CUSBManager::kHasInterrupt, 1);
        manager.UpdateDeviceDriverList();
        ASSERT_TRUE(manager.IsPortOpen(0));
        const CMacUsbHandle* h = manager.GetPort(0).fHandle;
        EXPECT_EQ(h->fInterruptPID, c.mInterrupt);
        EXPECT_EQ(h->fBulkInPID, c.mBulkIn);
        EXPECT_EQ(h->fBulkOutPID, c.mBulkOut);
        EXPECT_EQ(h->fDeviceLocation, 0x01100000u);
        manager.ClosePort(0);
    }
}

TEST_F(USBManagerTest, DevicesWithoutInterfaceOrPipesAreRefusedAtOpen)
{
    using E = SVirtualEndpoint;
    SVirtualInstrumentConfig none = At(0x01100000);
    none.mHasInterface = false;
    SVirtualInstrumentConfig noBulkOut = At(0x01100000);
    noBulkOut.mEndpoints = {{E::kInterruptIn, 0x81}, {E::kBulkIn, 0x82}};
    for (auto& config : {none, noBulkOut})
    {
        auto bus = CVirtualUsbBus::InstallNew();
        bus->Attach(config);
        CRecordingOwner owner;
        CUSBManager manager(owner, kVendor, kProduct, CUSBManager::kHasInterrupt, 1);
        manager.UpdateDeviceDriverList();
        EXPECT_EQ(owner.fOpenFailures, 1);
        EXPECT_FALSE(manager.IsPortOpen(0));
    }
}

TEST_F(USBManagerTest, InterruptDataRunsOnTheWorkerAndAFailedRearmReachesTheOwnerOnMain)
{
    CRecordingReceiver receiver;
    fOwner.fReceiver = &receiver;
    SVirtualInstrumentConfig config = At(0x01100000);
    config.mInterruptFailure = true;
    fBus->Attach(config);
    Start();
    fManager->UpdateDeviceDriverList();
    ASSERT_TRUE(fManager->IsPortOpen(0));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (fOwner.fExceptions.empty() && std::chrono::steady_clock::now() < deadline)
        CMainEventQueue::Main().WaitAndDispatch(10);
    EXPECT_EQ(receiver.fCalls.load(), 1);
    EXPECT_EQ(receiver.fFirstByte.load(), 1);
    EXPECT_TRUE(receiver.fOnWorker.load());
    ASSERT_EQ(fOwner.fExceptions.size(), 1u);
    EXPECT_TRUE(fOwner.fExceptionOnMain);
    EXPECT_FALSE(fManager->IsPortOpen(0));
}

TEST_F(USBManagerTest, ClosingAndReopeningWhileTheWorkerRuns)
{
    // Open and close many times with interrupt traffic, so the worker's reads of
    // the port table meet the main thread's changes (ThreadSanitizer watches).
    CRecordingReceiver receiver;
    fOwner.fReceiver = &receiver;
    auto instrument = fBus->Attach(At(0x01100000));
    Start();
    fManager->UpdateDeviceDriverList();
    for (int i = 0; i < 20; ++i)
    {
        if (!fManager->IsPortOpen(0))
            fManager->LowLevel_NewDevice(fManager->GetDeviceDriverNativeId(0));
        ASSERT_TRUE(fManager->IsPortOpen(0));
        SVirtualInstrumentConfig faults = instrument->GetConfig();
        faults.mInterruptFailure = (i % 2) == 0;
        instrument->SetFaults(faults);
        fBus->Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 3 * 5));
        fManager->ClosePort(0);
        Dispatch();
    }
    EXPECT_GT(receiver.fCalls.load(), 0);
}

TEST_F(USBManagerTest, OpeningAnOpenPortAgainReplacesItsHandle)
{
    // The first handle is closed, not lost (the leak checker of the sanitizer
    // build watches), and the port keeps its device.
    auto instrument = fBus->Attach(At(0x01100000));
    Start();
    fManager->UpdateDeviceDriverList();
    ASSERT_TRUE(fManager->IsPortOpen(0));
    const TUsbServiceId device = fManager->GetPort(0).fNativeDeviceId;
    for (int i = 0; i < 3; ++i)
        fManager->OpenPort(0, nullptr);
    ASSERT_TRUE(fManager->IsPortOpen(0));
    EXPECT_EQ(fManager->GetPort(0).fNativeDeviceId, device);
    EXPECT_EQ(fBus->GetTransportStatistics().mOpenAttempts, 4u);
    Send(NSWireFrames::Request(0x80));
    EXPECT_EQ(instrument->GetStatistics().mFrames, 1u);
    fManager->ClosePort(0);
}

TEST_F(USBManagerTest, AnArrivalDuringAnotherArrivalWaitsForItsPort)
{
    // The open's retries let queued notifications run; a second instrument that
    // arrives then must not be given the port that is being opened.
    class CNestingOwner : public CRecordingOwner
    {
    public:
        void USBDeviceAddedCallback(TUSBDevicePort port) override
        {
            if (fAdded.empty())
                CUSBManager::gManager->LowLevel_NewDevice(fOther);
            CRecordingOwner::USBDeviceAddedCallback(port);
        }
        NSPlatform::TUsbServiceId fOther = 0;
    } owner;
    auto other = fBus->Attach(At(0x01200000));
    fBus->Attach(At(0x01100000));
    auto present = CUsbBus::Get().GetMatchingServices(kVendor, kProduct);
    NSPlatform::TUsbServiceId first = present->Next();
    owner.fOther = first;
    CUSBManager manager(owner, kVendor, kProduct, CUSBManager::kHasInterrupt, 1);
    manager.LowLevel_NewDevice(present->Next());
    ASSERT_EQ(owner.fAdded.size(), 1u);
    ASSERT_TRUE(manager.IsPortOpen(0));
    EXPECT_EQ(manager.GetPort(0).fHandle->fDeviceLocation, 0x01100000u);
    Dispatch(); // the postponed arrival finds the port taken
    EXPECT_EQ(owner.fAdded.size(), 1u);
    manager.ClosePort(0);
}

TEST_F(USBManagerTest, RebootRequestLeavesAndReturnsOnTheManualClock)
{
    CPlatformClock::SetManual(true);
    auto instrument = fBus->Attach(At(0x01100000));
    Start();
    fManager->UpdateDeviceDriverList();
    ASSERT_TRUE(fManager->IsPortOpen(0));
    auto wall = std::chrono::steady_clock::now();

    Send(NSWireFrames::Request(0x83));
    CPlatformClock::Advance(99 * 1000);
    Dispatch();
    EXPECT_TRUE(fOwner.fRemoved.empty());
    CPlatformClock::Advance(1000);
    Dispatch();
    ASSERT_EQ(fOwner.fRemoved.size(), 1u);
    EXPECT_FALSE(fManager->IsPortOpen(0));

    CPlatformClock::Advance(1499 * 1000);
    Dispatch();
    EXPECT_EQ(fOwner.fAdded.size(), 1u);
    CPlatformClock::Advance(1000);
    Dispatch();
    ASSERT_EQ(fOwner.fAdded.size(), 2u);
    ASSERT_TRUE(fManager->IsPortOpen(0));

    // Back in its updater mode; the timed read needs no real time either.
    Send(NSWireFrames::Request(0x80));
    uint8_t buffer[128];
    ASSERT_EQ(fManager->RxData(0, buffer, sizeof buffer, 1000), 66u);
    EXPECT_EQ(buffer[3], 1);
    EXPECT_THROW(fManager->RxData(0, buffer, sizeof buffer, 5000), XUSBError);
    EXPECT_LT(std::chrono::steady_clock::now() - wall, std::chrono::seconds(2));
    EXPECT_EQ(instrument->GetStatistics().mReboots, 1u);
}
