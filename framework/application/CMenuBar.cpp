#include "framework/application/CMenuBar.h"

#include "framework/application/CApplication.h"
#include "framework/application/CMacAppleMenu.h"
#include "framework/application/CMacHelp.h"
#include "framework/application/CMenu.h"
#include "framework/application/CMenuItemInfo.h"
#include "framework/application/CMenuWindowAccess.h"
#include "framework/graphics/CGraphicManager.h"
#include "framework/text/StringResources.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeMenu.h"
#include "platform/display/CNativeMenuBar.h"

namespace NSWayfarer
{

namespace
{

// The bar whose menus the window system opens (the last one made).
CMenuBar* gOpeningBar = nullptr;

void SetMenusEnabled(const CMenuBar::TMenuList& menus, bool enabled)
{
    for (CMenu* menu : menus)
    {
        if (NSPlatform::CNativeMenu* handle = menu->MacGetMenuHandle())
            handle->SetEnabled(enabled);
    }
    NSPlatform::CNativeMenuBar::DrawMenuBar();
}

} // namespace

CMenuBar::CMenuBar()
{
    gOpeningBar = this;
    NSPlatform::CNativeMenuBar::SetMenuOpeningHook(
        []
        {
            if (gOpeningBar)
                gOpeningBar->MenuAboutToOpen();
        });
}

CMenuBar::~CMenuBar()
{
    if (gOpeningBar == this)
    {
        gOpeningBar = nullptr;
        NSPlatform::CNativeMenuBar::SetMenuOpeningHook(nullptr);
    }
    fMenuList.RemoveAll();
}

void CMenuBar::SyncDrawingPort(bool detach)
{
    if (!CGraphicManager::gGraphicMgr)
        return;
    if (detach)
        CGraphicManager::gGraphicMgr->MacSetNoSuperPort();
    else
        CGraphicManager::gGraphicMgr->MacSyncSuperPort();
}

void CMenuBar::Disable()
{
    SyncDrawingPort(true);
    if (fDisableCount == 0)
        SetMenusEnabled(fMenuList, false);
    ++fDisableCount;
    SyncDrawingPort(false);
}

void CMenuBar::Enable()
{
    // An Enable without its Disable would leave the count below zero, and the bar
    // disabled for good while its menus show enabled.
    if (fDisableCount <= 0)
        return;
    SyncDrawingPort(true);
    --fDisableCount;
    if (fDisableCount == 0)
        SetMenusEnabled(fMenuList, true);
    SyncDrawingPort(false);
}

void CMenuBar::AppendMenu(CMenu* menu)
{
    if (!menu)
        return;
    if (!menu->IsOnMenuBar())
    {
        NSPlatform::CNativeMenuBar::InsertMenu(menu->MacGetMenuHandle());
        menu->SetOnMenuBar(true);
    }
    // A disabled bar shows its menus disabled, the new one too.
    if (NSPlatform::CNativeMenu* handle = menu->MacGetMenuHandle())
    {
        handle->SetEnabled(IsEnabled());
        NSPlatform::CNativeMenuBar::DrawMenuBar();
    }
    fMenuList.TailInsert(menu);
}

void CMenuBar::ResetAllMenuItems()
{
    for (CMenu* menu : fMenuList)
        menu->ResetAllItems();
}

void CMenuBar::MenuAboutToOpen()
{
    if (!IsEnabled())
        return;
    ResetAllMenuItems();
    if (fSetupHandler)
        fSetupHandler(this);
    else if (CApplication* application = CApplication::Get())
        application->SetupMenus(this);
}

bool CMenuBar::CommandIDToMenu(unsigned long commandID, CMenu** menu, unsigned short* index)
{
    for (CMenu* candidate : fMenuList)
    {
        if (candidate->CommandIDToMenu(commandID, menu, index))
            return true;
    }
    return false;
}

void CMenuBar::HandleMenuSelection(unsigned long commandID)
{
    const uint32_t command = static_cast<uint32_t>(commandID);
    if (command - CMenu::kWindowListCommandBase < CMenu::kMaxWindowListItems)
    {
        CMenuWindowAccess* windows = CMenuWindowAccess::Get();
        const auto n = static_cast<unsigned short>(command - CMenu::kWindowListCommandBase);
        if (windows && n < windows->CountWindows())
        {
            if (CABCWindow* window = windows->GetEnumWindow(n))
                windows->Select(window);
        }
        return;
    }
    if (command == CMenu::kSystemHelpMenuCommand)
    {
        try
        {
            CMacHelp::OpenPage("");
        }
        catch (...)
        {
            // No help book installed, or nothing to show it with.
            NSPlatform::CDisplay::Beep();
        }
    }
}

bool CMenuBar::SetMenuItemEnable(unsigned long commandID, bool enable)
{
    CMenu* menu = nullptr;
    unsigned short index = 0;
    if (!CommandIDToMenu(commandID, &menu, &index))
        return false;
    menu->EnableItem(index, enable);
    return true;
}

bool CMenuBar::SetMenuItem(unsigned long commandID, bool enable, bool check)
{
    CMenu* menu = nullptr;
    unsigned short index = 0;
    if (!CommandIDToMenu(commandID, &menu, &index))
        return false;
    menu->EnableItem(index, enable);
    menu->CheckItem(index, check);
    return true;
}

bool CMenuBar::SetMenuItem(unsigned long commandID, long nameStringID, bool enable, bool check)
{
    return SetMenuItemName(commandID, nameStringID) && SetMenuItem(commandID, enable, check);
}

bool CMenuBar::SetMenuItemName(unsigned long commandID, const char* name)
{
    CMenu* menu = nullptr;
    unsigned short index = 0;
    if (!CommandIDToMenu(commandID, &menu, &index))
        return false;
    CMenuItemInfo info;
    menu->GetItemInfo(index, &info);
    info.SetName(name);
    menu->SetItemInfo(index, &info);
    return true;
}

bool CMenuBar::SetMenuItemName(unsigned long commandID, long nameStringID)
{
    CMenu* menu = nullptr;
    unsigned short index = 0;
    if (!CommandIDToMenu(commandID, &menu, &index))
        return false;
    char name[CMenuItemInfo::kMaxNameLength + 1] = {};
    GetMaxedResourceString(nameStringID, name, CMenuItemInfo::kMaxNameLength);
    return SetMenuItemName(commandID, name);
}

bool CMenuBar::InsertMenuContents(unsigned long commandID, const CMenu* source, bool autoDelete)
{
    CMenu* menu = nullptr;
    unsigned short index = 0;
    if (!CommandIDToMenu(commandID, &menu, &index))
        return false;
    menu->InsertMenuContents(static_cast<unsigned short>(index + 1), source, autoDelete);
    return true;
}

void CMenuBar::AddMenuToList(CMenu* menu)
{
    fMenuList.TailInsert(menu);
}

void CMenuBar::RemoveMenuFromList(CMenu* menu)
{
    unsigned long at = 0;
    if (fMenuList.FindIndex(menu, &at))
        fMenuList.RemoveAtIndex(at);
}

unsigned long CMenuBar::MacMenuToCommandID(long selection)
{
    const auto id = static_cast<unsigned short>(static_cast<uint32_t>(selection) >> 16);
    const auto item = static_cast<unsigned short>(selection & 0xFFFF);
    if (id == 0)
        return 0;
    CMenu* menu = nullptr;
    if (!MacFindMenuFromMenuID(id, &menu))
        return 0;
    if (item == 0 || item > menu->CountItems())
        return 0;
    CMenuItemInfo info;
    menu->GetItemInfo(static_cast<unsigned short>(item - 1), &info);
    return info.fDisabledFlag ? 0 : info.fCommandID;
}

bool CMenuBar::MacFindMenuFromMenuID(unsigned short id, CMenu** menu)
{
    for (CMenu* candidate : fMenuList)
    {
        if (candidate->MacFindMenuFromMenuID(id, menu))
            return true;
    }
    return false;
}

CMacAppleMenu* CMenuBar::MacGetAppleMenu()
{
    return fMenuList.IsEmpty() ? nullptr : dynamic_cast<CMacAppleMenu*>(fMenuList.GetHead());
}

long CMenuBar::MacMenuKey(char c) const
{
    return static_cast<long>(NSPlatform::CNativeMenuBar::MenuKey(c));
}

} // namespace NSWayfarer
