// Control views on real toolkit controls: clicks tracked by the toolkit turn into
// exactly one action request during the setup pass, values and texts reach the
// toolkit only when they change, and a scroll bar's live tracking drives requests.

#include "ControlTestSupport.h"

#include "framework/windows/CDialogResource.h"
#include "framework/windows/CModelessDialog.h"
#include "framework/windows/CProgressBarView.h"
#include "framework/windows/CPushButtonView.h"
#include "framework/windows/CScrollBarView.h"
#include "framework/windows/CStaticTextView.h"

namespace NSWindowTests
{
namespace
{

// A window whose change-request phase asks its button, twice, and its scroll bar.
class CControlWindow : public CModelessDialog
{
public:
    CControlWindow() : CModelessDialog(kTitledDialog, "Controls") {}
    ~CControlWindow() override
    {
        delete fScrollBar;
        delete fButton;
    }
    void HandleChangeRequests() override
    {
        if (fButton)
        {
            const bool first = fButton->IsActionRequested();
            const bool second = fButton->IsActionRequested();
            fRequests += first;
            fRepeatedRequests += second;
        }
        if (fScrollBar)
            fValue = fScrollBar->CalcValueChange(fValue, 1, 10, 101);
        CModelessDialog::HandleChangeRequests();
    }

    CPushButtonView* fButton = nullptr;
    CScrollBarView* fScrollBar = nullptr;
    int fRequests = 0;
    int fRepeatedRequests = 0;
    unsigned long fValue = 0;
};

class ControlViewTest : public ControlTest
{
protected:
    CControlWindow* Open()
    {
        auto* window = new CControlWindow;
        const CGlobalRect frame = window->SuggestCenterPositionClient(400, 300);
        window->PositionNative(&frame);
        return window;
    }
    void Show(CControlWindow* window)
    {
        window->Prime();
        LoopUntil([&] { return window->GetNative()->GetPaintCount() > 0; });
        Settle(300);
    }
};

TEST_F(ControlViewTest, ButtonClickRaisesOneActionRequestInsideTheSetupPass)
{
    CControlWindow* window = Open();
    window->fButton = new CPushButtonView(window->GetRootView(), "Press");
    const CLocalRect rect(17, 17, 123, 53);
    window->fButton->Position(&rect);
    Show(window);
    CPushButtonView& button = *window->fButton;
    // The native button covers the rectangle less the inset.
    const CLocalRect native(20, 20, 120, 50);
    EXPECT_TRUE(button.MacGetControlRect().IsEqual(&native));
    EXPECT_FALSE(button.IsActionRequested());

    CPointer pointer;
    ASSERT_TRUE(pointer.IsOpen());
    pointer.Click(*window, 70, 35);
    EXPECT_TRUE(LoopUntil([&] { return window->fRequests > 0; }, 3000));
    Settle(300);
    EXPECT_EQ(window->fRequests, 1);
    EXPECT_EQ(window->fRepeatedRequests, 0);
    EXPECT_FALSE(button.IsActionRequested()) << "dropped after its setup pass";

    // Pressed inside, released outside: nothing.
    pointer.MoveTo(*window, 70, 35);
    pointer.Button(true);
    pointer.MoveTo(*window, 300, 200);
    pointer.Button(false);
    Settle(400);
    EXPECT_EQ(window->fRequests, 1);

    // Disabled itself, then through an ancestor: the toolkit control goes inactive
    // at the next setup pass and clicks do nothing.
    button.SetEnabled(false);
    CApplication::ForceSetup();
    EXPECT_FALSE(button.GetControl()->IsEnabled());
    pointer.Click(*window, 70, 35);
    Settle(400);
    button.Push(true);
    EXPECT_EQ(window->fRequests, 1);
    button.SetEnabled(true);
    window->GetRootView()->SetEnabled(false);
    CApplication::ForceSetup();
    EXPECT_FALSE(button.GetControl()->IsEnabled());
    pointer.Click(*window, 70, 35);
    Settle(400);
    EXPECT_EQ(window->fRequests, 1);
    window->GetRootView()->SetEnabled(true);
    CApplication::ForceSetup();
    EXPECT_TRUE(button.GetControl()->IsEnabled());

    // From code: Push(false) does nothing, Push(true) is one request.
    button.Push(false);
    EXPECT_EQ(window->fRequests, 1);
    button.Push(true);
    EXPECT_EQ(window->fRequests, 2);
    EXPECT_EQ(window->fRepeatedRequests, 0);

    // The same title costs no toolkit call; another one does.
    const uint64_t calls = button.GetControl()->GetToolkitCallCount();
    button.SetTitle("Press");
    EXPECT_EQ(button.GetControl()->GetToolkitCallCount(), calls);
    button.SetTitle("Again");
    EXPECT_GT(button.GetControl()->GetToolkitCallCount(), calls);
    char title[256];
    button.GetTitle(title);
    EXPECT_STREQ(title, "Again");
}

TEST_F(ControlViewTest, ProgressBarShowsPromilleAndPulsesWhenIndeterminate)
{
    CControlWindow* window = Open();
    CProgressBarView bar(window->GetRootView());
    const CLocalRect rect(20, 100, 380, 116);
    bar.Position(&rect);
    Show(window);
    const NSPlatform::CNativeControl& native = *bar.GetControl();
    const struct
    {
        unsigned short pos;
        double fraction;
    } cases[] = {{0, 0.0}, {500, 0.5}, {1000, 1.0}, {250, 0.25}};
    for (const auto& c : cases)
    {
        bar.SetPos(c.pos);
        CApplication::ForceSetup();
        EXPECT_DOUBLE_EQ(native.GetShownFraction(), c.fraction) << c.pos;
        EXPECT_FALSE(native.IsIndeterminate());
    }
    // Indeterminate: the busy block moves on every idle pass, and stops after.
    bar.SetPos(CProgressBarView::kIndeterminate);
    CApplication::ForceSetup();
    EXPECT_TRUE(native.IsIndeterminate());
    uint64_t calls = native.GetToolkitCallCount();
    for (int i = 0; i < 3; ++i)
        CABCWindow::IdleAll();
    EXPECT_EQ(native.GetToolkitCallCount(), calls + 3);
    bar.SetPos(500);
    CApplication::ForceSetup();
    EXPECT_FALSE(native.IsIndeterminate());
    EXPECT_DOUBLE_EQ(native.GetShownFraction(), 0.5);
    calls = native.GetToolkitCallCount();
    CABCWindow::IdleAll();
    EXPECT_EQ(native.GetToolkitCallCount(), calls);
}

TEST_F(ControlViewTest, StaticTextReachesTheToolkitOnlyWhenItChanged)
{
    CControlWindow* window = Open();
    CStaticTextView text(window->GetRootView(), "Ready");
    const CLocalRect rect(20, 140, 380, 160);
    text.Position(&rect);
    Show(window);
    const NSPlatform::CNativeControl& native = *text.GetControl();
    EXPECT_EQ(native.GetTitle(), "Ready") << "shown from construction";

    uint64_t calls = native.GetToolkitCallCount();
    text.SetString("Ready");
    CApplication::ForceSetup();
    EXPECT_EQ(native.GetToolkitCallCount(), calls);

    text.SetString("Updating");
    EXPECT_EQ(native.GetTitle(), "Ready") << "not before the next update";
    CApplication::ForceSetup();
    EXPECT_EQ(native.GetTitle(), "Updating");
    calls = native.GetToolkitCallCount();
    CApplication::ForceSetup();
    EXPECT_EQ(native.GetToolkitCallCount(), calls);

    // Over-long texts are cut at 1000 characters; the colour is only stored.
    const std::string longText(1500, 'x');
    text.SetString(longText.c_str());
    char back[CStaticTextView::kMaxLength + 1];
    text.GetString(back);
    EXPECT_EQ(std::string(back), std::string(1000, 'x'));
    text.SetColor(CRGBColor::kWhite);
    EXPECT_TRUE(text.GetColor().IsEqual(CRGBColor::kWhite));
}

TEST_F(ControlViewTest, ScrollBarTracksLiveAndOwnerConvertsRequests)
{
    CControlWindow* window = Open();
    window->fScrollBar = new CScrollBarView(window->GetRootView(), CScrollBarView::kVertical);
    const CLocalRect rect(300, 20, 315, 260);
    window->fScrollBar->Position(&rect);
    int idles = 0;
    struct CIdleCounter : CView
    {
        CIdleCounter(CGroupView* super, int* count) : CView(super), fCount(count) {}
        void Idle() override { ++*fCount; }
        int* fCount;
    } counter(window->GetRootView(), &idles);
    Show(window);
    CPointer pointer;
    ASSERT_TRUE(pointer.IsOpen());

    // The down arrow: one line down, and the bar shows the converted position.
    pointer.Click(*window, 307, 255);
    EXPECT_TRUE(LoopUntil([&] { return window->fValue > 0; }, 3000));
    EXPECT_EQ(window->fValue, 1u);
    EXPECT_EQ(window->fScrollBar->GetPos(), 9); // 1 * 999 / 100
    Settle(200);
    EXPECT_EQ(window->fScrollBar->GetControl()->GetValue(), 9);

    // The page area below the thumb: ten more per step.
    pointer.Click(*window, 307, 240);
    EXPECT_TRUE(LoopUntil([&] { return window->fValue >= 11; }, 3000));
    EXPECT_EQ((window->fValue - 1) % 10, 0u);

    // The thumb, dragged: the value follows the mouse while the button is down,
    // and the program idles meanwhile.
    const unsigned long before = window->fValue;
    const int idlesBefore = idles;
    const short thumbY = static_cast<short>(20 + 15 + 240 * window->fScrollBar->GetPos() / 999);
    pointer.MoveTo(*window, 307, static_cast<short>(thumbY + 12));
    pointer.Button(true);
    for (short y = static_cast<short>(thumbY + 30); y <= 200; y += 20)
        pointer.MoveTo(*window, 307, y);
    EXPECT_GT(window->fValue, before) << "no live request while dragging";
    EXPECT_GT(idles, idlesBefore);
    pointer.Button(false);
    Settle(200);
    // A framed empty box where the toolkit's bar does not fit.
    const CLocalRect small(330, 20, 345, 60);
    window->fScrollBar->Position(&small);
    EXPECT_FALSE(window->fScrollBar->IsBigEnough());
    EXPECT_FALSE(window->fScrollBar->GetControl()->IsShown());
}

TEST(ScrollBarArithmetic, ChangesConvertToContentValuesAndBack)
{
    CScrollBarView::CChange go;
    go.fKind = CScrollBarView::CChange::kGoToPosition;
    go.fPosition = 500;
    unsigned long value = 0;
    short pos = 0;
    ASSERT_TRUE(CScrollBarView::ChangeToPos(&go, 0, 1, 10, 101, &value, &pos));
    EXPECT_EQ(value, 50u);
    EXPECT_EQ(pos, 499);

    CScrollBarView::CChange up;
    up.fKind = CScrollBarView::CChange::kLineUp;
    EXPECT_FALSE(CScrollBarView::ChangeToPos(&up, 0, 1, 10, 101, &value, &pos));
    EXPECT_EQ(value, 666u);
    EXPECT_EQ(pos, 666);

    CScrollBarView::CChange pageDown;
    pageDown.fKind = CScrollBarView::CChange::kPageDown;
    ASSERT_TRUE(CScrollBarView::ChangeToPos(&pageDown, 95, 1, 10, 101, &value, &pos));
    EXPECT_EQ(value, 100u) << "clipped to the range";
    EXPECT_EQ(pos, 999);
    // A range of one: position 0, never a division by zero.
    EXPECT_FALSE(CScrollBarView::ChangeToPos(&go, 0, 1, 10, 1, &value, &pos));
    EXPECT_FALSE(CScrollBarView::ChangeToPos(&go, 0, 1, 10, 0, &value, &pos));
}

} // namespace
} // namespace NSWindowTests
