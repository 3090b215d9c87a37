#include "framework/windows/CMacDialogItemInfo.h"

#include "framework/files/XBase.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace NSWayfarer
{

namespace
{

// Numeric fields of item lists come in host order.
short HostShort(const unsigned char* p)
{
    int16_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

} // namespace

CDialogItemInfo::EType CMacDialogItemInfo::TypeFromByte(unsigned char typeByte)
{
    const unsigned kind = typeByte & 0x7Fu;
    if (kind == 0)
        return CDialogItemInfo::kUserItem;
    if (kind & 64u)
        return CDialogItemInfo::kPicture;
    if (kind & 32u)
        return CDialogItemInfo::kIcon;
    if (kind & 16u)
        return CDialogItemInfo::kEditText;
    if (kind & 8u)
        return CDialogItemInfo::kStaticText;
    switch (kind & 7u)
    {
    case 4:
        return CDialogItemInfo::kPushButton;
    case 5:
        return CDialogItemInfo::kCheckBox;
    case 6:
        return CDialogItemInfo::kRadioButton;
    default:
        return CDialogItemInfo::kUnknown;
    }
}

unsigned short CMacDialogItemInfo::Unpack(const unsigned char* bytes, long available,
                                          unsigned short index)
{
    if (bytes == nullptr || available < kFixedSize)
        throw XBadFormat();
    const long length = bytes[13];
    if (available < kFixedSize + length)
        throw XBadFormat();

    fRect = CLocalRect(HostShort(bytes + 6), HostShort(bytes + 4), HostShort(bytes + 10),
                       HostShort(bytes + 8));
    fType = TypeFromByte(bytes[12]);
    fEnableFlag = (bytes[12] & kDisabledBit) == 0;
    fItemID = static_cast<unsigned short>(index + 1);
    fString[0] = 0;
    fContentsResourceID = -1;

    const unsigned char* data = bytes + kFixedSize;
    switch (fType)
    {
    case CDialogItemInfo::kPushButton:
    case CDialogItemInfo::kRadioButton:
    case CDialogItemInfo::kCheckBox:
    case CDialogItemInfo::kStaticText:
    case CDialogItemInfo::kEditText:
    {
        // A zero byte inside the text ends it, as it would anywhere else.
        const long kept = std::min<long>(length, CDialogItemInfo::kMaxStringLength);
        std::memcpy(fString, data, static_cast<std::size_t>(kept));
        fString[kept] = 0;
        break;
    }
    case CDialogItemInfo::kPicture:
    case CDialogItemInfo::kIcon:
        if (length >= 2)
            fContentsResourceID = HostShort(data);
        break;
    default:
        break;
    }
    return static_cast<unsigned short>(kFixedSize + length + (length & 1));
}

CDialogItemInfo* CMacDialogItemInfo::NewDialogItemInfo() const
{
    return new CDialogItemInfo(fRect, fType, fItemID, fEnableFlag, fString, fContentsResourceID);
}

} // namespace NSWayfarer
