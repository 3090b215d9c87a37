// A dialog description ("DLOG") decoded from the bytes the resource layer hands
// over: the client rectangle, the window's flags, the item list's id and the title.
#pragma once

#include "framework/graphics/CGlobalRect.h"

#include <cstdint>

namespace NSWayfarer
{

class CMacDialogImage
{
public:
    // The fixed fields before the title's characters.
    static constexpr long kFixedSize = 21;
    static constexpr int kMaxTitleLength = 128;

    // XBadFormat for a record shorter than its fixed fields or than the title
    // its length byte announces; a longer title keeps its first 128 characters.
    void Unpack(const unsigned char* bytes, long size);

    CGlobalRect fRect;
    short fProcID = 0;
    bool fVisible = false;
    bool fGoAwayFlag = false;
    int32_t fRefCon = 0;
    short fItemListID = 0;
    char fTitle[kMaxTitleLength + 1] = {};
};

} // namespace NSWayfarer
