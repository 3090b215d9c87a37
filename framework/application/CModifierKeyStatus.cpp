#include "framework/application/CModifierKeyStatus.h"

#include "platform/display/CDisplayPointer.h"

namespace NSWayfarer
{

CModifierKeyStatus::CModifierKeyStatus(short modifiers)
{
    const auto word = static_cast<uint16_t>(modifiers);
    // The platform reports one bit per key, so both sides of a key go together.
    fMacCapsLockKey = word & kCapsLockBit;
    fMacLeftShiftKey = fMacRightShiftKey = word & kShiftBit;
    fMacLeftControlKey = fMacRightControlKey = word & kControlBit;
    fMacAlternateKey = word & kOptionBit;
    fMacLeftCommandKey = fMacRightCommandKey = word & kCommandBit;
    fMacAltGraphicsKey = false;
}

CModifierKeyStatus CModifierKeyStatus::GetCurrentStatus()
{
    CModifierKeyStatus status(static_cast<short>(NSPlatform::CDisplayPointer::GetModifierWord()));
    status.fMacCapsLockKey = false;
    return status;
}

} // namespace NSWayfarer
