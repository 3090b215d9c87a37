// Windows on the display: kinds and their frames, priming, selection and modal
// windows, stacking suggestions, and the closing protocol with the application's quit.
#include "WindowTestSupport.h"

#include "framework/graphics/CGraphicManager.h"
#include "framework/windows/CDocumentWindow.h"
#include "framework/windows/CFloaterWindow.h"
#include "framework/windows/CModalDialog.h"
#include "framework/windows/CModelessDialog.h"
#include "framework/windows/CNoFrameWindow.h"

#include <fstream>

using namespace NSWindowTests;

namespace
{

bool FixtureHasWindowManager()
{
    const char* state = std::getenv("KELT_XVFB_STATE");
    return state && std::ifstream(std::string(state) + "/wm.pid").good();
}

class CPhaseWindow : public CDocumentWindow
{
public:
    explicit CPhaseWindow(bool closeOK = true) : CDocumentWindow(0, "phases"), fCloseOK(closeOK)
    {
    }
    void HandleChangeRequests() override { Note("change"); }
    void SetupState() override { Note("setup"); }
    void UpdateGraphics() override { Note("graphics"); }
    bool IsCloseOK() override
    {
        ++fAsked;
        return fCloseOK;
    }
    void Note(const char* what)
    {
        fPhases += what;
        fPhases += IsShown() ? "+" : "-";
        fPhases += ' ';
    }
    std::string fPhases;
    bool fCloseOK;
    int fAsked = 0;
};

using Windows = WindowTest;

TEST_F(Windows, PrimeRunsThePhasesBeforeShowingAndSelects)
{
    auto* window = new CPhaseWindow;
    EXPECT_FALSE(window->IsShown());
    window->fPhases.clear();
    const CGlobalRect frame = window->SuggestCenterPositionClient(160, 100);
    window->PrimeAtPos(&frame);
    // Position's own set-up pass, then the window's three phases, all while hidden.
    const std::string own = "change- setup- graphics- ";
    ASSERT_GE(window->fPhases.size(), own.size());
    EXPECT_EQ(window->fPhases.substr(window->fPhases.size() - own.size()), own);
    EXPECT_TRUE(window->IsShown());
    EXPECT_EQ(CABCWindow::GetSelected(), window);
    CGlobalRect client;
    window->GetClientRect(&client);
    EXPECT_EQ(client.GetWidth(), 160);
    EXPECT_EQ(client.GetHeight(), 100);
    const CLocalRect inner = window->GetInnerRect();
    EXPECT_TRUE(window->GetRootView()->GetRect().IsEqual(&inner));
}

TEST_F(Windows, KindsGetTheirFramesFromTheWindowManager)
{
    if (!FixtureHasWindowManager())
        GTEST_SKIP() << "the fixture runs no window manager";
    auto* document = new CDocumentWindow(3, "grow");
    auto* plain = new CNoFrameWindow;
    auto* floater = new CFloaterWindow("tools", true);
    plain->PrimeAtSuggestedCenterPositionClient(100, 50);
    document->PrimeAtSuggestedStackedPositionClient(200, 120);
    floater->PrimeAtSuggestedCenterPositionClient(80, 80);
    ASSERT_TRUE(LoopUntil([&] { return document->GetTopWidth() > 0; }));
    CGlobalRect client;
    CGlobalRect frame;
    document->GetClientRect(&client);
    document->GetFrameRect(&frame);
    EXPECT_LT(frame.fTop, client.fTop);
    EXPECT_EQ(client.GetWidth(), 200);
    EXPECT_EQ(plain->GetTopWidth() + plain->GetLeftWidth(), 0);
    // Size boxes: big in documents, small in resizable floaters.
    EXPECT_EQ(document->GetRootGroupView()->GetSizeBoxView()->GetRect().GetWidth(), 15);
    EXPECT_EQ(floater->GetRootGroupView()->GetSizeBoxView()->GetRect().GetWidth(), 9);
    EXPECT_EQ(plain->GetRootGroupView()->GetSizeBoxView(), nullptr);
    // The floater is above, but the front document window is still the document.
    EXPECT_EQ(CABCWindow::GetNonFloatingSelected(), document);
    EXPECT_FALSE(floater->WantsToBeOnWindowsMenu());
    EXPECT_EQ(CABCWindow::CountWindowsWhoWantsToBeOnWindowList(), 2);

    EXPECT_EQ(CABCWindow::GetSelected(), floater);

    // A resize from outside (as the window manager's) reaches the views, within the
    // window's limits; the size box follows the corner.
    const std::string xid = std::to_string(document->GetNative()->GetXID());
    ASSERT_EQ(std::system(("xdotool windowsize " + xid + " 240 130").c_str()), 0);
    ASSERT_TRUE(LoopUntil([&] { return document->GetRootView()->GetRect().GetWidth() == 240; }));
    EXPECT_EQ(document->GetRootGroupView()->GetSizeBoxView()->GetRect().fRight, 240);
    ASSERT_EQ(std::system(("xdotool windowsize " + xid + " 20 20").c_str()), 0);
    ASSERT_TRUE(LoopUntil([&] { return document->GetRootView()->GetRect().GetWidth() == 60; }));
    document->GetClientRect(&client);
    EXPECT_EQ(client.GetHeight(), 60);
}

TEST_F(Windows, StackedSuggestionTakesTheLeastUsedCandidate)
{
    CGraphicManager manager;
    CGlobalRect area = manager.GetScreenInfo(manager.GetMainScreenIndex()).fWorkRect;
    area.Shrink(2);
    auto* first = new CNoFrameWindow;
    auto* second = new CNoFrameWindow;
    auto* third = new CNoFrameWindow;
    EXPECT_EQ(third->SuggestStackedPositionFrame(50, 50).fLeft, area.fLeft);
    CGlobalRect at0(area.fLeft, area.fTop, static_cast<short>(area.fLeft + 50),
                    static_cast<short>(area.fTop + 50));
    first->PositionNative(&at0);
    CGlobalRect at1 = at0;
    at1.Offset(16, 16);
    second->PositionNative(&at1);
    const CGlobalRect suggested = third->SuggestStackedPositionFrame(50, 50);
    EXPECT_EQ(suggested.fLeft, area.fLeft + 32);
    EXPECT_EQ(suggested.fTop, area.fTop + 32);
    EXPECT_EQ(suggested.GetWidth(), 50);
}

TEST_F(Windows, ModalFrontWindowKeepsTheOthersFromBeingSelected)
{
    auto* document = new CDocumentWindow(0, "behind");
    document->PrimeAtSuggestedCenterPositionClient(200, 100);
    auto* dialog = new CModalDialog(fApp.get(), 0, "modal");
    dialog->SetModalFlag(true);
    dialog->PrimeAtSuggestedCenterPositionClient(120, 60);
    EXPECT_EQ(CABCWindow::GetSelected(), dialog);
    EXPECT_FALSE(document->Select());
    EXPECT_EQ(CABCWindow::GetSelected(), dialog);
    EXPECT_FALSE(dialog->WantsToBeOnWindowsMenu());

    // A close request for the window behind waits; the dialog's own is honoured.
    NSPlatform::SEventRecord close;
    close.mWhat = NSPlatform::kWindowCloseEvent;
    close.mWindow = document->GetNative();
    fApp->MacHandleNativeEvent(close);
    EXPECT_FALSE(document->IsMarkedForClosing());
    close.mWindow = dialog->GetNative();
    fApp->MacHandleNativeEvent(close);
    EXPECT_TRUE(dialog->IsMarkedForClosing());

    // The modal loop runs until the dialog is reaped.
    CModalDialog::DoModalDialog(dialog);
    EXPECT_FALSE(CABCWindow::IsWindow(dialog));
    EXPECT_EQ(CABCWindow::GetSelected(), document);
}

TEST_F(Windows, QuitAsksEveryWindowAndStopsAtARefusal)
{
    auto* control = new CPhaseWindow(false);
    control->SetWindowIsControlWindow();
    auto* willing = new CPhaseWindow(true);
    auto* refusing = new CPhaseWindow(false);

    fApp->RequestQuit();
    ASSERT_TRUE(LoopUntil([&] { return fApp->GetRunState() != CApplication::kRequestingQuit; }));
    EXPECT_EQ(fApp->GetRunState(), CApplication::kRunningEventLoop);
    EXPECT_FALSE(fApp->IsClosing());
    EXPECT_EQ(control->fAsked, 0); // the control window is never asked
    EXPECT_EQ(refusing->fAsked, 1);
    // Asked before the refusal, it stays marked and goes at the next idle pass.
    EXPECT_TRUE(willing->IsMarkedForClosing());
    ASSERT_TRUE(LoopUntil([&] { return !CABCWindow::IsWindow(willing); }));
    EXPECT_TRUE(CABCWindow::IsWindow(refusing));

    refusing->fCloseOK = true;
    fApp->RequestQuit();
    ASSERT_TRUE(LoopUntil([&] { return fApp->GetRunState() == CApplication::kQuitting; }));
    EXPECT_TRUE(CABCWindow::IsWindow(control));
    EXPECT_EQ(CABCWindow::CountWindows(), 1);
}

} // namespace
