#include "framework/application/CMacAppleMenu.h"

#include "framework/application/CLowLevelApplication.h"
#include "framework/text/StringResources.h"
#include "platform/display/CNativeMenu.h"
#include "platform/display/CNativeMenuBar.h"

#include <memory>

namespace NSWayfarer
{

namespace
{

const char kAppleMenuTitle[] = {NSPlatform::CNativeMenu::kApplicationMenuTitle, 0};

} // namespace

CMacAppleMenu::CMacAppleMenu(long aboutStringID, unsigned long aboutCommandID)
    : CMenu(kAppleMenuTitle, 0, 0)
{
    if (CLowLevelApplication* application = CLowLevelApplication::Get())
    {
        char name[CLowLevelApplication::kMaxNameLength + 1] = {};
        application->GetName(name);
        NSPlatform::CNativeMenuBar::SetApplicationName(name);
    }

    CMenuItemInfo about;
    char text[CMenuItemInfo::kMaxNameLength + 1] = {};
    GetMaxedResourceString(aboutStringID, text, CMenuItemInfo::kMaxNameLength);
    about.SetName(text);
    about.fCommandID = static_cast<uint32_t>(aboutCommandID);
    InsertItem(0, &about);

    // The system's own item after About, recorded without adding it again.
    auto divider = std::make_unique<CMenuItemInfo>();
    divider->fItemType = CMenuItemInfo::kTypeDivider;
    fItemInfoList.InsertAtIndex(1, divider.get());
    divider.release();

    const int platformCount = fMenuHandle->CountItems();
    for (int index = 2; index < platformCount; ++index)
    {
        auto system = std::make_unique<CMenuItemInfo>();
        system->SetName(fMenuHandle->GetItemLabel(index + 1).c_str());
        system->fCommandID = kSystemAppleMenuCommand;
        system->fShortCutKey = static_cast<char>(fMenuHandle->GetItemCommand(index + 1));
        fItemInfoList.TailInsert(system.get());
        system.release();
    }
}

void CMacAppleMenu::ResetAllItems()
{
    const unsigned short count = CountItems();
    for (unsigned short i = 0; i < count; ++i)
    {
        CMenuItemInfo info;
        GetItemInfo(i, &info);
        if (info.fItemType != CMenuItemInfo::kTypeDivider &&
            info.fCommandID != kSystemAppleMenuCommand)
            EnableItem(i, false);
    }
}

void CMacAppleMenu::HandleSystemMenus(long selection)
{
    NSPlatform::CNativeMenuBar::HandleSystemItem(static_cast<uint32_t>(selection));
}

} // namespace NSWayfarer
