// The console view in-process under the manual clock: how long it waits for an
// instrument before giving up, and what of the instrument's texts reaches the terminal.
#include "Portable/update/UpdateTestBench.h"

#include "Portable/Console/CConsoleView.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace UpdateTest;

namespace
{

void AdvanceMS(int64_t ms)
{
    NSPlatform::CPlatformClock::Advance(ms * 1000);
}

} // namespace

class ConsoleView : public CUpdateBench
{
protected:
    void SetUp() override
    {
        CUpdateBench::SetUp();
        fOut = std::tmpfile();
        fIn = ::open("/dev/null", O_RDONLY);
        ASSERT_NE(fOut, nullptr);
        ASSERT_GE(fIn, 0);
    }

    void TearDown() override
    {
        fView.reset();
        CUpdateBench::TearDown();
        std::fclose(fOut);
        ::close(fIn);
    }

    // A view over a handler that finds no instrument.
    void ShowView(int waitSeconds)
    {
        Start(MakeImage(3000));
        SConsoleOptions options;
        options.mWaitSeconds = waitSeconds;
        fView = std::make_unique<CConsoleView>(fHandler.get(), options, fOut, fIn, false, false);
        fView->Show();
    }

    // A view that presses Update itself, over a handler with an instrument in its
    // updater mode.
    void ShowUpdatingView()
    {
        Attach(NSPlatform::SVirtualInstrumentConfig{.mUpdaterMode = true});
        Start(MakeImage(20000));
        SConsoleOptions options;
        options.mAssumeYes = true;
        fView = std::make_unique<CConsoleView>(fHandler.get(), options, fOut, fIn, false, false);
        fView->Show();
    }

    std::string Printed()
    {
        std::fflush(fOut);
        std::rewind(fOut);
        std::string printed;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, fOut))
            printed += buffer;
        return printed;
    }

    std::FILE* fOut = nullptr;
    int fIn = -1;
    std::unique_ptr<CConsoleView> fView;
};

TEST_F(ConsoleView, GivesUpOnlyWhenTheWaitHasPassed)
{
    ShowView(5);
    AdvanceMS(4900);
    fView->IdleAll();
    EXPECT_FALSE(fView->HasEnded());
    AdvanceMS(100);
    fView->IdleAll();
    EXPECT_TRUE(fView->HasEnded());
    EXPECT_EQ(fView->GetExitCode(), CConsoleView::kExitNoInstrument);
}

TEST_F(ConsoleView, NoWaitIsJudgedBeforeTheBusHasBeenLookedAt)
{
    // As the application does it: the view is shown before the handler looks at the
    // bus. The wait timer (on its own thread) and idle passes may reach the view in
    // between; with --wait 0 the wait has run out by then, and the instrument already
    // attached must count as found all the same.
    Attach(NSPlatform::SVirtualInstrumentConfig{.mUpdaterMode = true, .mHasOS = false});
    fImage = MakeImage(20000);
    NSWayfarer::CMemoryMedia os(static_cast<NSWayfarer::TMediaPos>(fImage.size()), fImage.data());
    uint8_t bootBytes[4] = {1, 2, 3, 4};
    NSWayfarer::CMemoryMedia boot(4, bootBytes);
    SConsoleOptions options;
    options.mWaitSeconds = 0;
    options.mAssumeYes = true;
    fHandler = std::make_unique<CUSBHandler>(&boot, &os,
                                             [&](CUSBHandler& handler)
                                             {
                                                 fView = std::make_unique<CConsoleView>(
                                                     &handler, options, fOut, fIn, false, false);
                                                 fView->Show();
                                                 AdvanceMS(10);
                                                 fView->SetupState();
                                                 fView->IdleAll();
                                                 EXPECT_FALSE(fView->HasEnded()) << Printed();
                                             });
    fView->SetupState();
    fView->IdleAll();
    EXPECT_FALSE(fView->HasEnded()) << Printed();
    ASSERT_TRUE(RunUntil([this] { return fView->HasEnded(); }));
    EXPECT_EQ(fView->GetExitCode(), CConsoleView::kExitUpdated) << Printed();
    EXPECT_EQ(Printed().find("found."), std::string::npos) << Printed();
}

TEST_F(ConsoleView, LongWaitsAndTheClockWrapDoNotEndItEarly)
{
    // Waits beyond 24.8 days do not fit in signed 32-bit milliseconds.
    ShowView(3000000);
    AdvanceMS(10000);
    fView->IdleAll();
    EXPECT_FALSE(fView->HasEnded());
    fView.reset();
    fHandler.reset();

    // Started just before the millisecond clock wraps.
    const uint32_t now = static_cast<uint32_t>(NSWayfarer::CTimer::GetSystemMS());
    AdvanceMS(static_cast<uint32_t>(INT32_MAX - 1000) - now);
    ShowView(3);
    AdvanceMS(2000);
    fView->IdleAll();
    EXPECT_FALSE(fView->HasEnded());
    AdvanceMS(1000);
    fView->IdleAll();
    EXPECT_TRUE(fView->HasEnded());
    EXPECT_EQ(fView->GetExitCode(), CConsoleView::kExitNoInstrument);
}

TEST_F(ConsoleView, ControlCharactersFromTheInstrumentAreNotPassedToTheTerminal)
{
    ShowView(-1);
    std::vector<uint8_t> status(52, 0);
    status[0] = 0x81;
    const char text[] = "\x1b]0;owned\x07\x1b[2J\rLoad\x7f";
    std::memcpy(&status[2], text, sizeof text - 1);
    fHandler->USBmessage(status.data(), int(status.size()));

    std::rewind(fOut);
    std::string printed;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, fOut))
        printed += buffer;
    EXPECT_NE(printed.find("?]0;owned??[2J?Load?\n"), std::string::npos) << printed;
    for (char c : printed)
        EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
}

TEST_F(ConsoleView, InstrumentBackAfterTheTransferIsASuccess)
{
    ShowUpdatingView();
    ASSERT_TRUE(RunUntilState(kURSWorking));
    // It restarts before its "Loading" message could be read; its removal is ignored
    // in this state, and its return shows "Done!".
    fInstrument->Unplug();
    Pass();
    ASSERT_FALSE(fView->HasEnded());
    fInstrument->Plug();
    Pass();
    ASSERT_STREQ(fHandler->GetStatus(), "Done!");
    EXPECT_TRUE(fView->HasEnded());
    EXPECT_EQ(fView->GetExitCode(), CConsoleView::kExitUpdated);
}

TEST_F(ConsoleView, QuitRefusedBecauseTheTransferStartedIsNotLost)
{
    ShowUpdatingView();
    // Ctrl-C decided the end while the instrument was being identified...
    fView->Interrupt();
    fView->HandleInterrupts();
    ASSERT_TRUE(fView->HasEnded());
    ASSERT_EQ(fView->GetExitCode(), CConsoleView::kExitInterrupted);
    // ...but in the same pass its answer started the transfer (after a reboot the
    // version answer does so by itself): the quit is refused.
    ASSERT_TRUE(RunUntilState(kURSUpdate));
    fHandler->UpdatePressed();
    ASSERT_EQ(GetUpdaterRunState(), kURSSending);
    EXPECT_FALSE(fView->TryClosingAllWindows());
    // The view follows the update again and ends with its outcome.
    EXPECT_FALSE(fView->HasEnded());
    ASSERT_TRUE(RunUntilState(kURSFinish));
    EXPECT_TRUE(fView->HasEnded());
    EXPECT_EQ(fView->GetExitCode(), CConsoleView::kExitUpdated);
    EXPECT_TRUE(fView->TryClosingAllWindows());
    EXPECT_NE(Printed().find(
                  "Quitting now could leave the instrument without an OS; the update goes on."),
              std::string::npos);
}

class ConsoleIdentifyView : public ConsoleView
{
protected:
    void ShowIdentifyingView(const NSPlatform::SVirtualInstrumentConfig& config, int waitSeconds)
    {
        Attach(config);
        Start(MakeImage(3000));
        SConsoleOptions options;
        options.mIdentify = true;
        options.mWaitSeconds = waitSeconds;
        fView = std::make_unique<CConsoleView>(fHandler.get(), options, fOut, fIn, false, false);
        fView->Show();
    }

    // Idle passes as the application runs them, the view's included.
    bool RunViewUntilEnded(uint32_t ms)
    {
        return RunUntilManualMS(
            [this]
            {
                fView->IdleAll();
                return fView->HasEnded();
            },
            ms);
    }
};

TEST_F(ConsoleIdentifyView, InstrumentHeldThroughEveryOpenAttemptIsAFailure)
{
    // Without --wait: the open's retries (19 s on the manual clock) decide.
    ShowIdentifyingView(NSPlatform::SVirtualInstrumentConfig{.mBusyAttempts = -1}, -1);
    ASSERT_TRUE(RunViewUntilEnded(1000));
    EXPECT_EQ(fView->GetExitCode(), CConsoleView::kExitFailed);
    EXPECT_EQ(fInstrument->GetStatistics().mFrames, 0u);
}

TEST_F(ConsoleIdentifyView, InstrumentThatDoesNotAnswerIsAFailure)
{
    ShowIdentifyingView(NSPlatform::SVirtualInstrumentConfig{.mStopAnsweringAt = 0}, 1);
    ASSERT_TRUE(RunUntilState(kURSConnected));
    // Found (so the wait is over) but silent: given up a few seconds after asking.
    ASSERT_FALSE(RunViewUntilEnded(4500));
    ASSERT_TRUE(RunViewUntilEnded(1000));
    EXPECT_EQ(fView->GetExitCode(), CConsoleView::kExitFailed);
    EXPECT_NE(Printed().find("The instrument did not answer.\n"), std::string::npos) << Printed();
    EXPECT_EQ(fInstrument->GetStatistics().mFrames, 2u);
}

TEST_F(ConsoleIdentifyView, TestModeInstrumentIsReportedAsSuch)
{
    ShowIdentifyingView(
        NSPlatform::SVirtualInstrumentConfig{.mTestMode = true, .mOSVersion = 131, .mOSBuild = 9},
        -1);
    ASSERT_TRUE(RunViewUntilEnded(5000));
    EXPECT_EQ(fView->GetExitCode(), CConsoleView::kExitIdentified);
    const std::string printed = Printed();
    EXPECT_NE(printed.find("Mode: test mode\nOS: OS version 1.31, build 9\n"), std::string::npos)
        << printed;
    // Asked, not updated: the question never comes.
    EXPECT_EQ(printed.find("[y/N]"), std::string::npos);
    EXPECT_EQ(fInstrument->GetStatistics().mFrames, 2u);
}
