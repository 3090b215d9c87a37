// One menu item as the framework describes it: kind, text, command identifier,
// shortcut and state. Copied by value into and out of menus.
#pragma once

#include <cstdint>

namespace NSWayfarer
{

class CMenu;

class CMenuItemInfo
{
public:
    enum EItemType
    {
        kTypeDivider = 0,
        kTypeString = 1,
        kTypeSubMenu = 2
    };

    // Item texts keep at most this many characters.
    static constexpr int kMaxNameLength = 64;

    CMenuItemInfo() { fName[0] = 0; }

    // The text, cut to kMaxNameLength characters (null: empty).
    void SetName(const char* name)
    {
        int i = 0;
        for (; name && name[i] != 0 && i < kMaxNameLength; ++i)
            fName[i] = name[i];
        fName[i] = 0;
    }

    EItemType fItemType = kTypeString;
    bool fDisabledFlag = false;
    bool fAutoDeleteFlag = false;
    uint32_t fCommandID = 0;
    char fName[kMaxNameLength + 1];
    int32_t fUserData = 0;
    char fShortCutKey = 0;
    char fNavigationKey = 0;
    int32_t fHelpID = 0;
    bool fCheckedFlag = false;
    CMenu* fSubMenu = nullptr; // not owned
};

} // namespace NSWayfarer
