#include "framework/windows/CMacDialogImage.h"

#include "framework/files/XBase.h"

#include <algorithm>
#include <cstring>

namespace NSWayfarer
{

namespace
{

// Numeric fields of dialog descriptions come in host order.
short HostShort(const unsigned char* p)
{
    int16_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

} // namespace

void CMacDialogImage::Unpack(const unsigned char* bytes, long size)
{
    if (bytes == nullptr || size < kFixedSize)
        throw XBadFormat();
    const long titleLength = bytes[20];
    if (size < kFixedSize + titleLength)
        throw XBadFormat();

    fRect = CGlobalRect(HostShort(bytes + 2), HostShort(bytes), HostShort(bytes + 6),
                        HostShort(bytes + 4));
    fProcID = HostShort(bytes + 8);
    fVisible = bytes[10] != 0;
    fGoAwayFlag = bytes[12] != 0;
    std::memcpy(&fRefCon, bytes + 14, sizeof fRefCon);
    fItemListID = HostShort(bytes + 18);
    const long kept = std::min<long>(titleLength, kMaxTitleLength);
    std::memcpy(fTitle, bytes + kFixedSize, static_cast<std::size_t>(kept));
    fTitle[kept] = 0;
}

} // namespace NSWayfarer
