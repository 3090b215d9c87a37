#include "framework/windows/CDialogItemInfo.h"

#include <cstring>

namespace NSWayfarer
{

CDialogItemInfo::CDialogItemInfo(const CLocalRect& rect, EType type, unsigned short itemID,
                                 bool enabled, const char* text, short contentsResourceID)
    : CViewItemInfo(rect), fType(type), fItemID(itemID), fEnableFlag(enabled),
      fContentsResourceID(contentsResourceID)
{
    const std::size_t length = text == nullptr ? 0 : strnlen(text, kMaxStringLength);
    if (length > 0)
        std::memcpy(fString, text, length);
    fString[length] = 0;
}

} // namespace NSWayfarer
