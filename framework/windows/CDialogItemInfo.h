// One item of a dialog layout: where it goes, what kind of view it becomes and
// the text or resource id that view starts with.
#pragma once

#include "framework/windows/CViewItemInfo.h"

namespace NSWayfarer
{

class CDialogItemInfo : public CViewItemInfo
{
public:
    enum EType
    {
        kUnknown = 0,
        kPushButton = 1,
        kRadioButton = 2,
        kPopupButton = 3,
        kGroupBox = 4,
        kCheckBox = 5,
        kStaticText = 6,
        kEditText = 7,
        kFader = 8,
        kPicture = 9,
        kIcon = 10,
        kScrollBar = 11,
        kUserItem = 12
    };

    static constexpr int kMaxStringLength = 240;

    // A null text is an empty one; a longer text keeps its first 240 characters.
    CDialogItemInfo(const CLocalRect& rect, EType type, unsigned short itemID, bool enabled,
                    const char* text, short contentsResourceID);

    EType fType;
    unsigned short fItemID; // 1-based, in list order
    bool fEnableFlag;
    char fString[kMaxStringLength + 1];
    short fContentsResourceID; // picture or icon; -1 when none
};

} // namespace NSWayfarer
