// Whole alerts under the display: laid out from the updater's alert layout, run
// by DoDefaultAlert while the program's idle work goes on, and answered with the
// mouse or the keyboard. Also the main window's layout with real controls.

#include "ControlTestSupport.h"

#include "framework/application/CTimer.h"
#include "framework/graphics/CBitmap32.h"
#include "framework/graphics/CBitmapCache.h"
#include "framework/graphics/CGraphicManager.h"
#include "framework/windows/CAlertBox.h"
#include "framework/windows/CDialogItemInfo.h"
#include "framework/windows/CDialogResource.h"
#include "framework/windows/CIconView.h"
#include "framework/windows/CModelessDialog.h"
#include "framework/windows/CProgressBarView.h"
#include "framework/windows/CPushButtonView.h"
#include "framework/windows/CSplashScreen.h"
#include "framework/windows/CStaticTextView.h"
#include "platform/display/CSyntheticInput.h"

#include <functional>
#include <vector>

namespace NSWindowTests
{
namespace
{

constexpr const char* kQuitScript =
    "[WARN]The synth is not updated. Are you sure you want to quit?[Cancel][Yes]";

// A window whose idle pass counts and runs the test's steps while an alert runs
// its own loop; each step runs once the previous one returned true.
class CIdleWorkWindow : public CModelessDialog
{
public:
    CIdleWorkWindow() : CModelessDialog(kTitledDialog, "Idle work") {}
    void Idle() override
    {
        ++fIdles;
        if (fStep < fSteps.size() && fSteps[fStep]())
            ++fStep;
        CModelessDialog::Idle();
    }
    int fIdles = 0;
    size_t fStep = 0;
    std::vector<std::function<bool()>> fSteps;
};

class AlertBoxTest : public ControlTest
{
protected:
    template <typename F> static void ForEachView(CABCWindow* window, F&& f)
    {
        const auto& list = window->GetRootView()->GetSubViews();
        for (unsigned long i = 0; i < list.CountItems(); ++i)
            f(list.GetAtIndex(i));
    }
    static CAlertBox* OpenAlert()
    {
        CAlertBox* alert = dynamic_cast<CAlertBox*>(CABCWindow::GetSelected());
        return alert && alert->IsShown() && alert->GetNative()->GetPaintCount() > 0 ? alert
                                                                                    : nullptr;
    }
    // Steps that wait for the alert, then click the middle of dialog item `item`.
    void ClickItem(CIdleWorkWindow& work, short item)
    {
        auto* pointer = new CPointerNoSettle;
        fPointers.emplace_back(pointer);
        work.fSteps.push_back([] { return OpenAlert() != nullptr; });
        work.fSteps.push_back(
            [=]
            {
                CAlertBox* alert = OpenAlert();
                const CDialogItemInfo* info = alert->GetDialogItemInfo(item);
                short gx = 0;
                short gy = 0;
                alert->LocalToGlobal(
                    static_cast<short>((info->fRect.fLeft + info->fRect.fRight) / 2),
                    static_cast<short>((info->fRect.fTop + info->fRect.fBottom) / 2), &gx, &gy);
                pointer->Move(gx, gy);
                return true;
            });
        work.fSteps.push_back([=] { return pointer->Button(true); });
        work.fSteps.push_back([=] { return pointer->Button(false); });
    }

    // Input without pumping: the alert's own loop handles it.
    struct CPointerNoSettle
    {
        CPointerNoSettle() : fDisplay(XOpenDisplay(nullptr)) {}
        ~CPointerNoSettle() { XCloseDisplay(fDisplay); }
        void Move(short x, short y)
        {
            XTestFakeMotionEvent(fDisplay, -1, x, y, CurrentTime);
            XFlush(fDisplay);
        }
        bool Button(bool press)
        {
            XTestFakeButtonEvent(fDisplay, 1, press ? True : False, CurrentTime);
            XFlush(fDisplay);
            return true;
        }
        Display* fDisplay;
    };
    std::vector<std::unique_ptr<CPointerNoSettle>> fPointers;
};

TEST_F(AlertBoxTest, QuitAlertAnsweredByClickAndByReturn)
{
    auto* work = new CIdleWorkWindow;
    work->Prime();

    // The second-to-last name is item 2: 34. Idle work goes on meanwhile.
    ClickItem(*work, 2);
    EXPECT_EQ(CAlertBox::DoDefaultAlert(kQuitScript), CAlertBox::kItem2);
    EXPECT_GE(work->fIdles, 4);
    EXPECT_EQ(dynamic_cast<CAlertBox*>(CABCWindow::GetSelected()), nullptr) << "deleted";

    // Return pushes the default button, the script's last name: 33.
    work->fSteps.clear();
    work->fStep = 0;
    work->fSteps.push_back([] { return OpenAlert() != nullptr; });
    work->fSteps.push_back(
        []
        {
            CAlertBox* alert = OpenAlert();
            // The default button carries the default look; the message wraps in its item.
            EXPECT_TRUE(alert->GetDefaultItem() && alert->GetDefaultItem()->IsDefault());
            Screenshot("quit-alert");
            NSPlatform::CSyntheticInput::PostKey(*alert->GetNative(), true, 36, 0xFF0D, 0);
            NSPlatform::CSyntheticInput::PostKey(*alert->GetNative(), false, 36, 0xFF0D, 0);
            return true;
        });
    EXPECT_EQ(CAlertBox::DoDefaultAlert(kQuitScript), CAlertBox::kItem1);

    // Three names: the first of the script is item 3, 35; Escape chooses nothing
    // first (the alert has no cancel button).
    work->fSteps.clear();
    work->fStep = 0;
    work->fSteps.push_back(
        []
        {
            CAlertBox* alert = OpenAlert();
            if (!alert)
                return false;
            NSPlatform::CSyntheticInput::PostKey(*alert->GetNative(), true, 9, 0xFF1B, 0);
            NSPlatform::CSyntheticInput::PostKey(*alert->GetNative(), false, 9, 0xFF1B, 0);
            return true;
        });
    ClickItem(*work, 3);
    EXPECT_EQ(CAlertBox::DoDefaultAlert("[STOP][Title]Details[One][Two][Three]"),
              CAlertBox::kItem3);
}

TEST_F(AlertBoxTest, ScriptBuildsItsViews)
{
    // Two messages: the second in the tiny font under the first; three buttons
    // Three, Two, One as items 1, 2, 3; the stop icon.
    CAlertBox::EResult result = CAlertBox::kNoButton;
    auto* alert = new CAlertBox("[STOP][Title]Details[One][Two][Three]", &result);
    alert->Prime();
    std::vector<std::string> titles;
    std::vector<std::string> texts;
    CIconView* icon = nullptr;
    ForEachView(alert,
                [&](CView* view)
                {
                    if (auto* button = dynamic_cast<CPushButtonView*>(view))
                    {
                        char title[256];
                        button->GetTitle(title);
                        titles.push_back(title);
                    }
                    if (auto* text = dynamic_cast<CStaticTextView*>(view))
                        texts.push_back(text->GetControl()->GetTitle());
                    if (auto* found = dynamic_cast<CIconView*>(view))
                        icon = found;
                });
    EXPECT_EQ(titles, (std::vector<std::string>{"Three", "Two", "One"}));
    EXPECT_EQ(texts, (std::vector<std::string>{"Title", "Details"}));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->GetIcon(), CIconView::kStopIcon);
    EXPECT_EQ(alert->GetFocusView(), alert->GetDefaultItem());
    // The toolkit's keyboard focus follows the window's tab order.
    ASSERT_NE(alert->GetDefaultItem(), nullptr);
    EXPECT_TRUE(alert->GetDefaultItem()->GetControl()->HasFocus());
    alert->NextFocusItem();
    CView* next = alert->GetFocusView();
    ASSERT_NE(next, alert->GetDefaultItem());
    EXPECT_TRUE(static_cast<CPushButtonView*>(next)->GetControl()->HasFocus());
    EXPECT_FALSE(alert->GetDefaultItem()->GetControl()->HasFocus());

    // A variable's brackets and caret cannot reach the script.
    auto* second = new CAlertBox("[NOTE]Port ^0 busy[OK]", &result);
    second->AddStringVariable("[x]^1");
    second->Prime();
    ForEachView(second,
                [&](CView* view)
                {
                    if (auto* text = dynamic_cast<CStaticTextView*>(view))
                    {
                        EXPECT_EQ(text->GetControl()->GetTitle().rfind("Port (x)~1 busy", 0), 0u);
                    }
                });
    CPushButtonView* ok = second->GetDefaultItem();
    ASSERT_NE(ok, nullptr);
    ok->Push(true);
    EXPECT_EQ(result, CAlertBox::kItem1);
    EXPECT_TRUE(second->IsMarkedForClosing());
    EXPECT_EQ(CAlertBox::CountVariablesInScript("^0 and ^1 and ^"), 3);
}

TEST_F(AlertBoxTest, MainWindowLayoutWithControls)
{
    // The updater's main layout with real controls on every item, as a screenshot.
    auto* window = new CModelessDialog(CModelessDialog::kTitledDialog, static_cast<short>(128));
    const CDialogResource* resource = window->GetDialogResource();
    ASSERT_NE(resource, nullptr);
    std::vector<std::unique_ptr<CView>> views;
    for (unsigned long i = 0; i < resource->CountItems(); ++i)
    {
        const CDialogItemInfo* item = resource->GetItemInfoList().GetAtIndex(i);
        switch (item->fType)
        {
        case CDialogItemInfo::kPushButton:
            views.emplace_back(new CPushButtonView(window->GetRootView(), item));
            break;
        case CDialogItemInfo::kStaticText:
            views.emplace_back(new CStaticTextView(window->GetRootView(), item));
            break;
        case CDialogItemInfo::kUserItem:
        {
            auto* bar = new CProgressBarView(window->GetRootView(), item);
            bar->SetPos(400);
            views.emplace_back(bar);
            break;
        }
        case CDialogItemInfo::kIcon:
        {
            auto* icon = new CIconView(window->GetRootView(), item);
            icon->SetIcon(CIconView::kNoteIcon);
            views.emplace_back(icon);
            break;
        }
        default:
            break;
        }
    }
    window->Prime();
    LoopUntil([&] { return window->GetNative()->GetPaintCount() > 0; });
    Settle(400);
    // Every control sits inside the window's client area.
    const CLocalRect inner = window->GetInnerRect();
    for (const auto& view : views)
        EXPECT_TRUE(view->GetRect().IsCompletelyInside(inner));
    Screenshot("main-window-128");
    views.clear();
}

TEST_F(AlertBoxTest, SplashScreenIsCentredAndStaysItsMinimumTime)
{
    const TBitmapID id(4242);
    fApp->GetDefaultBitmapCache()->Register(new CBitmap32(120, 80), id);
    const long start = CTimer::GetSystemTick();
    auto splash = std::make_unique<CSplashScreen>(id, 30, nullptr);
    splash->Open();
    EXPECT_TRUE(splash->IsShown());
    CGlobalRect client;
    splash->GetClientRect(&client);
    EXPECT_EQ(client.GetWidth(), 120);
    EXPECT_EQ(client.GetHeight(), 80);
    const CGlobalRect screen = CGraphicManager::gGraphicMgr->GetMainScreenRect();
    EXPECT_NEAR((client.fLeft + client.fRight) / 2, (screen.fLeft + screen.fRight) / 2, 1);
    splash->Close();
    splash.reset();
    // Closed at once, gone only after its minimum time; the picture is let go.
    const long gone = CTimer::GetSystemTick();
    EXPECT_GE(gone - start, 30);
    EXPECT_LE(gone - start, 30 + 15) << "no longer than needed";
    EXPECT_EQ(fApp->GetDefaultBitmapCache()->Find(id), nullptr);
}

} // namespace
} // namespace NSWindowTests
