#include "platform/display/CNativeMenuBar.h"

#include "platform/display/CDisplay.h"
#include "platform/display/CNativeMenu.h"
#include "platform/display/CNativeWindow.h"
#include "platform/display/NativeMenuGtk.h"
#include "platform/display/NativeWindowGtk.h"

#include <glib.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace NSPlatform
{

namespace
{

constexpr int kMaxMenuDepth = 8;
const char* const kTitleMenuKey = "kelt-menu-title-id";

struct SWindowBar
{
    CNativeWindow* mWindow = nullptr;
    GtkWidget* mBar = nullptr;
    gulong mDestroyHandler = 0;
};

struct SBarState
{
    std::vector<CNativeMenu*> mBar;
    std::vector<CNativeMenu*> mHierarchical;
    std::unique_ptr<CNativeMenu> mHelpMenu;
    CNativeMenuBar::TOpeningHook mHook;
    bool mInHook = false;
    std::string mApplicationName;
    std::vector<SWindowBar> mWindows;
};

// Never destroyed: menus may outlive everything else at exit and still ask it.
SBarState& State()
{
    static SBarState* gState = new SBarState;
    return *gState;
}

void MarkAllMirrorsDirty()
{
    SBarState& state = State();
    for (auto* list : {&state.mBar, &state.mHierarchical})
        for (CNativeMenu* menu : *list)
            MarkMirrorsDirty(*menu);
}

std::vector<uint16_t> TitleIDs(GtkWidget* bar)
{
    std::vector<uint16_t> ids;
    GList* children = gtk_container_get_children(GTK_CONTAINER(bar));
    for (GList* node = children; node; node = node->next)
        ids.push_back(static_cast<uint16_t>(
            GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(node->data), kTitleMenuKey))));
    g_list_free(children);
    return ids;
}

GtkWidget* TitleItem(GtkWidget* bar, uint16_t id)
{
    GtkWidget* found = nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(bar));
    for (GList* node = children; node && !found; node = node->next)
    {
        if (GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(node->data), kTitleMenuKey)) == id)
            found = GTK_WIDGET(node->data);
    }
    g_list_free(children);
    return found;
}

void SyncWindowBar(SWindowBar& windowBar)
{
    const SBarState& state = State();
    std::vector<uint16_t> wanted;
    for (CNativeMenu* menu : state.mBar)
        wanted.push_back(menu->GetID());
    if (TitleIDs(windowBar.mBar) != wanted)
    {
        GList* children = gtk_container_get_children(GTK_CONTAINER(windowBar.mBar));
        for (GList* node = children; node; node = node->next)
            gtk_widget_destroy(GTK_WIDGET(node->data));
        g_list_free(children);
        for (CNativeMenu* menu : state.mBar)
        {
            GtkWidget* title = gtk_menu_item_new_with_label("");
            g_object_set_data(G_OBJECT(title), kTitleMenuKey, GUINT_TO_POINTER(menu->GetID()));
            gtk_menu_item_set_submenu(GTK_MENU_ITEM(title),
                                      NewMenuMirror(*menu, 0, windowBar.mWindow, nullptr));
            gtk_menu_shell_append(GTK_MENU_SHELL(windowBar.mBar), title);
            gtk_widget_show(title);
        }
    }
    for (CNativeMenu* menu : state.mBar)
    {
        GtkWidget* title = TitleItem(windowBar.mBar, menu->GetID());
        if (!title)
            continue;
        gchar* valid = g_utf8_make_valid(menu->GetShownTitle().c_str(), -1);
        const char* current = gtk_menu_item_get_label(GTK_MENU_ITEM(title));
        if (!current || g_strcmp0(current, valid) != 0)
            gtk_menu_item_set_label(GTK_MENU_ITEM(title), valid);
        g_free(valid);
        gtk_widget_set_sensitive(title, menu->IsEnabled());
    }
}

void SyncAllWindowBars()
{
    for (SWindowBar& windowBar : State().mWindows)
        SyncWindowBar(windowBar);
}

void OnWindowBarDestroy(GtkWidget* bar, gpointer)
{
    std::erase_if(State().mWindows, [bar](const SWindowBar& b) { return b.mBar == bar; });
}

SWindowBar* FindWindowBar(const CNativeWindow& window)
{
    for (SWindowBar& windowBar : State().mWindows)
    {
        if (windowBar.mWindow == &window)
            return &windowBar;
    }
    return nullptr;
}

bool ToGlobal(GtkWidget* widget, SDisplayRect* bounds)
{
    GdkWindow* window = gtk_widget_get_window(widget);
    if (!window || !gtk_widget_get_mapped(widget))
        return false;
    GtkAllocation allocation;
    gtk_widget_get_allocation(widget, &allocation);
    gint x = 0;
    gint y = 0;
    gdk_window_get_origin(window, &x, &y);
    x += allocation.x;
    y += allocation.y;
    *bounds = {x, y, x + allocation.width, y + allocation.height};
    return true;
}

uint32_t FindKey(const CNativeMenu& menu, char key, int depth)
{
    if (!menu.IsEnabled() || depth >= kMaxMenuDepth)
        return 0;
    const int wanted = std::tolower(static_cast<unsigned char>(key));
    for (int item = 1; item <= menu.CountItems(); ++item)
    {
        const uint8_t command = menu.GetItemCommand(item);
        if (command == CNativeMenu::kHierarchicalCommand)
        {
            if (!menu.IsItemEnabled(item))
                continue;
            if (CNativeMenu* sub = CNativeMenuBar::GetMenu(menu.GetItemSubMenuID(item)))
            {
                if (const uint32_t found = FindKey(*sub, key, depth + 1))
                    return found;
            }
            continue;
        }
        if (command != 0 && std::tolower(command) == wanted && menu.IsItemEnabled(item) &&
            !menu.IsItemDivider(item))
            return (static_cast<uint32_t>(menu.GetID()) << 16) | static_cast<uint32_t>(item);
    }
    return 0;
}

} // namespace

void NativeMenuTitleChanged(const CNativeMenu&)
{
    if (CDisplay::IsOpen())
        SyncAllWindowBars();
}

void RunMenuOpeningHook()
{
    SBarState& state = State();
    if (!state.mHook || state.mInHook)
        return;
    state.mInHook = true;
    // The one place where the framework runs inside a toolkit callback: nothing it
    // throws may cross the toolkit.
    try
    {
        CNativeMenuBar::TOpeningHook hook = state.mHook;
        hook();
    }
    catch (...)
    {
    }
    state.mInHook = false;
}

std::string ApplicationNameForMenus()
{
    const std::string& name = State().mApplicationName;
    if (!name.empty())
        return name;
    const char* program = g_get_prgname();
    return program ? program : "Application";
}

std::string SystemItemLabel(CNativeMenu::ESystemItem kind)
{
    switch (kind)
    {
    case CNativeMenu::kQuitItem:
        return "Quit " + ApplicationNameForMenus();
    case CNativeMenu::kHelpItem:
        return ApplicationNameForMenus() + " Help";
    case CNativeMenu::kNoSystemItem:
        break;
    }
    return {};
}

void CNativeMenuBar::InsertMenu(CNativeMenu* menu, uint16_t beforeID)
{
    if (!menu)
        return;
    SBarState& state = State();
    std::erase(state.mBar, menu);
    std::erase(state.mHierarchical, menu);
    auto at = std::find_if(state.mBar.begin(), state.mBar.end(),
                           [beforeID](CNativeMenu* m) { return m->GetID() == beforeID; });
    // The help menu stays last.
    if (at == state.mBar.end() && state.mHelpMenu && menu != state.mHelpMenu.get())
        at = std::find(state.mBar.begin(), state.mBar.end(), state.mHelpMenu.get());
    state.mBar.insert(at, menu);
    MarkAllMirrorsDirty();
    if (CDisplay::IsOpen())
        SyncAllWindowBars();
}

void CNativeMenuBar::InsertHierarchicalMenu(CNativeMenu* menu)
{
    if (!menu)
        return;
    SBarState& state = State();
    const bool wasOnBar = std::find(state.mBar.begin(), state.mBar.end(), menu) != state.mBar.end();
    std::erase(state.mBar, menu);
    std::erase(state.mHierarchical, menu);
    state.mHierarchical.push_back(menu);
    MarkAllMirrorsDirty();
    if (wasOnBar && CDisplay::IsOpen())
        SyncAllWindowBars();
}

void CNativeMenuBar::DeleteMenu(uint16_t id)
{
    SBarState& state = State();
    const auto matches = [id](CNativeMenu* m) { return m->GetID() == id; };
    const size_t removedFromBar = std::erase_if(state.mBar, matches);
    std::erase_if(state.mHierarchical, matches);
    MarkAllMirrorsDirty();
    if (removedFromBar && CDisplay::IsOpen())
        SyncAllWindowBars();
}

CNativeMenu* CNativeMenuBar::GetMenu(uint16_t id)
{
    const SBarState& state = State();
    for (const auto* list : {&state.mBar, &state.mHierarchical})
    {
        for (CNativeMenu* menu : *list)
        {
            if (menu->GetID() == id)
                return menu;
        }
    }
    return nullptr;
}

bool CNativeMenuBar::IsOnBar(uint16_t id)
{
    const auto& bar = State().mBar;
    return std::any_of(bar.begin(), bar.end(), [id](CNativeMenu* m) { return m->GetID() == id; });
}

std::vector<uint16_t> CNativeMenuBar::GetBarMenuIDs()
{
    std::vector<uint16_t> ids;
    for (CNativeMenu* menu : State().mBar)
        ids.push_back(menu->GetID());
    return ids;
}

void CNativeMenuBar::DrawMenuBar()
{
    if (CDisplay::IsOpen())
        SyncAllWindowBars();
}

uint32_t CNativeMenuBar::MenuKey(char c)
{
    if (c == 0)
        return 0;
    for (CNativeMenu* menu : State().mBar)
    {
        if (const uint32_t found = FindKey(*menu, c, 0))
            return found;
    }
    return 0;
}

void CNativeMenuBar::SetMenuOpeningHook(TOpeningHook hook)
{
    State().mHook = std::move(hook);
}

bool CNativeMenuBar::AttachToWindow(CNativeWindow& window)
{
    if (!CDisplay::IsOpen())
        return false;
    switch (window.GetKind())
    {
    case CNativeWindow::kDocument:
    case CNativeWindow::kDialog:
    case CNativeWindow::kFloating:
        break;
    case CNativeWindow::kModalDialog:
    case CNativeWindow::kModal:
    case CNativeWindow::kPlain:
    case CNativeWindow::kToolbar:
        return false;
    }
    if (FindWindowBar(window))
        return true;
    SWindowBar windowBar;
    windowBar.mWindow = &window;
    windowBar.mBar = gtk_menu_bar_new();
    // The window paints its own client area, not the toolkit's background: the bar
    // draws the theme's window background itself.
    gtk_style_context_add_class(gtk_widget_get_style_context(windowBar.mBar),
                                GTK_STYLE_CLASS_BACKGROUND);
    gtk_box_pack_start(NativeWindowMenuSlot(window), windowBar.mBar, FALSE, FALSE, 0);
    windowBar.mDestroyHandler =
        g_signal_connect(windowBar.mBar, "destroy", G_CALLBACK(OnWindowBarDestroy), nullptr);
    State().mWindows.push_back(windowBar);
    SyncWindowBar(State().mWindows.back());
    gtk_widget_show(windowBar.mBar);
    NativeWindowFrameChanged(window);
    return true;
}

void CNativeMenuBar::DetachFromWindow(CNativeWindow& window)
{
    SWindowBar* windowBar = FindWindowBar(window);
    if (!windowBar)
        return;
    GtkWidget* bar = windowBar->mBar;
    g_signal_handler_disconnect(bar, windowBar->mDestroyHandler);
    std::erase_if(State().mWindows, [bar](const SWindowBar& b) { return b.mBar == bar; });
    gtk_widget_destroy(bar);
    NativeWindowFrameChanged(window);
}

bool CNativeMenuBar::IsAttached(const CNativeWindow& window)
{
    return FindWindowBar(window) != nullptr;
}

void CNativeMenuBar::SetApplicationName(const std::string& name)
{
    State().mApplicationName = name;
    MarkAllMirrorsDirty();
    if (CDisplay::IsOpen())
        SyncAllWindowBars();
}

std::string CNativeMenuBar::GetApplicationName()
{
    return ApplicationNameForMenus();
}

CNativeMenu* CNativeMenuBar::GetHelpMenu(int* firstApplicationItem)
{
    SBarState& state = State();
    if (!state.mHelpMenu)
    {
        state.mHelpMenu = std::make_unique<CNativeMenu>(kHelpMenuID, "Help");
        state.mHelpMenu->InsertItem(0, "Help");
        state.mHelpMenu->SetSystemItem(1, CNativeMenu::kHelpItem);
    }
    if (!IsOnBar(kHelpMenuID))
        InsertMenu(state.mHelpMenu.get());
    if (firstApplicationItem)
        *firstApplicationItem = 2;
    return state.mHelpMenu.get();
}

bool CNativeMenuBar::HandleSystemItem(uint32_t selection)
{
    CNativeMenu* menu = GetMenu(static_cast<uint16_t>(selection >> 16));
    if (!menu)
        return false;
    switch (menu->GetSystemItem(static_cast<int>(selection & 0xFFFF)))
    {
    case CNativeMenu::kQuitItem:
        CDisplay::RecordQuit();
        return true;
    case CNativeMenu::kHelpItem:
    case CNativeMenu::kNoSystemItem:
        break;
    }
    return false;
}

bool CNativeMenuBar::GetTitleBounds(const CNativeWindow& window, uint16_t menuID,
                                    SDisplayRect* bounds)
{
    const SWindowBar* windowBar = FindWindowBar(window);
    GtkWidget* title = windowBar ? TitleItem(windowBar->mBar, menuID) : nullptr;
    return title && bounds && ToGlobal(title, bounds);
}

bool CNativeMenuBar::GetOpenItemBounds(uint16_t menuID, int item, SDisplayRect* bounds)
{
    SMenuMirror* mirror = FindOpenMirror(menuID);
    if (!mirror || !bounds || item < 1)
        return false;
    GList* children = gtk_container_get_children(GTK_CONTAINER(mirror->mWidget));
    auto* widget = static_cast<GtkWidget*>(g_list_nth_data(children, static_cast<guint>(item - 1)));
    g_list_free(children);
    return widget && ToGlobal(widget, bounds);
}

bool CNativeMenuBar::IsMenuOpen(uint16_t menuID)
{
    return CDisplay::IsOpen() && FindOpenMirror(menuID) != nullptr;
}

} // namespace NSPlatform
