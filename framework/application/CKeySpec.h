// One key press, repeat or release in the framework's own key codes, built from
// the window system's key event record.
#pragma once

#include "framework/application/CModifierKeyStatus.h"

#include <cstdint>

namespace NSPlatform
{
struct SEventRecord;
}

namespace NSWayfarer
{

class CKeySpec
{
public:
    enum EVirtualKey : uint8_t
    {
        kUnknownKey,
        kEscape,
        kF1,
        kF2,
        kF3,
        kF4,
        kF5,
        kF6,
        kF7,
        kF8,
        kF9,
        kF10,
        kF11,
        kF12,
        kF13,
        kF14,
        kF15,
        kScrollLock,
        kPause,
        kParagraph,
        k1,
        k2,
        k3,
        k4,
        k5,
        k6,
        k7,
        k8,
        k9,
        k0,
        kPlus,
        kSnuff1,
        kBackspace,
        kTab,
        kQ,
        kW,
        kE,
        kR,
        kT,
        kY,
        kU,
        kI,
        kO,
        kP,
        kSnuff3,
        kSnuff4,
        kReturn,
        kCapsLock,
        kA,
        kS,
        kD,
        kF,
        kG,
        kH,
        kJ,
        kK,
        kL,
        kSnuff5,
        kSnuff6,
        kSnuff7,
        kShift,
        kLessThan,
        kZ,
        kX,
        kC,
        kV,
        kB,
        kN,
        kM,
        kComma,
        kPeriod,
        kMinus,
        kShift2,
        kControl,
        kWinKey1,
        kAlternate,
        kCommand,
        kSpace,
        kCommand2,
        kAltGraphics,
        kWinKey2,
        kWinAppsKey,
        kControl2,
        kInsert,
        kHome,
        kPageUp,
        kDelete,
        kEnd,
        kPageDown,
        kArrowUp,
        kArrowLeft,
        kArrowDown,
        kArrowRight,
        kNumberPadDelete,
        kNumberPadEqual,
        kNumberPadDivide,
        kNumberPadMultiply,
        kNumberPad7,
        kNumberPad8,
        kNumberPad9,
        kNumberPadMinus,
        kNumberPad4,
        kNumberPad5,
        kNumberPad6,
        kNumberPadPlus,
        kNumberPad1,
        kNumberPad2,
        kNumberPad3,
        kNumberPad0,
        kNumberPadComma,
        kNumberPadEnter,
        kWinNumberPadClear
    };

    enum EState
    {
        kDown = 10,
        kRepeat = 11,
        kUp = 12
    };

    CKeySpec() = default;
    // From a key-down, auto-key or key-up record.
    explicit CKeySpec(const NSPlatform::SEventRecord& event);

    // The key for a platform key message: the key code is its high byte.
    static EVirtualKey MacKeyToVirtual(unsigned short message);

    bool IsPrinting() const;
    // Command-period while the key goes down or repeats: the user asks to stop.
    bool IsUserStopKey() const;

    int32_t fTimestamp = 0;
    CModifierKeyStatus fModifiers;
    EVirtualKey fVirtualKey = kUnknownKey;
    EState fState = kDown;
    char fASCII = 0;
    uint16_t fMacMessage = 0;
    uint16_t fMacModifiers = 0;
};

} // namespace NSWayfarer
