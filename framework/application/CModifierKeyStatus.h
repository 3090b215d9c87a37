// Which modifier keys are down, in the framework's terms, from a platform modifier
// word (Ctrl is the command key here, Alt the alternate key).
#pragma once

#include <cstdint>

namespace NSWayfarer
{

class CModifierKeyStatus
{
public:
    // Bits of the platform modifier word.
    static constexpr uint16_t kCommandBit = 0x0100;
    static constexpr uint16_t kShiftBit = 0x0200;
    static constexpr uint16_t kCapsLockBit = 0x0400;
    static constexpr uint16_t kOptionBit = 0x0800;
    static constexpr uint16_t kControlBit = 0x1000;

    CModifierKeyStatus() = default;
    explicit CModifierKeyStatus(short modifiers);

    // The keyboard now; caps lock always reads false.
    static CModifierKeyStatus GetCurrentStatus();

    bool IsShiftKeyDown() const { return fMacLeftShiftKey || fMacRightShiftKey; }
    bool IsAlternateKeyDown() const { return fMacAlternateKey; }
    bool IsCapsLockKeyDown() const { return fMacCapsLockKey; }
    bool IsMenuShortcutKeyDown() const { return fMacLeftCommandKey || fMacRightCommandKey; }
    bool IsDragCopyKeyDown() const { return fMacAlternateKey; }

    bool MacIsCapsLockKeyDown() const { return fMacCapsLockKey; }
    bool MacIsShiftKeyDown() const { return IsShiftKeyDown(); }
    bool MacIsControlKeyDown() const { return fMacLeftControlKey || fMacRightControlKey; }
    bool MacIsCommandKeyDown() const { return IsMenuShortcutKeyDown(); }
    bool MacIsAlternateKeyDown() const { return fMacAlternateKey; }
    bool MacIsAltGraphicsKeyDown() const { return fMacAltGraphicsKey; }
    bool MacIsLeftShiftKeyDown() const { return fMacLeftShiftKey; }
    bool MacIsRightShiftKeyDown() const { return fMacRightShiftKey; }
    bool MacIsLeftControlKeyDown() const { return fMacLeftControlKey; }
    bool MacIsRightControlKeyDown() const { return fMacRightControlKey; }
    bool MacIsLeftCommandKeyDown() const { return fMacLeftCommandKey; }
    bool MacIsRightCommandKeyDown() const { return fMacRightCommandKey; }

    bool fMacCapsLockKey = false;
    bool fMacLeftShiftKey = false;
    bool fMacLeftControlKey = false;
    bool fMacAlternateKey = false;
    bool fMacLeftCommandKey = false;
    bool fMacRightCommandKey = false;
    bool fMacAltGraphicsKey = false;
    bool fMacRightControlKey = false;
    bool fMacRightShiftKey = false;
};

} // namespace NSWayfarer
