#include "platform/display/CDisplay.h"
#include "platform/CMainEventQueue.h"
#include "platform/display/CNativeWindow.h"
#include "platform/display/CSyntheticInput.h"

#include "DisplayTestSupport.h"

#include <X11/extensions/XTest.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using namespace NSPlatform;
using NSTestSupport::PumpUntil;

namespace
{

constexpr uint16_t kKeycodeA = 38; // X server key number of the A key (evdev + 8)
constexpr uint32_t kKeysymA = 0x41;

class DisplayTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CDisplay::Open()) << "no X server: the display tests need their fixture";
        fWindow = std::make_unique<CNativeWindow>(CNativeWindow::kDocument, "events",
                                                  SDisplayRect{40, 50, 240, 170});
        fWindow->Show();
        ASSERT_TRUE(PumpUntil([&] { return fWindow->GetPaintCount() > 0; }));
        CDisplay::FlushEvents(kEveryEventMask);
    }

    void TearDown() override
    {
        fWindow.reset();
        CDisplay::FlushEvents(kEveryEventMask);
    }

    SEventRecord Next(uint16_t mask = kEveryEventMask)
    {
        SEventRecord event;
        EXPECT_TRUE(PumpUntil([&] { return CDisplay::GetNextEvent(mask, event); }));
        return event;
    }

    std::unique_ptr<CNativeWindow> fWindow;
};

TEST_F(DisplayTest, ShiftKeyPressRepeatAndReleaseArriveAsKeyRecords)
{
    const uint32_t before = CDisplay::NowTicks();
    CSyntheticInput::PostKey(*fWindow, true, kKeycodeA, kKeysymA, kShiftKey);
    SEventRecord down = Next(MaskForKind(kKeyDown) | MaskForKind(kAutoKey) | MaskForKind(kKeyUp));
    EXPECT_EQ(down.mWhat, kKeyDown);
    EXPECT_EQ(down.mMessage, (uint32_t(kKeycodeA) << 8) | 'A');
    EXPECT_EQ(down.mModifiers & (kShiftKey | kCmdKey | kOptionKey | kControlKey), kShiftKey);
    EXPECT_EQ(down.mWindow, fWindow.get());
    EXPECT_GE(down.mWhen, before);
    EXPECT_LE(down.mWhen, CDisplay::NowTicks());

    // A second press without a release is the key repeating.
    CSyntheticInput::PostKey(*fWindow, true, kKeycodeA, kKeysymA, kShiftKey);
    EXPECT_EQ(Next(MaskForKind(kAutoKey)).mWhat, kAutoKey);

    CSyntheticInput::PostKey(*fWindow, false, kKeycodeA, 0x61, kCmdKey);
    SEventRecord up = Next(MaskForKind(kKeyUp));
    EXPECT_EQ(up.mMessage, (uint32_t(kKeycodeA) << 8) | 'a');
    EXPECT_EQ(up.mModifiers & (kShiftKey | kCmdKey), kCmdKey);
}

TEST_F(DisplayTest, StampedRecordsCarryThePointerAndTheKeysHeldNow)
{
    Display* server = XOpenDisplay(nullptr);
    ASSERT_NE(server, nullptr);
    const KeyCode shift = XKeysymToKeycode(server, 0xFFE1); // Shift_L
    XTestFakeMotionEvent(server, -1, 123, 145, CurrentTime);
    XTestFakeKeyEvent(server, shift, True, CurrentTime);
    XSync(server, False);
    SEventRecord held;
    CDisplay::Stamp(held);
    XTestFakeKeyEvent(server, shift, False, CurrentTime);
    XSync(server, False);
    SEventRecord released;
    CDisplay::Stamp(released);
    XCloseDisplay(server);

    EXPECT_EQ(held.mWhereH, 123);
    EXPECT_EQ(held.mWhereV, 145);
    EXPECT_EQ(held.mModifiers & (kShiftKey | kCmdKey | kOptionKey), kShiftKey);
    EXPECT_TRUE(held.mModifiers & kButtonState) << "no button is down";
    EXPECT_EQ(released.mModifiers & kShiftKey, 0);
}

TEST_F(DisplayTest, ClicksArriveWithGlobalPositionAndRightButtonIsTheControlClick)
{
    const SDisplayRect client = fWindow->GetClientRect();
    CSyntheticInput::PostButton(*fWindow, true, 1, 10, 20, 0);
    CSyntheticInput::PostButton(*fWindow, false, 1, 10, 20, 0);
    CSyntheticInput::PostButton(*fWindow, true, 3, 30, 5, kOptionKey);

    SEventRecord down = Next(MaskForKind(kMouseDown) | MaskForKind(kMouseUp));
    EXPECT_EQ(down.mWhat, kMouseDown);
    EXPECT_EQ(down.mWhereH, client.mLeft + 10);
    EXPECT_EQ(down.mWhereV, client.mTop + 20);
    EXPECT_EQ(down.mModifiers & (kControlKey | kButtonState), 0);
    EXPECT_EQ(down.mWindow, fWindow.get());

    SEventRecord up = Next(MaskForKind(kMouseDown) | MaskForKind(kMouseUp));
    EXPECT_EQ(up.mWhat, kMouseUp);
    EXPECT_NE(up.mModifiers & kButtonState, 0);

    SEventRecord right = Next(MaskForKind(kMouseDown));
    EXPECT_EQ(right.mButton, 3);
    EXPECT_EQ(right.mModifiers & (kControlKey | kOptionKey), kControlKey | kOptionKey);
    EXPECT_EQ(right.mWhereH, client.mLeft + 30);
}

TEST_F(DisplayTest, CloseButtonIsRecordedAndLeavesTheWindowAlone)
{
    CSyntheticInput::PostCloseRequest(*fWindow);
    SEventRecord close = Next(MaskForKind(kWindowCloseEvent));
    EXPECT_EQ(close.mWindow, fWindow.get());
    PumpUntil([] { return false; }, 50);
    EXPECT_TRUE(fWindow->IsVisible());
}

TEST_F(DisplayTest, MaskLeavesOtherKindsQueuedAndDestroyedWindowsAreForgotten)
{
    SEventRecord quit;
    quit.mWhat = kHighLevelEvent;
    quit.mHighLevelID = kAEQuitApplication;
    CDisplay::PostEvent(quit);
    CSyntheticInput::PostButton(*fWindow, true, 1, 1, 1, 0);
    ASSERT_TRUE(PumpUntil([] { return CDisplay::HasEvent(MaskForKind(kMouseDown)); }));

    SEventRecord event;
    ASSERT_TRUE(CDisplay::GetNextEvent(0xFBFF, event));
    EXPECT_EQ(event.mWhat, kMouseDown);
    EXPECT_FALSE(CDisplay::GetNextEvent(0xFBFF, event));
    EXPECT_TRUE(CDisplay::HasEvent(kHighLevelEventMask));

    CSyntheticInput::PostButton(*fWindow, true, 1, 1, 1, 0);
    ASSERT_TRUE(PumpUntil([] { return CDisplay::HasEvent(MaskForKind(kMouseDown)); }));
    fWindow.reset();
    EXPECT_FALSE(CDisplay::HasEvent(MaskForKind(kMouseDown)));
    ASSERT_TRUE(CDisplay::GetNextEvent(kEveryEventMask, event));
    EXPECT_EQ(event.mHighLevelID, kAEQuitApplication);
}

TEST_F(DisplayTest, WorkPostedFromAnotherThreadEndsTheJoinedWaitAtOnce)
{
    // The wait covers the window system and the queue together: a post must not
    // wait for the window system's next event or for the time-out.
    for (int round = 0; round < 5; ++round)
    {
        std::atomic<int64_t> postedAt{0};
        std::atomic<bool> ran{false};
        std::thread poster(
            [&]
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                postedAt = std::chrono::steady_clock::now().time_since_epoch().count();
                CMainEventQueue::Main().Post([&] { ran = true; });
            });
        int64_t returnedAt = 0;
        while (!ran)
        {
            CMainEventQueue::Main().WaitAndDispatch(10000);
            returnedAt = std::chrono::steady_clock::now().time_since_epoch().count();
        }
        poster.join();
        const auto delay = std::chrono::nanoseconds(returnedAt - postedAt.load());
        EXPECT_LT(delay, std::chrono::milliseconds(100)) << "round " << round;
    }
}

TEST_F(DisplayTest, UIFontComesFromTheToolkitSettings)
{
    const CDisplay::SUIFont font = CDisplay::GetUIFont();
    EXPECT_FALSE(font.mFamily.empty());
    EXPECT_GT(font.mSizePx, 4);
    EXPECT_LT(font.mSizePx, 100);
}

} // namespace
