// One event as the window system hands it to the framework: the classic record
// (kind, message, time in ticks, global position, modifier word) plus the window
// it concerns and, for the open-documents event, the files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace NSPlatform
{

class CNativeWindow;
class CNativeControl;

enum EEventKind : uint16_t
{
    kNullEvent = 0,
    kMouseDown = 1,
    kMouseUp = 2,
    kKeyDown = 3,
    kKeyUp = 4,
    kAutoKey = 5,
    kUpdateEvent = 6,
    kDiskEvent = 7,
    kActivateEvent = 8,
    // An item chosen in a window's menu bar: mMessage is (menu id << 16 | item).
    kMenuSelectEvent = 9,
    // The window manager moved, resized, maximised or restored a window: the
    // message is the window part the classic tracking would have reported (4 drag,
    // 5 grow, 7 zoom in, 8 zoom out).
    kWindowFrameEvent = 11,
    // The window manager's close button: the framework decides whether the window goes.
    kWindowCloseEvent = 12,
    // The mouse wheel over a window: mDeltaV notches away from the user (negative:
    // towards), mDeltaH to the right.
    kMouseWheelEvent = 13,
    // A click on a native control ended: mControl is the control, mPart where the
    // mouse was released (0 outside).
    kControlEvent = 14,
    kOSEvent = 15,
    kHighLevelEvent = 23
};

// Event masks: one bit per kind.
constexpr uint16_t kEveryEventMask = 0xFFFF;
constexpr uint16_t kHighLevelEventMask = 0x0400;
inline constexpr uint16_t MaskForKind(uint16_t kind)
{
    // High-level events have their own bit; the kinds above it have none to spare.
    return kind == kHighLevelEvent ? kHighLevelEventMask : static_cast<uint16_t>(1u << (kind & 15));
}

// The modifier word.
enum EModifierBits : uint16_t
{
    kActiveFlag = 0x0001,  // activate events: 1 = activate, 0 = deactivate
    kButtonState = 0x0080, // set while the mouse button is up
    kCmdKey = 0x0100,      // Ctrl here: menu shortcuts are Ctrl+key on this desktop
    kShiftKey = 0x0200,
    kAlphaLock = 0x0400,
    kOptionKey = 0x0800, // Alt
    kControlKey = 0x1000 // set on a right-button press: the context-menu click
};

// OS events: the message's high byte.
constexpr uint32_t kSuspendResumeMessage = 0x01;
constexpr uint32_t kMouseMovedMessage = 0xFA;
constexpr uint32_t kResumeFlag = 0x01;

// High-level events: class in the message, id in the record's mHighLevelID.
constexpr uint32_t FourChar(const char (&code)[5])
{
    return (static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8) |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3]));
}
constexpr uint32_t kCoreEventClass = FourChar("aevt");
constexpr uint32_t kAEOpenApplication = FourChar("oapp");
constexpr uint32_t kAEOpenDocuments = FourChar("odoc");
constexpr uint32_t kAEQuitApplication = FourChar("quit");
constexpr uint32_t kAEPrintDocuments = FourChar("pdoc");

// The synthetic key message of a modifier key pressed or released alone.
constexpr uint32_t kModifierOnlyKeyMessage = 0xF000;

struct SEventRecord
{
    uint16_t mWhat = kNullEvent;
    // Keys: character code in bits 0-7, key code in bits 8-15. Update, activate and
    // close events: unused (the window is mWindow). OS events: the kind in bits 24-31.
    uint32_t mMessage = 0;
    uint32_t mWhen = 0;  // ticks (1/60 s) of the platform clock
    int16_t mWhereH = 0; // global position of the pointer
    int16_t mWhereV = 0;
    uint16_t mModifiers = 0;

    CNativeWindow* mWindow = nullptr;
    // Mouse events: the button (1 left, 2 middle, 3 right).
    uint8_t mButton = 0;
    // High-level events.
    uint32_t mHighLevelID = 0;
    std::vector<std::string> mFiles;
    // Disk events: the name of the volume that arrived (empty when it could not be told).
    std::string mVolumeName;
    // Motion events: the pointer's movement since the previous one.
    int16_t mDeltaH = 0;
    int16_t mDeltaV = 0;
    // Control events.
    CNativeControl* mControl = nullptr;
    int16_t mPart = 0;
};

} // namespace NSPlatform
