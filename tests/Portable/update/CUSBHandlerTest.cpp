// The update engine against the virtual instrument: whole updates, transfer
// layout, and the faults an instrument, a cable or an image can throw at it.
#include "UpdateTestBench.h"

#include "Portable/update/USBProtocol.h"
#include "Portable/update/USBSender.h"
#include "platform/usb/CUsbIterator.h"

#include <cstring>
#include <ctime>

using namespace UpdateTest;
using NSPlatform::SVirtualInstrumentConfig;

namespace
{

SVirtualInstrumentConfig Mode(const char* mode)
{
    SVirtualInstrumentConfig config;
    EXPECT_TRUE(SVirtualInstrumentConfig::ParseSimulateMode(mode, config));
    return config;
}

uint32_t DataMessages(size_t imageSize)
{
    return static_cast<uint32_t>((imageSize + 16383) / 16384);
}

} // namespace

class HandlerUpdate : public CUpdateBench
{
};

TEST_F(HandlerUpdate, StartsIdleAndDescribesTheImage)
{
    Start(MakeImage(5000, 123, 7));
    EXPECT_STREQ(fHandler->GetProduct(), "Kelt Podium LX");
    EXPECT_STREQ(fHandler->GetVersion(), "OS version 1.23, build 7");
    EXPECT_STREQ(fHandler->GetStatus(), "No Kelt Podium LX Connected");
    EXPECT_EQ(GetUpdaterRunState(), kURSUnknown);
    fHandler.reset();

    Start(MakeImage(5000, 120, 7));
    EXPECT_STREQ(fHandler->GetVersion(), "OS version 1.20");
}

TEST_F(HandlerUpdate, FromRunningOSThroughRebootToFinish)
{
    Attach(Mode("normal"));
    Start(MakeImage(40000));
    // Already attached: found while the handler was being made.
    EXPECT_STREQ(fHandler->GetStatus(), "Found Kelt Podium LX");
    EXPECT_EQ(GetUpdaterRunState(), kURSConnected);
    ASSERT_TRUE(RunUntilState(kURSOS));
    EXPECT_STREQ(fHandler->GetStatus(), "Kelt Podium LX, OS version 1.10 ");

    fHandler->UpdatePressed();
    EXPECT_EQ(GetUpdaterRunState(), kURSReboot);
    EXPECT_STREQ(fHandler->GetStatus(), "Send reboot request, waiting for reconnect...");
    ASSERT_TRUE(RunUntilState(kURSFinish));

    // On its return the instrument is briefly shown as connected (with "Found ...")
    // before it counts as rebooted.
    const std::vector<EUpdaterRunState> expected = {kURSUnknown, kURSConnected, kURSOS,
                                                    kURSReboot,  kURSConnected, kURSRebooted,
                                                    kURSSending, kURSWorking,   kURSFinish};
    std::vector<EUpdaterRunState> seen;
    for (auto s : fRecorder.fStates)
        if (seen.empty() || seen.back() != s)
            seen.push_back(s);
    EXPECT_EQ(seen, expected);

    EXPECT_EQ(fInstrument->GetReceivedImage(), fImage);
    const auto stats = fInstrument->GetStatistics();
    EXPECT_EQ(stats.mCrcErrors, 0u);
    EXPECT_EQ(stats.mOtherErrors, 0u);
    EXPECT_EQ(stats.mInstalls, 1u);
    EXPECT_EQ(Count(kOSMsgBegin), 1u);
    EXPECT_EQ(Count(kOSMsgData), DataMessages(fImage.size()));
    EXPECT_EQ(Count(kOSMsgEnd), 1u);
    EXPECT_EQ(Count(kOSMsgSave), 1u);
    EXPECT_EQ(fInstrument->GetOSVersion(), 120);
}

TEST_F(HandlerUpdate, FromUpdaterModeWithoutReboot)
{
    Attach(Mode("updater"));
    Start(MakeImage(20000));
    ASSERT_TRUE(RunUntilState(kURSUpdate));
    fHandler->UpdatePressed();
    EXPECT_EQ(GetUpdaterRunState(), kURSSending);
    // The begin message goes out at once, the rest one per idle pass.
    EXPECT_EQ(Count(kOSMsgBegin), 1u);
    EXPECT_EQ(Count(kOSMsgData), 0u);
    Pass();
    EXPECT_EQ(Count(kOSMsgData), 1u);
    ASSERT_TRUE(RunUntilState(kURSFinish));
    for (auto s : fRecorder.fStates)
    {
        EXPECT_NE(s, kURSReboot);
        EXPECT_NE(s, kURSOS);
    }
    EXPECT_EQ(fInstrument->GetReceivedImage(), fImage);
    EXPECT_EQ(fInstrument->GetStatistics().mInstalls, 1u);
}

TEST_F(HandlerUpdate, ImageOfOneFullDataMessage)
{
    Attach(Mode("updater"));
    Start(MakeImageOfSize(16384));
    ASSERT_TRUE(RunUntilState(kURSUpdate));
    fHandler->UpdatePressed();
    ASSERT_TRUE(RunUntilState(kURSFinish));
    EXPECT_EQ(Count(kOSMsgData), 1u);
    EXPECT_EQ(LoadBig32(GetUSBSenderDataMessage() + kDataCountOffs), 16384u);
    EXPECT_EQ(fInstrument->GetReceivedImage(), fImage);
}

TEST_F(HandlerUpdate, ImageOneByteOverKeepsTheStaleTail)
{
    Attach(Mode("updater"));
    Start(MakeImageOfSize(16385));
    ASSERT_TRUE(RunUntilState(kURSUpdate));
    fHandler->UpdatePressed();
    ASSERT_TRUE(RunUntilState(kURSFinish));
    EXPECT_EQ(Count(kOSMsgData), 2u);
    const uint8_t* msg = GetUSBSenderDataMessage();
    EXPECT_EQ(LoadBig32(msg + kDataCountOffs), 1u);
    EXPECT_EQ(msg[kDataBufOffs], fImage[16384]);
    // Past mCount the buffer still holds the first message's bytes.
    EXPECT_EQ(0, std::memcmp(msg + kDataBufOffs + 1, fImage.data() + 1, 16383));
    EXPECT_EQ(fInstrument->GetReceivedImage(), fImage);
}

TEST_F(HandlerUpdate, TestModeWithAnOddVersionNamesTheModeAndBuild)
{
    SVirtualInstrumentConfig config = Mode("normal");
    config.mTestMode = true;
    config.mOSVersion = 111;
    config.mOSBuild = 3;
    Attach(config);
    Start(MakeImage(5000));
    ASSERT_TRUE(RunUntilState(kURSOS));
    EXPECT_STREQ(fHandler->GetStatus(), "Kelt Podium LX, test version 1.11 build 3 ");
}

TEST_F(HandlerUpdate, OnePassReadsUpToSixteenWaitingMessages)
{
    Attach(Mode("updater"));
    Start(MakeImage(5000));
    ASSERT_TRUE(RunUntilState(kURSUpdate));
    for (int i = 0; i < 20; ++i)
        CUSBHandler::SendReq(kUSBReqStatus);
    SetUpdaterRunState(kURSConnected); // a state that reads
    fHandler->Idle();
    int left = 0;
    std::vector<uint8_t> message;
    while (fInstrument->TakeBulkIn(message))
        ++left;
    EXPECT_EQ(left, 4);
}

TEST_F(HandlerUpdate, UpdateBeforeIdentificationDoesNothing)
{
    Attach(Mode("updater"));
    Start(MakeImage(5000));
    ASSERT_EQ(GetUpdaterRunState(), kURSConnected);
    fHandler->UpdatePressed();
    EXPECT_EQ(GetUpdaterRunState(), kURSConnected);
    EXPECT_EQ(Count(kOSMsgBegin), 0u);
}

class HandlerFaults : public CUpdateBench
{
};

TEST_F(HandlerFaults, RemovedAtEveryMessageOfTheTransfer)
{
    // Requests take frames 0 and 1; the transfer of a two-data-message image is
    // frames 2 (begin) to 6 (save).
    for (int at = 2; at <= 6; ++at)
    {
        SCOPED_TRACE(at);
        TearDown();
        SetUp();
        SVirtualInstrumentConfig config = Mode("updater");
        config.mRemoveAtMessage = at;
        Attach(config);
        Start(MakeImage(20000));
        ASSERT_TRUE(RunUntilState(kURSUpdate));
        fHandler->UpdatePressed();
        RunUntil(
            []
            { return GetUpdaterRunState() == kURSUnknown || GetUpdaterRunState() == kURSFinish; },
            400);
        const auto stats = fInstrument->GetStatistics();
        EXPECT_EQ(stats.mInstalls, 0u);
        if (at < 6)
        {
            // Lost while sending: the window is told and nothing more is sent.
            EXPECT_EQ(GetUpdaterRunState(), kURSUnknown);
            EXPECT_STREQ(fHandler->GetStatus(), "No Kelt Podium LX Connected");
        }
        EXPECT_FALSE(CUSBManager::gManager->IsPortOpen(0));
    }
}

TEST_F(HandlerFaults, FailedRequestRightAfterOpeningLosesTheInstrumentCleanly)
{
    for (int at : {0, 1}) // the status request, the version request
    {
        SCOPED_TRACE(at);
        TearDown();
        SetUp();
        SVirtualInstrumentConfig config = Mode("normal");
        config.mWriteFailAtMessage = at;
        Attach(config);
        Start(MakeImage(5000));
        EXPECT_EQ(GetUpdaterRunState(), kURSUnknown);
        EXPECT_FALSE(CUSBManager::gManager->IsPortOpen(0));
        EXPECT_STREQ(fHandler->GetStatus(), "No Kelt Podium LX Connected");
    }
}

TEST_F(HandlerFaults, NoReturnAfterRebootFailsAfterTheDeadline)
{
    Attach(Mode("no-return"));
    Start(MakeImage(5000));
    ASSERT_TRUE(RunUntilState(kURSOS));
    fHandler->UpdatePressed();
    const NSWayfarer::TMilliSecond requested = NSWayfarer::CTimer::GetSystemMS();
    ASSERT_TRUE(RunUntilManualMS([] { return GetUpdaterRunState() != kURSReboot; }, 30000));
    const NSWayfarer::TMilliSecond failedAt = NSWayfarer::CTimer::GetSystemMS();
    EXPECT_EQ(GetUpdaterRunState(), kURSUnknown);
    EXPECT_STREQ(fHandler->GetStatus(), "Reboot failed.");
    EXPECT_GE(failedAt - requested, 20000);
    EXPECT_LE(failedAt - requested, 20100);
}

TEST_F(HandlerFaults, RebootDeadlineIgnoredWhilePortOpen)
{
    Attach(Mode("normal"));
    Start(MakeImage(5000));
    ASSERT_TRUE(RunUntilState(kURSOS));
    SetUpdaterRunState(kURSReboot);
    SetRebootDeadline(NSWayfarer::CTimer::GetSystemMS() - 1);
    for (int i = 0; i < 10; ++i)
        Pass();
    EXPECT_EQ(GetUpdaterRunState(), kURSReboot);
    EXPECT_STRNE(fHandler->GetStatus(), "Reboot failed.");
}

TEST_F(HandlerFaults, BusyInstrumentLeavesTheStateAlone)
{
    Attach(Mode("busy"));
    Start(MakeImage(5000));
    RunUntil([] { return false; }, 20);
    EXPECT_STREQ(fHandler->GetStatus(), "Error: Synth already connected to another application.");
    EXPECT_EQ(GetUpdaterRunState(), kURSUnknown);
    EXPECT_FALSE(CUSBManager::gManager->IsPortOpen(0));
}

TEST_F(HandlerFaults, PermissionDeniedSaysHowToFixIt)
{
    SVirtualInstrumentConfig config = Mode("normal");
    config.mPermissionDenied = true;
    Attach(config);
    Start(MakeImage(5000));
    RunUntil([] { return false; }, 5);
    EXPECT_STREQ(fHandler->GetStatus(),
                 "Error: No permission to open the synth. Install the udev rule (see README).");
    EXPECT_EQ(GetUpdaterRunState(), kURSUnknown);
}

TEST_F(HandlerFaults, DamagedImageIsRefusedBeforeTheInstrumentIsTouched)
{
    std::vector<uint8_t> badChecksum = MakeImage(20000);
    badChecksum[700] ^= 0x55; // the header checksum no longer matches
    std::vector<uint8_t> wrongKind = MakeImage(3000);
    wrongKind[2] = 2; // not an installable kind
    for (const std::vector<uint8_t>& image :
         {badChecksum, wrongKind, std::vector<uint8_t>(10, 0), std::vector<uint8_t>()})
    {
        SCOPED_TRACE(image.size());
        TearDown();
        SetUp();
        // A running instrument: without the check at start-up it would be rebooted into
        // its updater mode before the sender found the image damaged.
        Attach(Mode("normal"));
        Start(image);
        EXPECT_FALSE(fHandler->IsImageInstallable());
        EXPECT_STREQ(fHandler->GetStatus(),
                     "Error: The OS image in this program is damaged; it cannot be installed.");
        for (int i = 0; i < 40; ++i)
            Pass();
        fHandler->UpdatePressed();
        Pass();
        EXPECT_EQ(GetUpdaterRunState(), kURSUnknown);
        EXPECT_EQ(fBus->GetTransportStatistics().mOpenAttempts, 0u);
        EXPECT_EQ(fInstrument->GetStatistics().mFrames, 0u);
        EXPECT_EQ(fInstrument->GetStatistics().mReboots, 0u);
    }
}

TEST_F(HandlerFaults, ImageThatFailsItsCheckWhileSendingSendsNothing)
{
    Attach(Mode("updater"));
    Start(MakeImage(20000));
    ASSERT_TRUE(fHandler->IsImageInstallable());
    ASSERT_TRUE(RunUntilState(kURSUpdate));
    // The same check runs again when the transfer starts.
    std::vector<uint8_t> damaged = fImage;
    damaged[2] = 2;
    fHandler->SendOS(damaged.data(), static_cast<uint32_t>(damaged.size()));
    EXPECT_EQ(GetUpdaterRunState(), kURSWorking);
    EXPECT_TRUE(fRecorder.SawStatus("Error while sending OS file"));
    for (int i = 0; i < 5; ++i)
        Pass();
    EXPECT_EQ(Count(kOSMsgBegin), 0u);
    EXPECT_EQ(Count(kOSMsgData), 0u);
    EXPECT_EQ(Count(kOSMsgSave), 0u);
}

TEST_F(HandlerFaults, ReadFailureClosesThePort)
{
    Attach(Mode("normal"));
    Start(MakeImage(5000));
    ASSERT_EQ(GetUpdaterRunState(), kURSConnected);
    // Gone from the cable before its removal is reported: the next read fails.
    fInstrument->Unplug();
    fHandler->Idle();
    EXPECT_EQ(GetUpdaterRunState(), kURSUnknown);
    EXPECT_FALSE(CUSBManager::gManager->IsPortOpen(0));
    EXPECT_STREQ(fHandler->GetStatus(), "No Kelt Podium LX Connected");
    // The removal that follows finds the port already closed.
    Pass();
    EXPECT_EQ(GetUpdaterRunState(), kURSUnknown);
}

TEST_F(HandlerFaults, InstrumentGoneUnderAReadAfterTheSaveIsItsRestart)
{
    Attach(Mode("updater"));
    Start(MakeImage(20000));
    ASSERT_TRUE(RunUntilState(kURSUpdate));
    fHandler->UpdatePressed();
    ASSERT_TRUE(RunUntilState(kURSWorking));
    ASSERT_EQ(Count(kOSMsgSave), 1u);
    // It restarts before it says "Loading" and before its removal is reported: the
    // next read finds no device.
    fInstrument->Unplug();
    fHandler->Idle();
    EXPECT_EQ(GetUpdaterRunState(), kURSWorking);
    EXPECT_FALSE(CUSBManager::gManager->IsPortOpen(0));
    EXPECT_FALSE(fRecorder.SawStatus("No Kelt Podium LX Connected"));
    // Its removal, then its return, as after any restart in this state.
    Pass();
    fInstrument->Plug();
    Pass();
    EXPECT_STREQ(fHandler->GetStatus(), "Done!");
    EXPECT_EQ(GetUpdaterRunState(), kURSWorking);
}

TEST_F(HandlerFaults, GarbageAndTruncatedRepliesAreDropped)
{
    for (bool garbage : {true, false})
    {
        TearDown();
        SetUp();
        SVirtualInstrumentConfig config = Mode("normal");
        config.mGarbageReplies = garbage;
        config.mTruncatedReplies = !garbage;
        Attach(config);
        Start(MakeImage(5000));
        for (int i = 0; i < 20; ++i)
            Pass();
        EXPECT_EQ(GetUpdaterRunState(), kURSConnected);
        EXPECT_STREQ(fHandler->GetStatus(), "Found Kelt Podium LX");
    }
}

TEST_F(HandlerFaults, SleepAndWakeInTheMiddleOfATransfer)
{
    Attach(Mode("updater"));
    Start(MakeImage(100000));
    ASSERT_TRUE(RunUntilState(kURSUpdate));
    fHandler->UpdatePressed();
    Pass();
    Pass();
    ASSERT_EQ(GetUpdaterRunState(), kURSSending);
    const uint32_t sentBefore = Count(kOSMsgData);
    CUSBManager::gManager->Suspend();
    CUSBManager::gManager->Resume();
    // After wake the port is reported removed: the transfer stops and the port is
    // let go, so the instrument offered again is opened anew and ready for a new start.
    EXPECT_TRUE(fRecorder.SawStatus("No Kelt Podium LX Connected"));
    for (int i = 0; i < 10; ++i)
        Pass();
    EXPECT_EQ(GetUpdaterRunState(), kURSUpdate);
    EXPECT_TRUE(CUSBManager::gManager->IsPortOpen(0));
    EXPECT_EQ(Count(kOSMsgData), sentBefore);
    EXPECT_EQ(fInstrument->GetStatistics().mInstalls, 0u);
}

TEST_F(HandlerFaults, ArrivalDuringTheSettleIsNotSpunOn)
{
    // Real time: the settle after opening lets queued events run for a second. An
    // arrival reported meanwhile (here by a wake-up's look at the bus, which offers every
    // instrument present) is kept for later; handing it back to the queue would run it
    // again on every turn and keep a core busy.
    NSPlatform::CPlatformClock::SetManual(false);
    SVirtualInstrumentConfig second = Mode("updater");
    second.mLocation = 0x01200000;
    Attach(Mode("updater"));
    NSPlatform::CMainEventQueue::Main().Post(
        [this, second]
        {
            fBus->Attach(second);
            auto present = fBus->GetMatchingServices(KELT_VENDOR_ID, KELT_PRODUCT_ID);
            DeviceAddedCallback(nullptr, present.get());
        });
    timespec cpu0, wall0, cpu1, wall1;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
    clock_gettime(CLOCK_MONOTONIC, &wall0);
    Start(MakeImage(5000));
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
    clock_gettime(CLOCK_MONOTONIC, &wall1);
    auto seconds = [](const timespec& a, const timespec& b)
    { return double(b.tv_sec - a.tv_sec) + double(b.tv_nsec - a.tv_nsec) / 1e9; };
    ASSERT_EQ(GetUpdaterRunState(), kURSConnected);
    EXPECT_GE(seconds(wall0, wall1), 0.99);
    EXPECT_LT(seconds(cpu0, cpu1), 0.1 * seconds(wall0, wall1))
        << "the settle used " << seconds(cpu0, cpu1) << " s of processor time in "
        << seconds(wall0, wall1) << " s";
    // The first instrument keeps the one port.
    EXPECT_EQ(fBus->GetTransportStatistics().mOpenAttempts, 1u);
}

TEST_F(HandlerFaults, AttachWhileWorkingShowsDone)
{
    Start(MakeImage(5000));
    SetUpdaterRunState(kURSWorking);
    Attach(Mode("updater"));
    Pass();
    EXPECT_STREQ(fHandler->GetStatus(), "Done!");
    EXPECT_FALSE(CUSBManager::gManager->IsPortOpen(0));
    EXPECT_EQ(GetUpdaterRunState(), kURSWorking);
}

TEST_F(HandlerFaults, MillisecondClockWrapDuringSettleAndRebootWait)
{
    // The millisecond clock is signed 32 bits and wraps after about 24.8 days of uptime.
    // Put its wrap inside the settle after open, then inside the reboot deadline.
    auto advanceTo = [](int32_t ms)
    {
        const uint32_t now = static_cast<uint32_t>(NSWayfarer::CTimer::GetSystemMS());
        NSPlatform::CPlatformClock::Advance(int64_t(static_cast<uint32_t>(ms) - now) * 1000);
    };
    advanceTo(INT32_MAX - 400);
    Attach(Mode("no-return"));
    Start(MakeImage(5000));
    ASSERT_EQ(GetUpdaterRunState(), kURSConnected);
    ASSERT_TRUE(RunUntilState(kURSOS));

    advanceTo(INT32_MAX - 5000);
    fHandler->UpdatePressed();
    ASSERT_EQ(GetUpdaterRunState(), kURSReboot);
    const uint32_t requested = static_cast<uint32_t>(NSWayfarer::CTimer::GetSystemMS());
    ASSERT_TRUE(RunUntilManualMS([] { return GetUpdaterRunState() != kURSReboot; }, 30000));
    const uint32_t waited = static_cast<uint32_t>(NSWayfarer::CTimer::GetSystemMS()) - requested;
    EXPECT_STREQ(fHandler->GetStatus(), "Reboot failed.");
    EXPECT_GE(waited, 20000u);
    EXPECT_LE(waited, 20100u);
}
