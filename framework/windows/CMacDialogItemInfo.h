// One item of an item list ("DITL") decoded from the bytes the resource layer
// hands over; becomes a CDialogItemInfo.
#pragma once

#include "framework/windows/CDialogItemInfo.h"

namespace NSWayfarer
{

class CMacDialogItemInfo
{
public:
    // Reserved word, rectangle, type byte and data length.
    static constexpr long kFixedSize = 14;
    static constexpr unsigned char kDisabledBit = 0x80;

    // Decodes the item at bytes, of which `available` bytes belong to the
    // resource, as item number index + 1. Returns the item's size, pad byte
    // included (the pad of the last item may be missing: it is never read).
    // XBadFormat when the fixed fields or the data run past the available bytes.
    unsigned short Unpack(const unsigned char* bytes, long available, unsigned short index);

    // The item kind of a type byte (its disable bit ignored).
    static CDialogItemInfo::EType TypeFromByte(unsigned char typeByte);

    CDialogItemInfo* NewDialogItemInfo() const;

    CLocalRect fRect;
    CDialogItemInfo::EType fType = CDialogItemInfo::kUnknown;
    unsigned short fItemID = 0;
    bool fEnableFlag = true;
    char fString[CDialogItemInfo::kMaxStringLength + 1] = {};
    short fContentsResourceID = -1;
};

} // namespace NSWayfarer
