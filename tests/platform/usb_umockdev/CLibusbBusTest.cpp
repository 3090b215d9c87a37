#include "platform/usb/CLibusbBus.h"
#include "Portable/USBExceptions.h"
#include "Portable/USBManager/CMacUsbHandle.h"
#include "Portable/USBManager/CUSBManager.h"
#include "platform/CMainEventQueue.h"
#include "platform/CPlatformClock.h"
#include "platform/usb/CUsbIterator.h"
#include "tests/Portable/USBManager/CRecordingOwner.h"
#include "tests/Portable/USBManager/CRecordingReceiver.h"
#include "tests/platform/usb/WireFrames.h"
#include "tests/platform/usb_umockdev/CUsbfsEmulator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

using namespace NSPlatform;
using Clock = std::chrono::steady_clock;

namespace
{

bool RunUntil(const std::function<bool()>& condition, int seconds = 5)
{
    auto deadline = Clock::now() + std::chrono::seconds(seconds);
    while (!condition() && Clock::now() < deadline)
        CMainEventQueue::Main().WaitAndDispatch(10);
    return condition();
}

double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

class LibusbBusTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/kelt-test", 1);
        CMainEventQueue::Main().Clear();
        fEmulator = std::make_unique<CUsbfsEmulator>();
    }
    void TearDown() override
    {
        fManager.reset();
        CUsbBus::Install(nullptr);
        fBus.reset();
        fEmulator.reset();
        CMainEventQueue::Main().Clear();
        CPlatformClock::SetManual(false);
    }
    void StartBus()
    {
        fBus = CLibusbBus::Create();
        CUsbBus::Install(fBus);
        ASSERT_TRUE(fBus->IsUsable());
    }
    void StartManager()
    {
        fManager = std::make_unique<CUSBManager>(fOwner, KELT_VENDOR_ID, KELT_PRODUCT_ID,
                                                 CUSBManager::kHasInterrupt, 1);
        fManager->UpdateDeviceDriverList();
    }
    void Send(uint8_t request)
    {
        auto frame = NSWireFrames::Request(request);
        fManager->TxData(0, frame.data(), uint32_t(frame.size()));
    }

    std::unique_ptr<CUsbfsEmulator> fEmulator;
    std::shared_ptr<CLibusbBus> fBus;
    CRecordingOwner fOwner;
    std::unique_ptr<CUSBManager> fManager;
};

} // namespace

TEST_F(LibusbBusTest, EnumeratesAndOpensTheAttachedInstrument)
{
    ASSERT_NE(fEmulator->Plug(SVirtualInstrumentConfig(), 3), nullptr);
    StartBus();
    auto present = fBus->GetMatchingServices(KELT_VENDOR_ID, KELT_PRODUCT_ID);
    TUsbServiceId service = present->Next();
    ASSERT_NE(service, 0u);
    EXPECT_EQ(present->Next(), 0u);
    EXPECT_EQ(fBus->GetMatchingServices(KELT_VENDOR_ID, KELT_PRODUCT_ID + 1)->Next(), 0u);
    uint32_t location = 0;
    ASSERT_EQ(fBus->GetLocationId(service, location), kUsbSuccess);
    EXPECT_EQ(location, 0x01300000u); // bus 1, port 3

    StartManager();
    EXPECT_EQ(fOwner.fAdded.size(), 1u);
    ASSERT_TRUE(fManager->IsPortOpen(0));
    const CMacUsbHandle* handle = fManager->GetPort(0).fHandle;
    EXPECT_EQ(handle->fInterruptPID, 1);
    EXPECT_EQ(handle->fBulkInPID, 2);
    EXPECT_EQ(handle->fBulkOutPID, 3);
    EXPECT_EQ(handle->fDeviceLocation, 0x01300000u);
}

TEST_F(LibusbBusTest, HotplugArrivalAndRemovalReachTheMainThread)
{
    StartBus();
    if (!fBus->HasHotplug())
        GTEST_SKIP() << "libusb without hotplug";
    StartManager();
    EXPECT_TRUE(fOwner.fAdded.empty());
    ASSERT_NE(fEmulator->Plug(SVirtualInstrumentConfig()), nullptr);
    ASSERT_TRUE(RunUntil([&] { return fOwner.fAdded.size() == 1; }));
    EXPECT_TRUE(fManager->IsPortOpen(0));
    fEmulator->Unplug();
    ASSERT_TRUE(RunUntil([&] { return fOwner.fRemoved.size() == 1; }));
    EXPECT_FALSE(fManager->IsPortOpen(0));
}

TEST_F(LibusbBusTest, BulkTransfersKeepMessagesWholeAndReadsNeverStall)
{
    fEmulator->Plug(SVirtualInstrumentConfig());
    StartBus();
    StartManager();
    ASSERT_TRUE(fManager->IsPortOpen(0));
    uint8_t buffer[4096];
    // An empty read that waited for data would be slow every time; one that answers
    // at once can still be delayed now and then by a busy machine.
    auto fastestEmptyRead = [&] {
        auto best = std::chrono::steady_clock::duration::max();
        for (int attempt = 0; attempt < 5; ++attempt)
        {
            auto start = Clock::now();
            EXPECT_EQ(fManager->RxData(0, buffer, sizeof buffer), 0u);
            best = std::min(best, Clock::now() - start);
        }
        return best;
    };

    EXPECT_LT(fastestEmptyRead(), std::chrono::milliseconds(5));

    // Both answers arrive while nobody reads; each read returns one of them, whole.
    Send(0x81);
    Send(0x80);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(fManager->RxData(0, buffer, sizeof buffer, 1000), 52u);
    EXPECT_EQ(buffer[0], 0x81);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer + 2), "Ready");
    ASSERT_EQ(fManager->RxData(0, buffer, sizeof buffer, 1000), 66u);
    EXPECT_EQ(buffer[0], 0x80);
    EXPECT_EQ(buffer[1], 11);
    uint16_t crc = CVirtualInstrument::Crc16(buffer, 64);
    EXPECT_EQ(buffer[64], crc >> 8);
    EXPECT_EQ(buffer[65], crc & 0xFF);

    EXPECT_LT(fastestEmptyRead(), std::chrono::milliseconds(5));

    // The timed read waits for a completion, without spinning. A loaded machine may
    // oversleep one attempt, so the best of three must end within 10 %; none may
    // end early.
    auto best = std::chrono::steady_clock::duration::max();
    double cpu = CpuSeconds();
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        auto start = Clock::now();
        EXPECT_THROW(fManager->RxData(0, buffer, sizeof buffer, 400), XUSBError);
        auto waited = Clock::now() - start;
        // The time-out counts whole milliseconds of the system clock, so it may
        // end up to one millisecond before 400 ms of real time.
        EXPECT_GE(waited, std::chrono::milliseconds(399));
        best = std::min(best, waited);
    }
    EXPECT_LE(best, std::chrono::milliseconds(440));
    // The emulator answers the event thread's polling every 2 ms: small, not none.
    EXPECT_LT((CpuSeconds() - cpu) / 3, 0.2);
}

TEST_F(LibusbBusTest, InterruptCompletionsRunOnThePortWorker)
{
    CRecordingReceiver receiver;
    fOwner.fReceiver = &receiver;
    SVirtualInstrumentConfig config;
    config.mInterruptFailure = true; // one packet, then the endpoint halts
    fEmulator->Plug(config);
    StartBus();
    StartManager();
    ASSERT_TRUE(fManager->IsPortOpen(0));
    ASSERT_TRUE(RunUntil([&] { return receiver.fCalls.load() == 1; }));
    EXPECT_EQ(receiver.fFirstByte.load(), 1);
    EXPECT_TRUE(receiver.fOnWorker.load());
    // The halted pipe's completion carries an error: it is not re-armed.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(receiver.fCalls.load(), 1);
    EXPECT_TRUE(fManager->IsPortOpen(0));
}

TEST_F(LibusbBusTest, UnplugDuringPendingTransfersEndsThemAndTheWritesStillReturn)
{
    fEmulator->Plug(SVirtualInstrumentConfig());
    StartBus();
    StartManager();
    ASSERT_TRUE(fManager->IsPortOpen(0));
    uint8_t buffer[4096];
    EXPECT_EQ(fManager->RxData(0, buffer, sizeof buffer), 0u); // the read stream is pending

    std::atomic<bool> threw{false};
    std::thread reader(
        [&]
        {
            // Waits in the timed read while the instrument goes away.
            try
            {
                uint8_t local[4096];
                fManager->RxData(0, local, sizeof local, 3000);
            }
            catch (const XUSBError&)
            {
                threw = true;
            }
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    fEmulator->Unplug();
    reader.join();
    EXPECT_TRUE(threw.load());
    EXPECT_NO_THROW(Send(0x81)); // a vanished device counts as written
    if (fBus->HasHotplug())
    {
        ASSERT_TRUE(RunUntil([&] { return fOwner.fRemoved.size() == 1; }));
        EXPECT_FALSE(fManager->IsPortOpen(0));
    }
}

TEST_F(LibusbBusTest, InterfaceHeldByAnotherProcessIsExclusiveAccess)
{
    CPlatformClock::SetManual(true);
    fEmulator->SetClaimBusy(true);
    fEmulator->Plug(SVirtualInstrumentConfig());
    StartBus();
    int64_t before = CPlatformClock::NowUS();
    StartManager();
    EXPECT_EQ(fOwner.fOpenFailures, 1);
    EXPECT_EQ(fOwner.fNoPermission, 0);
    // Nineteen one-second pauses, plus what letting other programs run took.
    EXPECT_GE(CPlatformClock::NowUS() - before, 19 * 1000000LL);
    EXPECT_LE(CPlatformClock::NowUS() - before, 21 * 1000000LL);
    EXPECT_FALSE(fManager->IsPortOpen(0));
}

int main(int argc, char** argv)
{
    if (!CUsbfsEmulator::EnsurePreloaded(argv))
        return 1;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
