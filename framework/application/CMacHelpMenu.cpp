#include "framework/application/CMacHelpMenu.h"

#include "framework/files/XBase.h"
#include "framework/text/StringResources.h"
#include "platform/display/CNativeMenu.h"
#include "platform/display/CNativeMenuBar.h"

#include <memory>
#include <string>

namespace NSWayfarer
{

CMacHelpMenu::CMacHelpMenu() : CMenu("Elp!", 0, 0)
{
    TakeSystemHelpMenu();
}

CMacHelpMenu::CMacHelpMenu(long scriptID) : CMenu("Elp!", 0, 0)
{
    TakeSystemHelpMenu();
    try
    {
        CMenuItemInfo divider;
        divider.fItemType = CMenuItemInfo::kTypeDivider;
        AppendItem(&divider);
        std::string script(static_cast<size_t>(kMaxScriptLength) + 1, '\0');
        GetMenuScriptString(scriptID, script.data(), kMaxScriptLength);
        AddItemsFromScript(script.c_str());
    }
    catch (...)
    {
        ForgetSystemHelpMenu();
        throw;
    }
}

CMacHelpMenu::~CMacHelpMenu()
{
    ForgetSystemHelpMenu();
}

void CMacHelpMenu::ForgetSystemHelpMenu()
{
    if (fMenuHandle)
    {
        // Our items leave the system's menu; the menu itself is not ours to dispose.
        while (fMenuHandle->CountItems() > fFirstOwnItemIndex)
            fMenuHandle->DeleteItem(fMenuHandle->CountItems());
        fMenuHandle = nullptr;
    }
}

void CMacHelpMenu::TakeSystemHelpMenu()
{
    SetOnMenuBar(true);
    int firstApplicationItem = 0;
    NSPlatform::CNativeMenu* system =
        NSPlatform::CNativeMenuBar::GetHelpMenu(&firstApplicationItem);
    if (!system || firstApplicationItem < 1)
        throw XBase();
    // A help menu made earlier may have left items behind.
    while (system->CountItems() >= firstApplicationItem)
        system->DeleteItem(system->CountItems());
    MacReplaceMenuHandle(system, false);
    fFirstOwnItemIndex = static_cast<unsigned short>(firstApplicationItem - 1);
    for (int item = 1; item < firstApplicationItem; ++item)
    {
        auto info = std::make_unique<CMenuItemInfo>();
        info->SetName(system->GetItemLabel(item).c_str());
        info->fCommandID = kSystemHelpMenuCommand;
        fItemInfoList.TailInsert(info.get());
        info.release();
    }
}

void CMacHelpMenu::ResetAllItems()
{
    const unsigned short count = CountItems();
    for (unsigned short i = fFirstOwnItemIndex; i < count; ++i)
        EnableItem(i, false);
}

} // namespace NSWayfarer
