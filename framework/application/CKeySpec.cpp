#include "framework/application/CKeySpec.h"

#include "framework/application/CTimer.h"
#include "platform/display/SEventRecord.h"

#include <algorithm>
#include <array>

namespace NSWayfarer
{

namespace
{

using EKey = CKeySpec::EVirtualKey;

static_assert(CKeySpec::kA == 48 && CKeySpec::kWinNumberPadClear == 111);

// Key codes as the X server numbers them (the kernel's input codes plus 8), the
// same with or without XWayland. Keys sit where they sit on the keyboard, whatever
// the layout prints on them.
constexpr std::array<EKey, 256> MakeKeyTable()
{
    std::array<EKey, 256> table{};
    using K = CKeySpec;
    table[9] = K::kEscape;
    const EKey digits[] = {K::k1, K::k2, K::k3, K::k4, K::k5, K::k6, K::k7, K::k8, K::k9, K::k0};
    for (int i = 0; i < 10; ++i)
        table[10 + i] = digits[i];
    table[20] = K::kPlus;   // the key right of 0
    table[21] = K::kSnuff1; // the next one
    table[22] = K::kBackspace;
    table[23] = K::kTab;
    const EKey top[] = {K::kQ, K::kW, K::kE, K::kR, K::kT,      K::kY,
                        K::kU, K::kI, K::kO, K::kP, K::kSnuff3, K::kSnuff4};
    for (int i = 0; i < 12; ++i)
        table[24 + i] = top[i];
    table[36] = K::kReturn;
    table[37] = K::kCommand; // left Ctrl: the menu shortcut key here
    const EKey home[] = {K::kA, K::kS, K::kD, K::kF,      K::kG,     K::kH,
                         K::kJ, K::kK, K::kL, K::kSnuff5, K::kSnuff6};
    for (int i = 0; i < 11; ++i)
        table[38 + i] = home[i];
    table[49] = K::kParagraph; // the key left of 1
    table[50] = K::kShift;
    table[51] = K::kSnuff7;
    const EKey bottom[] = {K::kZ, K::kX, K::kC,     K::kV,      K::kB,
                           K::kN, K::kM, K::kComma, K::kPeriod, K::kMinus};
    for (int i = 0; i < 10; ++i)
        table[52 + i] = bottom[i];
    table[62] = K::kShift2;
    table[63] = K::kNumberPadMultiply;
    table[64] = K::kAlternate; // left Alt
    table[65] = K::kSpace;
    table[66] = K::kCapsLock;
    const EKey fkeys[] = {K::kF1, K::kF2, K::kF3, K::kF4, K::kF5,
                          K::kF6, K::kF7, K::kF8, K::kF9, K::kF10};
    for (int i = 0; i < 10; ++i)
        table[67 + i] = fkeys[i];
    table[77] = K::kWinNumberPadClear; // Num Lock, where other keyboards have Clear
    table[78] = K::kScrollLock;
    table[79] = K::kNumberPad7;
    table[80] = K::kNumberPad8;
    table[81] = K::kNumberPad9;
    table[82] = K::kNumberPadMinus;
    table[83] = K::kNumberPad4;
    table[84] = K::kNumberPad5;
    table[85] = K::kNumberPad6;
    table[86] = K::kNumberPadPlus;
    table[87] = K::kNumberPad1;
    table[88] = K::kNumberPad2;
    table[89] = K::kNumberPad3;
    table[90] = K::kNumberPad0;
    table[91] = K::kNumberPadComma;
    table[94] = K::kLessThan; // the extra key left of Z on ISO keyboards
    table[95] = K::kF11;
    table[96] = K::kF12;
    table[104] = K::kNumberPadEnter;
    table[105] = K::kCommand2; // right Ctrl
    table[106] = K::kNumberPadDivide;
    table[108] = K::kAltGraphics; // right Alt
    table[110] = K::kHome;
    table[111] = K::kArrowUp;
    table[112] = K::kPageUp;
    table[113] = K::kArrowLeft;
    table[114] = K::kArrowRight;
    table[115] = K::kEnd;
    table[116] = K::kArrowDown;
    table[117] = K::kPageDown;
    table[118] = K::kInsert;
    table[119] = K::kDelete;
    table[125] = K::kNumberPadEqual;
    table[127] = K::kPause;
    table[133] = K::kWinKey1;
    table[134] = K::kWinKey2;
    table[135] = K::kWinAppsKey;
    table[191] = K::kF13;
    table[192] = K::kF14;
    table[193] = K::kF15;
    return table;
}

constexpr std::array<EKey, 256> kMacKeyToVirtualArray = MakeKeyTable();

constexpr EKey kPrintingKeysArray[] = {CKeySpec::kParagraph,
                                       CKeySpec::k1,
                                       CKeySpec::k2,
                                       CKeySpec::k3,
                                       CKeySpec::k4,
                                       CKeySpec::k5,
                                       CKeySpec::k6,
                                       CKeySpec::k7,
                                       CKeySpec::k8,
                                       CKeySpec::k9,
                                       CKeySpec::k0,
                                       CKeySpec::kPlus,
                                       CKeySpec::kSnuff1,
                                       CKeySpec::kQ,
                                       CKeySpec::kW,
                                       CKeySpec::kE,
                                       CKeySpec::kR,
                                       CKeySpec::kT,
                                       CKeySpec::kY,
                                       CKeySpec::kU,
                                       CKeySpec::kI,
                                       CKeySpec::kO,
                                       CKeySpec::kP,
                                       CKeySpec::kSnuff3,
                                       CKeySpec::kSnuff4,
                                       CKeySpec::kA,
                                       CKeySpec::kS,
                                       CKeySpec::kD,
                                       CKeySpec::kF,
                                       CKeySpec::kG,
                                       CKeySpec::kH,
                                       CKeySpec::kJ,
                                       CKeySpec::kK,
                                       CKeySpec::kL,
                                       CKeySpec::kSnuff5,
                                       CKeySpec::kSnuff6,
                                       CKeySpec::kSnuff7,
                                       CKeySpec::kLessThan,
                                       CKeySpec::kZ,
                                       CKeySpec::kX,
                                       CKeySpec::kC,
                                       CKeySpec::kV,
                                       CKeySpec::kB,
                                       CKeySpec::kN,
                                       CKeySpec::kM,
                                       CKeySpec::kComma,
                                       CKeySpec::kPeriod,
                                       CKeySpec::kMinus,
                                       CKeySpec::kShift2,
                                       CKeySpec::kSpace,
                                       CKeySpec::kNumberPadEqual,
                                       CKeySpec::kNumberPadDivide,
                                       CKeySpec::kNumberPadMultiply,
                                       CKeySpec::kNumberPad7,
                                       CKeySpec::kNumberPad8,
                                       CKeySpec::kNumberPad9,
                                       CKeySpec::kNumberPadMinus,
                                       CKeySpec::kNumberPad4,
                                       CKeySpec::kNumberPad5,
                                       CKeySpec::kNumberPad6,
                                       CKeySpec::kNumberPadPlus,
                                       CKeySpec::kNumberPad1,
                                       CKeySpec::kNumberPad2,
                                       CKeySpec::kNumberPad3,
                                       CKeySpec::kNumberPad0,
                                       CKeySpec::kNumberPadComma};
static_assert(std::size(kPrintingKeysArray) == 66);

} // namespace

CKeySpec::CKeySpec(const NSPlatform::SEventRecord& event)
    : fTimestamp(static_cast<int32_t>(CTimer::TicksToMS(static_cast<long>(event.mWhen)))),
      fModifiers(static_cast<short>(event.mModifiers)),
      fVirtualKey(MacKeyToVirtual(static_cast<unsigned short>(event.mMessage))),
      fState(event.mWhat == NSPlatform::kKeyUp     ? kUp
             : event.mWhat == NSPlatform::kAutoKey ? kRepeat
                                                   : kDown),
      fASCII(static_cast<char>(event.mMessage & 0xFF)),
      fMacMessage(static_cast<uint16_t>(event.mMessage)), fMacModifiers(event.mModifiers)
{
}

CKeySpec::EVirtualKey CKeySpec::MacKeyToVirtual(unsigned short message)
{
    return kMacKeyToVirtualArray[(message >> 8) & 0xFF];
}

bool CKeySpec::IsPrinting() const
{
    return std::find(std::begin(kPrintingKeysArray), std::end(kPrintingKeysArray), fVirtualKey) !=
           std::end(kPrintingKeysArray);
}

bool CKeySpec::IsUserStopKey() const
{
    return (fState == kDown || fState == kRepeat) && fModifiers.IsMenuShortcutKeyDown() &&
           fASCII == '.';
}

} // namespace NSWayfarer
