#include "framework/application/CClickSpec.h"
#include "framework/application/CKeySpec.h"
#include "framework/application/CModifierKeyStatus.h"
#include "framework/application/CMouse.h"
#include "platform/display/SEventRecord.h"

#include <gtest/gtest.h>

using namespace NSWayfarer;

namespace
{

NSPlatform::SEventRecord KeyRecord(uint16_t what, uint8_t keycode, char c, uint16_t modifiers)
{
    NSPlatform::SEventRecord event;
    event.mWhat = what;
    event.mMessage = (uint32_t(keycode) << 8) | static_cast<uint8_t>(c);
    event.mModifiers = modifiers;
    event.mWhen = 120; // two seconds
    return event;
}

TEST(ModifierKeyStatusTest, WordMapsOneBitToBothSides)
{
    const CModifierKeyStatus status(0x0300);
    EXPECT_TRUE(status.MacIsLeftShiftKeyDown() && status.MacIsRightShiftKeyDown());
    EXPECT_TRUE(status.MacIsLeftCommandKeyDown() && status.MacIsRightCommandKeyDown());
    EXPECT_TRUE(status.IsMenuShortcutKeyDown());
    EXPECT_FALSE(status.IsAlternateKeyDown() || status.MacIsControlKeyDown() ||
                 status.IsCapsLockKeyDown());

    const CModifierKeyStatus other(0x1C00);
    EXPECT_TRUE(other.IsCapsLockKeyDown() && other.IsDragCopyKeyDown());
    EXPECT_TRUE(other.MacIsLeftControlKeyDown() && other.MacIsRightControlKeyDown());
    EXPECT_FALSE(other.IsShiftKeyDown() || other.MacIsAltGraphicsKeyDown());
}

TEST(KeySpecTest, RecordsBecomeKeySpecsThroughTheKeyTable)
{
    const CKeySpec up(KeyRecord(NSPlatform::kKeyUp, 38, 'a', 0));
    EXPECT_EQ(up.fVirtualKey, CKeySpec::kA);
    EXPECT_EQ(up.fVirtualKey, 48);
    EXPECT_EQ(up.fState, CKeySpec::kUp);
    EXPECT_EQ(up.fASCII, 'a');
    EXPECT_EQ(up.fMacMessage, (38 << 8) | 'a');
    EXPECT_EQ(up.fTimestamp, 2000);
    EXPECT_TRUE(up.IsPrinting());

    EXPECT_EQ(CKeySpec(KeyRecord(NSPlatform::kAutoKey, 36, 13, 0)).fState, CKeySpec::kRepeat);
    EXPECT_FALSE(CKeySpec(KeyRecord(NSPlatform::kKeyDown, 36, 13, 0)).IsPrinting());
    // Where the keys sit on a PC keyboard.
    EXPECT_EQ(CKeySpec::MacKeyToVirtual(37 << 8), CKeySpec::kCommand); // left Ctrl
    EXPECT_EQ(CKeySpec::MacKeyToVirtual(64 << 8), CKeySpec::kAlternate);
    EXPECT_EQ(CKeySpec::MacKeyToVirtual(94 << 8), CKeySpec::kLessThan);
    EXPECT_EQ(CKeySpec::MacKeyToVirtual(111 << 8), CKeySpec::kArrowUp);
    EXPECT_EQ(CKeySpec::MacKeyToVirtual(67 << 8), CKeySpec::kF1);
    EXPECT_EQ(CKeySpec::MacKeyToVirtual(193 << 8), CKeySpec::kF15);
    EXPECT_EQ(CKeySpec::MacKeyToVirtual(0xF000),
              CKeySpec::kUnknownKey); // the modifier-only message
    EXPECT_EQ(CKeySpec().fState, CKeySpec::kDown);
}

TEST(KeySpecTest, CommandPeriodStopsOnlyGoingDownOrRepeating)
{
    EXPECT_TRUE(CKeySpec(KeyRecord(NSPlatform::kKeyDown, 60, '.', 0x0100)).IsUserStopKey());
    EXPECT_TRUE(CKeySpec(KeyRecord(NSPlatform::kAutoKey, 60, '.', 0x0100)).IsUserStopKey());
    EXPECT_FALSE(CKeySpec(KeyRecord(NSPlatform::kKeyUp, 60, '.', 0x0100)).IsUserStopKey());
    EXPECT_FALSE(CKeySpec(KeyRecord(NSPlatform::kKeyDown, 60, '.', 0x0800)).IsUserStopKey());
}

TEST(ClickSpecTest, CarriesPointTimeAndAction)
{
    const CClickSpec click(CClickSpec::kDoubleClick, 5, -7, 1234, CModifierKeyStatus(0x0200));
    EXPECT_TRUE(click.IsDoubleClick());
    EXPECT_FALSE(click.IsClick());
    EXPECT_EQ(click.GetX(), 5);
    EXPECT_EQ(click.GetY(), -7);
    EXPECT_TRUE(click.GetPoint().IsEqual(CLocalPoint(5, -7)));
    EXPECT_EQ(click.GetMS(), 1234);
    EXPECT_TRUE(click.GetModifierKeys().IsShiftKeyDown());
}

TEST(MouseTest, BusyCursorNestsAndDeltasNeedTracking)
{
    CMouse::SetArrowShape();
    CMouse::Watch();
    CMouse::Watch();
    CMouse::Unwatch();
    EXPECT_NE(CMouse::GetCachedCursor(), 0);
    CMouse::Unwatch();
    EXPECT_EQ(CMouse::GetCachedCursor(), 0);
    EXPECT_EQ(CMouse::GetWatchCount(), 0);

    CMouse::PushMouseDelta(5, 5);
    CMouse::StartMouseTracking();
    short dx = -1;
    short dy = -1;
    CMouse::PopMouseDelta(&dx, &dy);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
    CMouse::PushMouseDelta(3, -4);
    CMouse::PushMouseDelta(32767, -2);
    CMouse::PopMouseDelta(&dx, &dy);
    EXPECT_EQ(dx, 32767); // saturates instead of wrapping
    EXPECT_EQ(dy, -6);
    CMouse::EndMouseTracking();
    CMouse::PushMouseDelta(1, 1);
    CMouse::PopMouseDelta(&dx, &dy);
    EXPECT_EQ(dx, 0);
}

} // namespace
