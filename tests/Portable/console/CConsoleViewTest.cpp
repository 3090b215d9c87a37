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
