// The updater in window mode on the test display: the application's own start-up,
// menus and main window over the virtual instrument, driven from its idle passes
// the way a user's clicks arrive, through the real event loop (Run).
#include "Portable/MainWindow/CMainWindow.h"
#include "Portable/BaseApp/CBaseApp.h"
#include "Portable/update/CUSBHandler.h"
#include "Portable/update/UpdaterRunState.h"
#include "framework/application/CApplicationStartupInfo.h"
#include "framework/application/CMenuBar.h"
#include "framework/application/Verify.h"
#include "framework/windows/CAlertBox.h"
#include "framework/windows/CGroupView.h"
#include "framework/windows/CProgressBarView.h"
#include "framework/windows/CPushButtonView.h"
#include "framework/windows/CStaticTextView.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeWindow.h"
#include "platform/resources/CResourceManager.h"
#include "platform/usb/CVirtualUsbBus.h"
#include "platform/usb/SVirtualInstrumentConfig.h"

#include "DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{

using namespace NSWayfarer;
using Clock = std::chrono::steady_clock;

std::string Text(const CStaticTextView* view)
{
    std::string text(CStaticTextView::kMaxLength + 1, '\0');
    view->GetString(text.data());
    return text.c_str();
}

std::string Title(const CPushButtonView* button)
{
    char title[256] = {};
    button->GetTitle(title);
    return title;
}

// The alert on the screen, once it is shown.
CAlertBox* OpenAlert()
{
    auto* alert = dynamic_cast<CAlertBox*>(CABCWindow::GetSelected());
    return alert && alert->IsShown() ? alert : nullptr;
}

// Everything the alert says (its static texts) and its button of that title.
std::string AlertText(CAlertBox* alert)
{
    std::string all;
    const auto& views = alert->GetRootView()->GetSubViews();
    for (unsigned long i = 0; i < views.CountItems(); ++i)
        if (auto* text = dynamic_cast<CStaticTextView*>(views.GetAtIndex(i)))
            all += Text(text) + "|";
    return all;
}

CPushButtonView* AlertButton(CAlertBox* alert, const std::string& title)
{
    const auto& views = alert->GetRootView()->GetSubViews();
    for (unsigned long i = 0; i < views.CountItems(); ++i)
        if (auto* button = dynamic_cast<CPushButtonView*>(views.GetAtIndex(i)))
            if (Title(button) == title)
                return button;
    return nullptr;
}

// The texts are white on the window's dark background, as the screen shows them: the
// corner is the background colour and the welcome text's item holds white pixels.
void ExpectWhiteTextOnDark(CMainWindow& window)
{
    NSPlatform::CNativeWindow* native = window.GetNative();
    NSPlatform::CDisplay::Sync();
    const NSPlatform::SDisplayRect client = native->GetClientRect();
    const int inset = native->GetTopInset();
    const int width = client.Width();
    const std::vector<uint8_t> pixels =
        NSTestSupport::ReadWindowPixels(native->GetXID(), width, client.Height() + inset);
    ASSERT_FALSE(pixels.empty());
    const uint32_t corner = NSTestSupport::PixelAt(pixels, width, 4, inset + 4);
    const CRGBColor background = CMainWindow::kBackgroundColor;
    EXPECT_NEAR(int(corner >> 16), background.GetRed() >> 8, 4);
    EXPECT_NEAR(int((corner >> 8) & 0xFF), background.GetGreen() >> 8, 4);
    EXPECT_NEAR(int(corner & 0xFF), background.GetBlue() >> 8, 4);
    const CLocalRect item = window.GetWelcomeText()->GetRect();
    int white = 0;
    for (int y = item.fTop; y < item.fBottom; ++y)
        for (int x = item.fLeft; x < item.fRight; ++x)
        {
            const uint32_t p = NSTestSupport::PixelAt(pixels, width, x, inset + y);
            white += (p >> 16) > 0xE0 && ((p >> 8) & 0xFF) > 0xE0 && (p & 0xFF) > 0xE0;
        }
    EXPECT_GT(white, 20) << "white text";
}

// The updater's application with a script of steps run from its idle passes: each
// step runs until it returns true, then the next; every pass ends with the setup
// phases, as a click's does. A step that waits too long ends the run.
class CScriptedApp : public CBaseApp
{
public:
    using TStep = std::function<bool()>;

    explicit CScriptedApp(CApplicationStartupInfo* info) : CBaseApp(info) {}

    void Add(const char* name, TStep step) { fSteps.push_back({name, std::move(step)}); }

    void Idle() override
    {
        CBaseApp::Idle();
        if (fNext < fSteps.size())
        {
            if (fStepStart == Clock::time_point())
                fStepStart = Clock::now();
            const size_t step = fNext;
            // A step may open an alert at once (a pressed button asks for the setup
            // phases): the alert's loop goes on with the next step.
            fNext = step + 1;
            if (fSteps[step].mRun())
                fStepStart = Clock::now();
            else if (fNext == step + 1)
                fNext = step;
            if (fNext == step && Clock::now() - fStepStart > std::chrono::seconds(45))
            {
                ADD_FAILURE() << "step \"" << fSteps[step].mName << "\" timed out in "
                              << GetUpdaterRunStateName(GetUpdaterRunState());
                fNext = fSteps.size();
                // An alert left open would keep the quit waiting.
                if (CAlertBox* alert = OpenAlert())
                    alert->TryClosing();
                RequestQuit();
            }
        }
        ForceSetup();
        if (CMainWindow* window = GetMainWindow(); window && IsRunningEventLoop())
            CheckAvailability(*window);
    }

    // The buttons as the last setup phase left them, against the run state.
    void CheckAvailability(CMainWindow& window)
    {
        const EUpdaterRunState state = GetUpdaterRunState();
        fStatesSeen.insert(state);
        const bool update = state == kURSOS || state == kURSUpdate;
        EXPECT_EQ(window.GetUpdateButton()->IsEnabledFlag(), update)
            << GetUpdaterRunStateName(state);
        EXPECT_EQ(window.GetQuitButton()->IsEnabledFlag(), state != kURSSending)
            << GetUpdaterRunStateName(state);
    }

    bool Finished() const { return fNext >= fSteps.size(); }

    std::set<EUpdaterRunState> fStatesSeen;

private:
    struct SStep
    {
        std::string mName;
        TStep mRun;
    };
    std::vector<SStep> fSteps;
    size_t fNext = 0;
    Clock::time_point fStepStart;
};

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string path = std::string(KELT_BINARY_DIR) + "/Portable/kelt-podium-update.rsrc";
        fResources = NSPlatform::CResourceManager::OpenResFile(path);
        ASSERT_NE(fResources, NSPlatform::CResourceManager::kNoFile) << path;
        NSPlatform::CResourceManager::UseResFile(fResources);
        SetUpdaterRunState(kURSUnknown);
        fBus = NSPlatform::CVirtualUsbBus::InstallNew();
        std::snprintf(fInfo.fApplicationName, sizeof fInfo.fApplicationName, "%s",
                      CBaseApp::kApplicationName);
        fInfo.fFileSpec = CApplication::GetFileSpecForCurrentApplication();
        fInfo.fUsesDisplay = true;
        fApp = std::make_unique<CScriptedApp>(&fInfo);
    }
    void TearDown() override
    {
        fApp.reset();
        NSPlatform::CUsbBus::Install(nullptr);
        fBus.reset();
        SetUpdaterRunState(kURSUnknown);
        NSPlatform::CResourceManager::CloseResFile(fResources);
    }

    void Attach(const char* mode)
    {
        NSPlatform::SVirtualInstrumentConfig config;
        ASSERT_TRUE(NSPlatform::SVirtualInstrumentConfig::ParseSimulateMode(mode, config));
        fBus->Attach(config);
    }

    CMainWindow& Window() { return *fApp->GetMainWindow(); }

    // Waits for the run state; the window has been through its setup phases by then.
    CScriptedApp::TStep WaitFor(EUpdaterRunState state)
    {
        return [state] { return GetUpdaterRunState() == state; };
    }

    // Answers the next alert with the button of that title, once it has said what it says.
    CScriptedApp::TStep Answer(const char* title, std::vector<std::string>* said)
    {
        return [title, said]
        {
            CAlertBox* alert = OpenAlert();
            if (!alert)
                return false;
            said->push_back(AlertText(alert));
            CPushButtonView* button = AlertButton(alert, title);
            EXPECT_NE(button, nullptr) << title;
            if (button)
                button->Push(true);
            return true;
        };
    }

    CApplicationStartupInfo fInfo;
    int16_t fResources = NSPlatform::CResourceManager::kNoFile;
    std::shared_ptr<NSPlatform::CVirtualUsbBus> fBus;
    std::unique_ptr<CScriptedApp> fApp;
};

TEST_F(MainWindowTest, WholeUpdateFollowsTheRunStatesAndDoneStays)
{
    Attach("normal");
    fApp->Add("instrument found", WaitFor(kURSOS));
    fApp->Add("texts, then Update",
              [&]
              {
                  EXPECT_EQ(Text(Window().GetWelcomeText()),
                            "This program will update the OS in your Kelt Podium LX to:");
                  EXPECT_EQ(Text(Window().GetUpdaterVersion()), "OS version 1.20");
                  EXPECT_EQ(Text(Window().GetStatusText()), fApp->GetHandler()->GetStatus());
                  EXPECT_FALSE(Text(Window().GetCurrentText()).empty());
                  EXPECT_EQ(Title(Window().GetQuitButton()), "Quit");
                  ExpectWhiteTextOnDark(Window());
                  char title[256] = {};
                  Window().GetTitle(title);
                  EXPECT_STREQ(title, CBaseApp::kApplicationName);
                  Window().GetUpdateButton()->Push(true);
                  return true;
              });
    fApp->Add("sending", WaitFor(kURSSending));
    fApp->Add("finished", WaitFor(kURSFinish));
    fApp->Add("Done at 100 percent",
              [&]
              {
                  EXPECT_EQ(Title(Window().GetQuitButton()), "Done");
                  EXPECT_EQ(fApp->GetHandler()->GetProgress(), 100);
                  EXPECT_EQ(Window().GetProgressBar()->GetPos(), 1000);
                  // The instrument back in its updater mode later on.
                  SetUpdaterRunState(kURSUpdate);
                  CApplication::ForceSetup();
                  EXPECT_EQ(Title(Window().GetQuitButton()), "Done");
                  EXPECT_TRUE(Window().GetUpdateButton()->IsEnabledFlag());
                  // The menu's Quit: no question asked.
                  fApp->HandleMenuSelection(fApp->GetMenuBar(), CBaseApp::kQuitCommand);
                  return true;
              });
    fApp->Run();
    EXPECT_TRUE(fApp->Finished());
    for (EUpdaterRunState state : {kURSOS, kURSReboot, kURSSending, kURSFinish})
        EXPECT_TRUE(fApp->fStatesSeen.count(state)) << GetUpdaterRunStateName(state);
    EXPECT_EQ(fApp->GetWindowExitCode(), CBaseApp::kExitUpdated);
}

TEST_F(MainWindowTest, QuitAsksWhileTheInstrumentWaitsAndCancelKeepsRunning)
{
    Attach("normal");
    std::vector<std::string> said;
    fApp->Add("instrument found", WaitFor(kURSOS));
    fApp->Add("Quit", [&] { return Window().GetQuitButton()->Push(true), true; });
    fApp->Add("Cancel", Answer("Cancel", &said));
    fApp->Add("still running, Quit again",
              [&]
              {
                  // Once the alert is gone and the window takes clicks again.
                  if (OpenAlert() || !Window().GetQuitButton()->IsEnabled())
                      return false;
                  EXPECT_TRUE(fApp->IsRunningEventLoop());
                  EXPECT_EQ(GetUpdaterRunState(), kURSOS);
                  Window().GetQuitButton()->Push(true);
                  return true;
              });
    fApp->Add("Yes", Answer("Yes", &said));
    fApp->Run();
    EXPECT_TRUE(fApp->Finished());
    ASSERT_EQ(said.size(), 2u);
    for (const std::string& text : said)
        EXPECT_NE(text.find("The synth is not updated. Are you sure you want to quit?"),
                  std::string::npos)
            << text;
    EXPECT_EQ(fApp->GetWindowExitCode(), CBaseApp::kExitNotUpdated);
}

TEST_F(MainWindowTest, QuitWithoutAnInstrumentWaitingAsksNothing)
{
    // No instrument: the run states are set as the handler would.
    std::vector<std::string> said;
    fApp->Add("window",
              [&]
              {
                  // While the OS is sent the close box does nothing; the menu's Quit still quits.
                  SetUpdaterRunState(kURSSending);
                  Window().TryClosing();
                  EXPECT_TRUE(fApp->IsRunningEventLoop());
                  EXPECT_EQ(fApp->GetRunState(), CApplication::kRunningEventLoop);
                  SetUpdaterRunState(kURSConnected);
                  Window().GetQuitButton()->Push(true);
                  return true;
              });
    fApp->Add("never reached: Quit has quit",
              [&]
              {
                  if (CAlertBox* alert = OpenAlert())
                  {
                      said.push_back(AlertText(alert));
                      alert->TryClosing();
                  }
                  return false;
              });
    const auto start = Clock::now();
    fApp->Run();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
    EXPECT_TRUE(said.empty());
    EXPECT_EQ(GetUpdaterRunState(), kURSConnected);
    EXPECT_EQ(fApp->GetWindowExitCode(), CBaseApp::kExitNotUpdated);
}

TEST_F(MainWindowTest, CloseBoxAsksAsQuitDoes)
{
    Attach("updater");
    std::vector<std::string> said;
    fApp->Add("instrument in its updater mode", WaitFor(kURSUpdate));
    fApp->Add("close box", [&] { return Window().TryClosing(), true; });
    fApp->Add("Yes", Answer("Yes", &said));
    fApp->Run();
    EXPECT_TRUE(fApp->Finished());
    EXPECT_EQ(said.size(), 1u);
}

TEST_F(MainWindowTest, FailedCheckIsShownInTheCautionAlertAndContinueGoesOn)
{
    std::vector<std::string> said;
    fApp->Add("failed check", [&] { return NSWayfarer::_Verify("fProgress <= 100", 42), true; });
    fApp->Add("Continue", Answer("Continue", &said));
    fApp->Add("went on",
              [&]
              {
                  if (OpenAlert())
                      return false;
                  fApp->HandleMenuSelection(fApp->GetMenuBar(), CBaseApp::kQuitCommand);
                  return true;
              });
    fApp->Run();
    EXPECT_TRUE(fApp->Finished());
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("Verify failed: fProgress <= 100, line 42"), std::string::npos)
        << said[0];
}

} // namespace
