#include "framework/application/CMenu.h"

#include "framework/application/CMenuWindowAccess.h"
#include "framework/files/XBase.h"
#include "framework/graphics/CGraphicManager.h"
#include "framework/text/StringResources.h"
#include "framework/text/StringUtilities.h"
#include "platform/display/CNativeMenu.h"
#include "platform/display/CNativeMenuBar.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace NSWayfarer
{

CLinkedListTemplate<CMenu*> CMenu::gMenuList;

namespace
{

// Submenus that name an ancestor are searched no deeper than this.
constexpr int kMaxDepth = 8;

// Menu ids the search marks: every id a live menu may have been given.
constexpr unsigned short kLastMarkedMenuID = 10127;

const char* const kDummyMenuName = "Dummy menu name";
const char* const kDummyItemName = "Dummy item name";

// The text from `from` up to the first of stops (or the end), with at most max characters.
std::string TextUpTo(const char* from, const char* stops, size_t max)
{
    const size_t length = std::strcspn(from, stops);
    return std::string(from, length < max ? length : max);
}

// The character after the first `marker` in item, 0 when there is none.
char CharacterAfter(const std::string& item, char marker)
{
    const size_t at = item.find(marker);
    return at != std::string::npos && at + 1 < item.size() ? item[at + 1] : 0;
}

// The number after the first `marker` in item; false when there is none.
bool NumberAfter(const std::string& item, char marker, long* value)
{
    const size_t at = item.find(marker);
    return at != std::string::npos && StringToLong(item.c_str() + at + 1, value);
}

std::vector<std::string> SplitItems(const char* script)
{
    std::vector<std::string> items;
    std::string current;
    for (const char* c = script;; ++c)
    {
        if (*c == ';' || *c == 0)
        {
            const size_t start = current.find_first_not_of(' ');
            items.push_back(start == std::string::npos ? std::string() : current.substr(start));
            current.clear();
            if (*c == 0)
                break;
        }
        else
        {
            current += *c;
        }
    }
    return items;
}

void SyncDrawingPort()
{
    if (CGraphicManager::gGraphicMgr)
        CGraphicManager::gGraphicMgr->MacSyncSuperPort();
}

} // namespace

CMenu::CMenu()
{
    Create(kDummyMenuName);
}

CMenu::CMenu(const char* title, unsigned long helpID, char navigationKey)
    : fHelpID(helpID), fNavigationKey(navigationKey)
{
    Create(title ? title : "");
}

CMenu::CMenu(long scriptID)
{
    std::string script(static_cast<size_t>(kMaxScriptLength) + 1, '\0');
    GetMenuScriptString(scriptID, script.data(), kMaxScriptLength);
    char title[256];
    ExtractMenuTitleFromScript(script.c_str(), title, sizeof title);
    Create(title);
    try
    {
        AddItemsFromScript(script.c_str());
    }
    catch (...)
    {
        Dispose();
        throw;
    }
}

CMenu::~CMenu()
{
    Dispose();
}

void CMenu::Create(const char* title)
{
    const unsigned short id = MacFindUnusedMenuID();
    // At most 255 characters cross to the window system.
    fMenuHandle = new NSPlatform::CNativeMenu(id, TextUpTo(title, "", 255));
    fOwnsMenuHandle = true;
    try
    {
        NSPlatform::CNativeMenuBar::InsertHierarchicalMenu(fMenuHandle);
        gMenuList.TailInsert(this);
    }
    catch (...)
    {
        Dispose();
        throw;
    }
}

void CMenu::Dispose()
{
    unsigned long at = 0;
    if (gMenuList.FindIndex(this, &at))
        gMenuList.RemoveAtIndex(at);
    if (fMenuHandle)
    {
        if (fOwnsMenuHandle)
        {
            if (NSPlatform::CNativeMenuBar::GetMenu(fMenuHandle->GetID()) == fMenuHandle)
                NSPlatform::CNativeMenuBar::DeleteMenu(fMenuHandle->GetID());
            delete fMenuHandle;
        }
        fMenuHandle = nullptr;
    }
    while (!fItemInfoList.IsEmpty())
        delete fItemInfoList.HeadRemove();
    SyncDrawingPort();
}

void CMenu::MacReplaceMenuHandle(NSPlatform::CNativeMenu* handle, bool owned)
{
    if (fMenuHandle && fOwnsMenuHandle)
    {
        if (NSPlatform::CNativeMenuBar::GetMenu(fMenuHandle->GetID()) == fMenuHandle)
            NSPlatform::CNativeMenuBar::DeleteMenu(fMenuHandle->GetID());
        delete fMenuHandle;
    }
    fMenuHandle = handle;
    fOwnsMenuHandle = owned;
}

void CMenu::ExtractMenuTitleFromScript(const char* script, char* title, long titleSize)
{
    const std::vector<std::string> items = SplitItems(script);
    const std::string& first = items.front();
    const std::string text = TextUpTo(first.c_str(), "?;~", static_cast<size_t>(titleSize - 1));
    std::memcpy(title, text.c_str(), text.size() + 1);
    long help = 0;
    if (NumberAfter(first, '?', &help))
        fHelpID = static_cast<unsigned long>(help);
    fNavigationKey = CharacterAfter(first, '~');
}

void CMenu::AddItemsFromScript(const char* script)
{
    const std::vector<std::string> items = SplitItems(script);
    for (size_t i = 1; i < items.size(); ++i)
    {
        const std::string& item = items[i];
        CMenuItemInfo info;
        const std::string text = TextUpTo(item.c_str(), "#=?~", CMenuItemInfo::kMaxNameLength);
        if (text == "-")
        {
            info.fItemType = CMenuItemInfo::kTypeDivider;
            AppendItem(&info);
            continue;
        }
        info.SetName(text.c_str());
        info.fDisabledFlag = true;
        info.fShortCutKey = CharacterAfter(item, '#');
        long number = 0;
        if (NumberAfter(item, '=', &number))
            info.fCommandID = static_cast<uint32_t>(number);
        if (NumberAfter(item, '?', &number))
            info.fHelpID = static_cast<int32_t>(number);
        info.fNavigationKey = CharacterAfter(item, '~');
        AppendItem(&info);
    }
}

void CMenu::ResetAllItems()
{
    ResetItems(0);
}

void CMenu::ResetItems(int depth)
{
    const unsigned short count = CountItems();
    for (unsigned short i = 0; i < count; ++i)
    {
        EnableItem(i, false);
        CheckItem(i, false);
        CMenu* sub = GetSubMenu(i);
        if (sub && depth < kMaxDepth)
            sub->ResetItems(depth + 1);
    }
    DeleteAllAutoDeleteItems();
}

void CMenu::Copy(const CMenu* other)
{
    if (!other || other == this)
        return;
    fHelpID = other->fHelpID;
    fNavigationKey = other->fNavigationKey;
    DeleteAllItems();
    for (CMenuItemInfo* info : other->fItemInfoList)
        AppendItem(info);
}

unsigned short CMenu::CountItems() const
{
    return static_cast<unsigned short>(fItemInfoList.CountItems());
}

CMenuItemInfo* CMenu::ItemAt(unsigned short index) const
{
    return fItemInfoList.GetAtIndex(index);
}

void CMenu::AppendItem(const CMenuItemInfo* info)
{
    InsertItem(CountItems(), info);
}

void CMenu::AppendItem(const char* name, unsigned long commandID)
{
    CMenuItemInfo info;
    info.SetName(name);
    info.fCommandID = static_cast<uint32_t>(commandID);
    AppendItem(&info);
}

void CMenu::AppendItem(const char* name, unsigned long helpID, unsigned long commandID)
{
    CMenuItemInfo info;
    info.SetName(name);
    info.fHelpID = static_cast<int32_t>(helpID);
    info.fCommandID = static_cast<uint32_t>(commandID);
    AppendItem(&info);
}

void CMenu::InsertItem(unsigned short index, const CMenuItemInfo* info)
{
    if (!info || !fMenuHandle)
        throw XInternalError();
    // The room an item needs, asked for before anything changes.
    std::make_unique<char[]>(1000);
    auto copy = std::make_unique<CMenuItemInfo>(*info);
    fItemInfoList.InsertAtIndex(index, copy.get());
    copy.release();
    fMenuHandle->InsertItem(index, kDummyItemName);
    MacSetItemInfo(index, info);
}

void CMenu::GetItemInfo(unsigned short index, CMenuItemInfo* info) const
{
    *info = *ItemAt(index);
}

void CMenu::SetItemInfo(unsigned short index, const CMenuItemInfo* info)
{
    CMenuItemInfo* stored = ItemAt(index);
    MacSetItemInfo(index, info);
    *stored = *info;
}

void CMenu::MacSetItemInfo(unsigned short index, const CMenuItemInfo* info)
{
    if (!fMenuHandle)
        return;
    const int item = index + 1;
    std::string text;
    if (info->fItemType == CMenuItemInfo::kTypeDivider)
        text = NSPlatform::CNativeMenu::kDividerText;
    else
    {
        text = info->fName;
        // The window system would draw a divider for a leading hyphen.
        if (!text.empty() && text[0] == '-')
            text.insert(text.begin(), '\0');
    }
    fMenuHandle->SetItemText(item, text);
    if (info->fItemType == CMenuItemInfo::kTypeSubMenu)
    {
        if (info->fSubMenu)
        {
            fMenuHandle->SetItemCommand(item, NSPlatform::CNativeMenu::kHierarchicalCommand);
            fMenuHandle->SetItemMark(item, info->fSubMenu->MacGetMenuID());
        }
        else
        {
            fMenuHandle->SetItemCommand(item, 0);
            fMenuHandle->SetItemMark(item, 0);
        }
    }
    else
    {
        fMenuHandle->SetItemMark(item,
                                 info->fCheckedFlag ? NSPlatform::CNativeMenu::kCheckMark : 0);
        fMenuHandle->SetItemCommand(item, static_cast<uint8_t>(info->fShortCutKey));
    }
    fMenuHandle->SetItemEnabled(item, !info->fDisabledFlag);
}

void CMenu::EnableItem(unsigned short index, bool enable)
{
    CMenuItemInfo info = *ItemAt(index);
    if (info.fDisabledFlag == !enable)
        return;
    info.fDisabledFlag = !enable;
    SetItemInfo(index, &info);
}

void CMenu::CheckItem(unsigned short index, bool check)
{
    CMenuItemInfo info = *ItemAt(index);
    if (info.fItemType != CMenuItemInfo::kTypeString || info.fCheckedFlag == check)
        return;
    info.fCheckedFlag = check;
    SetItemInfo(index, &info);
}

void CMenu::DeleteItem(unsigned short index)
{
    CMenuItemInfo* info = ItemAt(index);
    fItemInfoList.RemoveAtIndex(index);
    delete info;
    if (fMenuHandle)
        fMenuHandle->DeleteItem(index + 1);
}

void CMenu::DeleteAllItems()
{
    for (unsigned short count = CountItems(); count > 0; --count)
        DeleteItem(static_cast<unsigned short>(count - 1));
}

void CMenu::DeleteItemRange(unsigned long first, unsigned long count)
{
    // Command identifiers are 32 bits; a range running past the last one ends there
    // instead of wrapping round to the small identifiers.
    const uint64_t start = static_cast<uint32_t>(first);
    const uint64_t end = start + static_cast<uint32_t>(count);
    for (unsigned short i = CountItems(); i > 0; --i)
    {
        const uint64_t command = ItemAt(static_cast<unsigned short>(i - 1))->fCommandID;
        if (command >= start && command < end)
            DeleteItem(static_cast<unsigned short>(i - 1));
    }
}

void CMenu::DeleteAllAutoDeleteItems()
{
    for (unsigned short i = CountItems(); i > 0; --i)
    {
        if (ItemAt(static_cast<unsigned short>(i - 1))->fAutoDeleteFlag)
            DeleteItem(static_cast<unsigned short>(i - 1));
    }
}

unsigned long CMenu::GetCommandID(unsigned short index) const
{
    return ItemAt(index)->fCommandID;
}

void CMenu::SetCommandID(unsigned short index, unsigned long commandID)
{
    ItemAt(index)->fCommandID = static_cast<uint32_t>(commandID);
}

CMenu* CMenu::GetSubMenu(unsigned short index) const
{
    const CMenuItemInfo* info = ItemAt(index);
    return info->fItemType == CMenuItemInfo::kTypeSubMenu ? info->fSubMenu : nullptr;
}

void CMenu::SetSubMenu(unsigned short index, CMenu* subMenu)
{
    CMenuItemInfo info = *ItemAt(index);
    info.fItemType = CMenuItemInfo::kTypeSubMenu;
    info.fSubMenu = subMenu;
    SetItemInfo(index, &info);
}

void CMenu::UncheckAllItems()
{
    const unsigned short count = CountItems();
    for (unsigned short i = 0; i < count; ++i)
        CheckItem(i, false);
}

bool CMenu::CommandIDToMenu(unsigned long commandID, CMenu** menu, unsigned short* index)
{
    return FindCommand(commandID, menu, index, 0);
}

bool CMenu::FindCommand(unsigned long commandID, CMenu** menu, unsigned short* index, int depth)
{
    const unsigned short count = CountItems();
    for (unsigned short i = 0; i < count; ++i)
    {
        if (ItemAt(i)->fCommandID == static_cast<uint32_t>(commandID))
        {
            *menu = this;
            *index = i;
            return true;
        }
    }
    if (depth >= kMaxDepth)
        return false;
    for (unsigned short i = 0; i < count; ++i)
    {
        CMenu* sub = GetSubMenu(i);
        if (sub && sub->FindCommand(commandID, menu, index, depth + 1))
            return true;
    }
    return false;
}

bool CMenu::SetMenuItemEnable(unsigned long commandID, bool enable)
{
    CMenu* menu = nullptr;
    unsigned short index = 0;
    if (!CommandIDToMenu(commandID, &menu, &index))
        return false;
    menu->EnableItem(index, enable);
    return true;
}

bool CMenu::SetMenuItemCheck(unsigned long commandID, bool check)
{
    CMenu* menu = nullptr;
    unsigned short index = 0;
    if (!CommandIDToMenu(commandID, &menu, &index))
        return false;
    menu->CheckItem(index, check);
    return true;
}

void CMenu::LimitItemString(const char* in, char* out)
{
    const size_t length = in ? std::strlen(in) : 0;
    if (length <= static_cast<size_t>(CMenuItemInfo::kMaxNameLength))
    {
        std::memcpy(out, in ? in : "", length + 1);
        return;
    }
    std::memcpy(out, in, 61);
    std::memcpy(out + 61, "...", 4);
}

bool CMenu::InsertWindowList(unsigned short index, unsigned long helpID)
{
    CMenuWindowAccess* windows = CMenuWindowAccess::Get();
    if (!windows)
        return false;
    CABCWindow* selected = windows->GetSelected();
    unsigned short inserted = 0;
    const unsigned short count = windows->CountWindows();
    for (unsigned short n = 0; n < count && n < kMaxWindowListItems; ++n)
    {
        CABCWindow* window = windows->GetEnumWindow(n);
        if (!window || !windows->IsShown(window) || !windows->WantsToBeOnWindowsMenu(window))
            continue;
        char title[256] = {};
        windows->GetTitle(window, title);
        title[255] = 0;
        if (title[0] == 0)
            continue;
        CMenuItemInfo info;
        LimitItemString(title, info.fName);
        info.fCheckedFlag = window == selected;
        info.fAutoDeleteFlag = true;
        info.fCommandID = kWindowListCommandBase + n;
        info.fHelpID = static_cast<int32_t>(helpID);
        InsertItem(static_cast<unsigned short>(index + inserted), &info);
        ++inserted;
    }
    return inserted > 0;
}

bool CMenu::InsertDividerAndWindowList(unsigned short index, unsigned long helpID)
{
    if (!InsertWindowList(index, helpID))
        return false;
    CMenuItemInfo divider;
    divider.fItemType = CMenuItemInfo::kTypeDivider;
    divider.fAutoDeleteFlag = true;
    InsertItem(index, &divider);
    return true;
}

void CMenu::InsertMenuContents(unsigned short index, const CMenu* source, bool autoDelete)
{
    if (!source)
        return;
    // A copy of the source's records first: inserting into the source itself must
    // not walk the items it is adding.
    std::vector<CMenuItemInfo> items;
    for (CMenuItemInfo* info : source->fItemInfoList)
        items.push_back(*info);
    for (CMenuItemInfo& info : items)
    {
        if (autoDelete)
            info.fAutoDeleteFlag = true;
        InsertItem(index++, &info);
    }
}

bool CMenu::DoContextMenu(CABCWindow* window, short h, short v, unsigned short* index, CMenu** menu)
{
    *menu = nullptr;
    *index = kNoItemChosen;
    if (CountItems() == 0 || !fMenuHandle)
        return false;
    CMenuWindowAccess* windows = CMenuWindowAccess::Get();
    NSPlatform::CNativeWindow* over =
        window && windows ? windows->GetNativeWindow(window) : nullptr;
    const uint32_t selection = fMenuHandle->PopUpSelect(h, v, over);
    if (window && windows)
        windows->ReleaseMouseButton(window);
    const unsigned short id = static_cast<unsigned short>(selection >> 16);
    const unsigned short item = static_cast<unsigned short>(selection & 0xFFFF);
    CMenu* found = nullptr;
    if (id == 0 || item == 0 || !MacFindMenuFromMenuID(id, &found))
        return false;
    *index = static_cast<unsigned short>(item - 1);
    *menu = found;
    return true;
}

unsigned short CMenu::MacGetMenuID() const
{
    return fMenuHandle ? fMenuHandle->GetID() : 0;
}

bool CMenu::MacFindMenuFromMenuID(unsigned short id, CMenu** menu)
{
    return FindMenu(id, menu, 0);
}

bool CMenu::FindMenu(unsigned short id, CMenu** menu, int depth)
{
    if (MacGetMenuID() == id)
    {
        *menu = this;
        return true;
    }
    if (depth >= kMaxDepth)
        return false;
    const unsigned short count = CountItems();
    for (unsigned short i = 0; i < count; ++i)
    {
        const CMenuItemInfo* info = ItemAt(i);
        if (info->fDisabledFlag || info->fItemType != CMenuItemInfo::kTypeSubMenu ||
            !info->fSubMenu)
            continue;
        if (info->fSubMenu->FindMenu(id, menu, depth + 1))
            return true;
    }
    return false;
}

unsigned short CMenu::MacFindUnusedMenuID()
{
    std::vector<bool> taken(kLastMarkedMenuID + 1, false);
    for (CMenu* menu : gMenuList)
    {
        const unsigned short id = menu->MacGetMenuID();
        if (id >= kFirstMenuID && id <= kLastMarkedMenuID)
            taken[id] = true;
    }
    for (unsigned short id = kFirstMenuID; id <= kLastMenuID; ++id)
    {
        if (!taken[id])
            return id;
    }
    return kFirstMenuID;
}

} // namespace NSWayfarer
