// The view tree in a window: hit testing and click routing, drawing order and
// clipping, invalidation on moves and resizes, focus, capture and context menus.
#include "WindowTestSupport.h"

#include "framework/windows/CDocumentWindow.h"
#include "framework/windows/CGroupView.h"
#include "framework/windows/CSolidColorGroupView.h"

using namespace NSWindowTests;

namespace
{

class ViewTree : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        fWindow = new CDocumentWindow(0, "views");
        const CGlobalRect frame = fWindow->SuggestCenterPositionClient(200, 150);
        fWindow->PrimeAtPos(&frame);
    }
    CDocumentWindow* fWindow = nullptr;
};

TEST_F(ViewTree, OverlapClicksTheFirstEnabledPaintsTheLast)
{
    CGroupView* root = fWindow->GetRootView();
    CProbeView first(root, CLocalRect(10, 10, 60, 60), CRGBColor::kRed);
    CProbeView second(root, CLocalRect(40, 40, 100, 100), CRGBColor::kBlue);

    EXPECT_EQ(root->GetViewAtCoord(50, 50), &first);
    EXPECT_EQ(root->GetViewAtCoord(80, 80), &second);
    EXPECT_EQ(root->GetViewAtCoord(150, 5), root);

    fWindow->Click(CClickSpec(CClickSpec::kClick, 50, 50, 0, CModifierKeyStatus()));
    EXPECT_EQ(first.fClicks.size(), 1u);
    EXPECT_TRUE(second.fClicks.empty());
    // Disabled: skipped, the next one holding the point takes it.
    first.SetEnabled(false);
    fWindow->Click(CClickSpec(CClickSpec::kClick, 50, 50, 0, CModifierKeyStatus()));
    EXPECT_EQ(first.fClicks.size(), 1u);
    EXPECT_EQ(second.fClicks.size(), 1u);
    // A disabled root drops everything.
    root->SetEnabled(false);
    fWindow->Click(CClickSpec(CClickSpec::kClick, 80, 80, 0, CModifierKeyStatus()));
    EXPECT_EQ(second.fClicks.size(), 1u);
    root->SetEnabled(true);

    fWindow->Invalidate();
    fWindow->ForcePaint();
    EXPECT_EQ(StorePixel(fWindow->GetNative(), 50, 50), 0x0000FFu); // the later on top
    EXPECT_EQ(StorePixel(fWindow->GetNative(), 20, 20), 0xFF0000u);
    EXPECT_TRUE(fWindow->GetUpdateRegion().IsEmpty());
}

TEST_F(ViewTree, UpdateDrawsOnlyViewsMeetingTheRegionAndGroupsPaintAroundOpaqueViews)
{
    CSolidColorGroupView panel(fWindow->GetRootView());
    const CLocalRect panelRect(0, 0, 200, 100);
    panel.Position(&panelRect);
    panel.SetBackgroundColor(CRGBColor(0, 0xFFFF, 0));
    CProbeView left(&panel, CLocalRect(10, 10, 50, 50), CRGBColor::kRed);
    CProbeView right(&panel, CLocalRect(110, 10, 150, 50), CRGBColor::kBlue);
    fWindow->Invalidate();
    fWindow->ForcePaint();
    EXPECT_EQ(StorePixel(fWindow->GetNative(), 5, 5), 0x00FF00u);
    EXPECT_EQ(StorePixel(fWindow->GetNative(), 120, 20), 0x0000FFu);
    // Outside every view: the window's background.
    EXPECT_EQ(StorePixel(fWindow->GetNative(), 100, 120),
              fWindow->GetBackgroundColor().GetPixel32());

    left.fDraws = right.fDraws = 0;
    left.SetColor(CRGBColor::kBlack);
    fWindow->ForcePaint();
    EXPECT_EQ(left.fDraws, 1);
    EXPECT_EQ(right.fDraws, 0);
    EXPECT_EQ(StorePixel(fWindow->GetNative(), 20, 20), 0x000000u);
}

TEST_F(ViewTree, PositionInvalidatesByItsModeOnlyWhenTheRectangleChanges)
{
    CProbeView view(fWindow->GetRootView(), CLocalRect(10, 10, 50, 50), CRGBColor::kRed);
    view.fPositionChanges = 0;
    fWindow->Validate();
    const CLocalRect same(10, 10, 50, 50);
    view.Position(&same);
    EXPECT_EQ(view.fPositionChanges, 0);
    EXPECT_TRUE(fWindow->GetUpdateRegion().IsEmpty());

    // Resized in place with the new-area mode: only the L-shaped difference.
    view.SetInvalidateMode(CView::kInvalidateNewArea);
    view.SetSize(60, 20);
    EXPECT_EQ(view.fPositionChanges, 1);
    CRegion expected(CLocalRect(10, 10, 50, 50));
    expected.InvertRectangle(CLocalRect(10, 10, 70, 30));
    EXPECT_TRUE(fWindow->GetUpdateRegion().IsEqual(expected));

    // Moved: both rectangles.
    fWindow->Validate();
    view.PositionXY(100, 100);
    CRegion both(CLocalRect(10, 10, 70, 30));
    both.OrRectangle(CLocalRect(100, 100, 160, 120));
    EXPECT_TRUE(fWindow->GetUpdateRegion().IsEqual(both));

    // Limited to its group: a view entirely outside it invalidates nothing.
    fWindow->Validate();
    CGroupView group(fWindow->GetRootView());
    const CLocalRect groupRect(0, 0, 40, 40);
    group.Position(&groupRect);
    CProbeView outside(&group, CLocalRect(60, 60, 80, 80), CRGBColor::kRed);
    fWindow->Validate();
    outside.Invalidate(true);
    EXPECT_TRUE(fWindow->GetUpdateRegion().IsEmpty());
    // A hidden window takes no invalidation from its views.
    fWindow->Hide();
    view.Invalidate(false);
    EXPECT_TRUE(fWindow->GetUpdateRegion().IsEmpty());
}

TEST_F(ViewTree, TabOrderWrapsAndSkipsAndADisabledGroupPassesTheFocusOn)
{
    CGroupView group(fWindow->GetRootView());
    const CLocalRect groupRect(0, 0, 200, 150);
    group.Position(&groupRect);
    CProbeView a(&group, CLocalRect(0, 0, 10, 10), CRGBColor::kRed);
    CProbeView b(fWindow->GetRootView(), CLocalRect(20, 0, 30, 10), CRGBColor::kRed);
    CProbeView c(fWindow->GetRootView(), CLocalRect(40, 0, 50, 10), CRGBColor::kRed);
    for (CProbeView* view : {&a, &b, &c})
    {
        view->SetCanHaveFocus(true);
        view->AddToEndOfTabOrder();
    }
    fWindow->NextFocusItem();
    EXPECT_EQ(fWindow->GetFocusView(), &a);
    c.SetEnabled(false);
    fWindow->NextFocusItem();
    EXPECT_EQ(fWindow->GetFocusView(), &b);
    fWindow->NextFocusItem(); // c does not qualify: round to a
    EXPECT_EQ(fWindow->GetFocusView(), &a);
    fWindow->PreviousFocusItem(); // nothing before a: the last that qualifies
    EXPECT_EQ(fWindow->GetFocusView(), &b);

    fWindow->FirstFocusItem();
    ASSERT_EQ(fWindow->GetFocusView(), &a);
    EXPECT_TRUE(group.DoesThisOrSubViewHaveFocus());
    group.SetEnabled(false);
    EXPECT_EQ(fWindow->GetFocusView(), &b);

    b.SetEnabled(false);
    EXPECT_EQ(fWindow->GetFocusView(), nullptr); // nothing left to take it
    // A focus view that goes away leaves no pointer behind.
    {
        CProbeView d(fWindow->GetRootView(), CLocalRect(60, 0, 70, 10), CRGBColor::kRed);
        d.SetCanHaveFocus(true);
        EXPECT_TRUE(d.SetFocus());
    }
    EXPECT_EQ(fWindow->GetFocusView(), nullptr);
}

TEST_F(ViewTree, CaptureIsExclusiveAndEndsWithItsOwner)
{
    auto first = std::make_unique<CProbeView>(fWindow->GetRootView(), CLocalRect(0, 0, 10, 10),
                                              CRGBColor::kRed);
    CProbeView second(fWindow->GetRootView(), CLocalRect(20, 0, 30, 10), CRGBColor::kRed);
    ASSERT_TRUE(first->BeginMouseCapture());
    EXPECT_TRUE(fApp->IsIdleBoosted());
    EXPECT_FALSE(second.BeginMouseCapture());
    // Only the owner ends its capture.
    second.EndMouseCapture();
    EXPECT_EQ(CView::GetMouseCaptureOwner(), first.get());
    // A captured click goes to the owner wherever it lands.
    fWindow->Click(CClickSpec(CClickSpec::kClick, 25, 5, 0, CModifierKeyStatus()));
    EXPECT_EQ(first->fClicks.size(), 1u);
    EXPECT_TRUE(second.fClicks.empty());
    first.reset();
    EXPECT_EQ(CView::GetMouseCaptureOwner(), nullptr);
    EXPECT_FALSE(fApp->IsIdleBoosted());
}

TEST_F(ViewTree, ContextMenuIsAskedForOnceThroughTheSetupPhases)
{
    CProbeView view(fWindow->GetRootView(), CLocalRect(10, 10, 60, 60), CRGBColor::kRed);
    fWindow->DoContextMenu(CLocalPoint(20, 30));
    ASSERT_EQ(view.fContextMenus.size(), 1u);
    EXPECT_EQ(view.fContextMenus[0].GetY(), 30);
    // The next set-up pass does not see it again.
    CApplication::ForceSetup();
    EXPECT_EQ(view.fContextMenus.size(), 1u);
}

} // namespace
