#include "platform/display/CNativeMenu.h"

#include "platform/CMainEventQueue.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeMenuBar.h"
#include "platform/display/NativeMenuGtk.h"
#include "platform/display/NativeWindowGtk.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

namespace NSPlatform
{

namespace
{

// Submenus nested deeper than this are not shown: a menu that names itself (or an
// ancestor) as its submenu must not make mirrors without end.
constexpr int kMaxMenuDepth = 8;

struct SItem
{
    std::string mText;
    uint8_t mCommand = 0;
    uint16_t mMark = 0;
    bool mEnabled = true;
    CNativeMenu::ESystemItem mSystem = CNativeMenu::kNoSystemItem;
};

enum EWidgetKind
{
    kDividerWidget = 1,
    kPlainWidget = 2,
    kCheckWidget = 3
};

const char* const kMirrorKey = "kelt-menu-mirror";
const char* const kKindKey = "kelt-menu-item-kind";

// Every mirror alive, for the questions asked by menu id (what is open, and where).
std::vector<SMenuMirror*>& AllMirrors()
{
    static std::vector<SMenuMirror*> gMirrors;
    return gMirrors;
}

// Check items toggle themselves when set from code, which the toolkit reports as
// an activation: those are not the user's.
bool gSyncing = false;
int gOpenPopUps = 0;

std::string ValidUTF8(const std::string& text)
{
    gchar* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
    std::string result = valid;
    g_free(valid);
    return result;
}

std::string TextWithoutLeadingNul(const std::string& text)
{
    return !text.empty() && text[0] == 0 ? text.substr(1) : text;
}

} // namespace

struct CNativeMenu::SImpl
{
    uint16_t mID = 0;
    std::string mTitle;
    bool mEnabled = true;
    std::vector<SItem> mItems;
    std::vector<SMenuMirror*> mMirrors;

    bool Valid(int item) const { return item >= 1 && item <= static_cast<int>(mItems.size()); }
    SItem& At(int item) { return mItems[static_cast<size_t>(item - 1)]; }
    const SItem& At(int item) const { return mItems[static_cast<size_t>(item - 1)]; }

    // A shown mirror follows at once; the others when they are next shown.
    void Changed()
    {
        for (SMenuMirror* mirror : std::vector(mMirrors))
        {
            mirror->mDirty = true;
            if (gtk_widget_get_visible(mirror->mWidget))
                SyncMirror(*mirror);
        }
    }
};

namespace
{

void ForgetMirror(SMenuMirror* mirror)
{
    std::erase(AllMirrors(), mirror);
    if (mirror->mMenu)
        std::erase(mirror->mMenu->Impl().mMirrors, mirror);
    g_object_set_data(G_OBJECT(mirror->mWidget), kMirrorKey, nullptr);
    delete mirror;
}

void OnMirrorDestroy(GtkWidget* widget, gpointer)
{
    if (SMenuMirror* mirror = MirrorOf(widget))
        ForgetMirror(mirror);
}

void OnMirrorShow(GtkWidget* widget, gpointer)
{
    SMenuMirror* mirror = MirrorOf(widget);
    if (!mirror)
        return;
    // A menu of a window's bar is about to open: the framework sets up its items
    // (which syncs this mirror, shown from now on) before the toolkit sizes it.
    if (mirror->mDepth == 0 && mirror->mWindow)
        RunMenuOpeningHook();
    mirror = MirrorOf(widget);
    if (mirror && mirror->mDirty)
        SyncMirror(*mirror);
}

void OnItemActivate(GtkMenuItem* item, gpointer)
{
    if (gSyncing || gtk_menu_item_get_submenu(item))
        return;
    GtkWidget* parent = gtk_widget_get_parent(GTK_WIDGET(item));
    SMenuMirror* mirror = parent ? MirrorOf(parent) : nullptr;
    if (!mirror || !mirror->mMenu)
        return;
    GList* children = gtk_container_get_children(GTK_CONTAINER(parent));
    const int position = g_list_index(children, item);
    g_list_free(children);
    if (position < 0)
        return;
    // A check item toggled itself; the framework's state is shown again next time.
    mirror->mDirty = true;
    const uint32_t selection =
        (static_cast<uint32_t>(mirror->mMenu->GetID()) << 16) | static_cast<uint32_t>(position + 1);
    if (mirror->mPopUp)
    {
        mirror->mPopUp->mSelection = selection;
    }
    else if (mirror->mWindow)
    {
        SEventRecord event;
        event.mWhat = kMenuSelectEvent;
        event.mMessage = selection;
        event.mWindow = mirror->mWindow;
        CDisplay::Stamp(event);
        CDisplay::Record(std::move(event));
    }
}

GtkWidget* NewItemWidget(EWidgetKind kind)
{
    GtkWidget* widget = nullptr;
    switch (kind)
    {
    case kDividerWidget:
        widget = gtk_separator_menu_item_new();
        break;
    case kPlainWidget:
        widget = gtk_menu_item_new_with_label("");
        break;
    case kCheckWidget:
        widget = gtk_check_menu_item_new_with_label("");
        break;
    }
    g_object_set_data(G_OBJECT(widget), kKindKey, GINT_TO_POINTER(kind));
    if (kind != kDividerWidget)
        g_signal_connect(widget, "activate", G_CALLBACK(OnItemActivate), nullptr);
    gtk_widget_show(widget);
    return widget;
}

EWidgetKind KindOf(GtkWidget* widget)
{
    return static_cast<EWidgetKind>(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), kKindKey)));
}

void SyncItem(SMenuMirror& mirror, GtkWidget* widget, const SItem& item, const CNativeMenu& menu,
              int number)
{
    if (KindOf(widget) == kDividerWidget)
        return;
    GtkMenuItem* menuItem = GTK_MENU_ITEM(widget);
    const std::string label =
        ValidUTF8(item.mSystem != CNativeMenu::kNoSystemItem ? SystemItemLabel(item.mSystem)
                                                             : menu.GetItemLabel(number));
    const char* current = gtk_menu_item_get_label(menuItem);
    if (!current || label != current)
        gtk_menu_item_set_label(menuItem, label.c_str());
    gtk_widget_set_sensitive(widget, item.mEnabled);

    const bool hierarchical = item.mCommand == CNativeMenu::kHierarchicalCommand;
    if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(widget)); child && GTK_IS_ACCEL_LABEL(child))
    {
        // Shown only: the key itself reaches the framework as a key event.
        guint keyval = 0;
        if (!hierarchical && item.mCommand > 0x20 && item.mCommand < 0x7F)
            keyval = gdk_unicode_to_keyval(static_cast<guint32>(std::toupper(item.mCommand)));
        gtk_accel_label_set_accel(GTK_ACCEL_LABEL(child), keyval,
                                  keyval ? GDK_CONTROL_MASK : static_cast<GdkModifierType>(0));
    }
    if (KindOf(widget) == kCheckWidget)
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), TRUE);

    CNativeMenu* sub = nullptr;
    if (hierarchical && item.mMark != 0 && mirror.mDepth + 1 < kMaxMenuDepth)
        sub = CNativeMenuBar::GetMenu(item.mMark);
    GtkWidget* shown = gtk_menu_item_get_submenu(menuItem);
    SMenuMirror* shownMirror = shown ? MirrorOf(shown) : nullptr;
    if (shown && (!sub || !shownMirror || shownMirror->mMenu != sub))
    {
        gtk_widget_destroy(shown);
        shown = nullptr;
    }
    if (sub && !shown)
        gtk_menu_item_set_submenu(
            menuItem, NewMenuMirror(*sub, mirror.mDepth + 1, mirror.mWindow, mirror.mPopUp));
}

} // namespace

SMenuMirror* MirrorOf(GtkWidget* widget)
{
    return static_cast<SMenuMirror*>(g_object_get_data(G_OBJECT(widget), kMirrorKey));
}

GtkWidget* NewMenuMirror(CNativeMenu& menu, int depth, CNativeWindow* window, SPopUpState* popUp)
{
    // The new menu belongs to the pop-up window the toolkit made for it.
    GtkWidget* widget = gtk_menu_new();
    auto* mirror = new SMenuMirror{&menu, widget, depth, window, popUp, true};
    g_object_set_data(G_OBJECT(widget), kMirrorKey, mirror);
    menu.Impl().mMirrors.push_back(mirror);
    AllMirrors().push_back(mirror);
    g_signal_connect(widget, "show", G_CALLBACK(OnMirrorShow), nullptr);
    g_signal_connect(widget, "destroy", G_CALLBACK(OnMirrorDestroy), nullptr);
    return widget;
}

void SyncMirror(SMenuMirror& mirror)
{
    if (!mirror.mMenu)
        return;
    const bool wasSyncing = gSyncing;
    gSyncing = true;
    const CNativeMenu& menu = *mirror.mMenu;
    GtkMenuShell* shell = GTK_MENU_SHELL(mirror.mWidget);
    GList* list = gtk_container_get_children(GTK_CONTAINER(mirror.mWidget));
    std::vector<GtkWidget*> children;
    for (GList* node = list; node; node = node->next)
        children.push_back(GTK_WIDGET(node->data));
    g_list_free(list);

    const int count = menu.CountItems();
    for (int number = 1; number <= count; ++number)
    {
        const SItem& item = menu.Impl().At(number);
        const EWidgetKind kind = menu.IsItemDivider(number) ? kDividerWidget
                                 : (item.mMark == CNativeMenu::kCheckMark &&
                                    item.mCommand != CNativeMenu::kHierarchicalCommand)
                                     ? kCheckWidget
                                     : kPlainWidget;
        const size_t at = static_cast<size_t>(number - 1);
        GtkWidget* widget = at < children.size() ? children[at] : nullptr;
        if (!widget || KindOf(widget) != kind)
        {
            if (widget)
                gtk_widget_destroy(widget);
            widget = NewItemWidget(kind);
            gtk_menu_shell_insert(shell, widget, number - 1);
            if (at < children.size())
                children[at] = widget;
        }
        SyncItem(mirror, widget, item, menu, number);
    }
    for (size_t extra = static_cast<size_t>(count); extra < children.size(); ++extra)
        gtk_widget_destroy(children[extra]);
    mirror.mDirty = false;
    gSyncing = wasSyncing;
}

SMenuMirror* FindOpenMirror(uint16_t menuID)
{
    for (SMenuMirror* mirror : AllMirrors())
    {
        if (mirror->mMenu && mirror->mMenu->GetID() == menuID &&
            gtk_widget_get_mapped(mirror->mWidget))
            return mirror;
    }
    return nullptr;
}

void MarkMirrorsDirty(CNativeMenu& menu)
{
    menu.Impl().Changed();
}

CNativeMenu::CNativeMenu(uint16_t id, const std::string& title) : fImpl(std::make_unique<SImpl>())
{
    fImpl->mID = id;
    fImpl->mTitle = title;
    if (IsApplicationMenu())
    {
        // The system's own part of the application menu, after whatever the
        // application puts first.
        InsertItem(0, kDividerText);
        InsertItem(1, "Quit");
        SetSystemItem(2, kQuitItem);
        SetItemCommand(2, 'Q');
    }
}

CNativeMenu::~CNativeMenu()
{
    if (CNativeMenuBar::GetMenu(fImpl->mID) == this)
        CNativeMenuBar::DeleteMenu(fImpl->mID);
    // Mirrors still shown somewhere (a submenu of another menu) fall empty and are
    // dropped when their parent next follows its menu.
    for (SMenuMirror* mirror : std::vector(fImpl->mMirrors))
    {
        GList* children = gtk_container_get_children(GTK_CONTAINER(mirror->mWidget));
        for (GList* node = children; node; node = node->next)
            gtk_widget_destroy(GTK_WIDGET(node->data));
        g_list_free(children);
        mirror->mMenu = nullptr;
        ForgetMirror(mirror);
    }
}

uint16_t CNativeMenu::GetID() const
{
    return fImpl->mID;
}

void CNativeMenu::SetTitle(const std::string& title)
{
    if (fImpl->mTitle == title)
        return;
    fImpl->mTitle = title;
    NativeMenuTitleChanged(*this);
}

std::string CNativeMenu::GetTitle() const
{
    return fImpl->mTitle;
}

std::string CNativeMenu::GetShownTitle() const
{
    return IsApplicationMenu() ? ApplicationNameForMenus() : fImpl->mTitle;
}

bool CNativeMenu::IsApplicationMenu() const
{
    return fImpl->mTitle.size() == 1 && fImpl->mTitle[0] == kApplicationMenuTitle;
}

int CNativeMenu::CountItems() const
{
    return static_cast<int>(fImpl->mItems.size());
}

void CNativeMenu::InsertItem(int after, const std::string& text)
{
    const int at = std::clamp(after, 0, CountItems());
    fImpl->mItems.insert(fImpl->mItems.begin() + at, SItem{text});
    fImpl->Changed();
}

void CNativeMenu::DeleteItem(int item)
{
    if (!fImpl->Valid(item))
        return;
    fImpl->mItems.erase(fImpl->mItems.begin() + (item - 1));
    fImpl->Changed();
}

void CNativeMenu::SetItemText(int item, const std::string& text)
{
    if (!fImpl->Valid(item) || fImpl->At(item).mText == text)
        return;
    fImpl->At(item).mText = text;
    fImpl->Changed();
}

std::string CNativeMenu::GetItemText(int item) const
{
    return fImpl->Valid(item) ? fImpl->At(item).mText : std::string();
}

bool CNativeMenu::IsItemDivider(int item) const
{
    return fImpl->Valid(item) && !fImpl->At(item).mText.empty() && fImpl->At(item).mText[0] == '-';
}

std::string CNativeMenu::GetItemLabel(int item) const
{
    if (!fImpl->Valid(item))
        return {};
    if (fImpl->At(item).mSystem != kNoSystemItem)
        return SystemItemLabel(fImpl->At(item).mSystem);
    return TextWithoutLeadingNul(fImpl->At(item).mText);
}

void CNativeMenu::SetItemCommand(int item, uint8_t command)
{
    if (!fImpl->Valid(item) || fImpl->At(item).mCommand == command)
        return;
    fImpl->At(item).mCommand = command;
    fImpl->Changed();
}

uint8_t CNativeMenu::GetItemCommand(int item) const
{
    return fImpl->Valid(item) ? fImpl->At(item).mCommand : 0;
}

void CNativeMenu::SetItemMark(int item, uint16_t mark)
{
    if (!fImpl->Valid(item) || fImpl->At(item).mMark == mark)
        return;
    fImpl->At(item).mMark = mark;
    fImpl->Changed();
}

uint16_t CNativeMenu::GetItemMark(int item) const
{
    return fImpl->Valid(item) ? fImpl->At(item).mMark : 0;
}

uint16_t CNativeMenu::GetItemSubMenuID(int item) const
{
    if (!fImpl->Valid(item) || fImpl->At(item).mCommand != kHierarchicalCommand)
        return 0;
    return fImpl->At(item).mMark;
}

void CNativeMenu::SetItemEnabled(int item, bool enabled)
{
    if (!fImpl->Valid(item) || fImpl->At(item).mEnabled == enabled)
        return;
    fImpl->At(item).mEnabled = enabled;
    fImpl->Changed();
}

bool CNativeMenu::IsItemEnabled(int item) const
{
    return fImpl->Valid(item) && fImpl->At(item).mEnabled;
}

CNativeMenu::ESystemItem CNativeMenu::GetSystemItem(int item) const
{
    return fImpl->Valid(item) ? fImpl->At(item).mSystem : kNoSystemItem;
}

void CNativeMenu::SetSystemItem(int item, ESystemItem kind)
{
    if (!fImpl->Valid(item))
        return;
    fImpl->At(item).mSystem = kind;
    fImpl->Changed();
}

void CNativeMenu::SetEnabled(bool enabled)
{
    fImpl->mEnabled = enabled;
}

bool CNativeMenu::IsEnabled() const
{
    return fImpl->mEnabled;
}

bool CNativeMenu::IsPopUpOpen()
{
    return gOpenPopUps > 0;
}

uint32_t CNativeMenu::PopUpSelect(int16_t h, int16_t v, CNativeWindow* over)
{
    if (!CDisplay::IsOpen() || CDisplay::IsConnectionLost() || CountItems() == 0)
        return 0;
    SPopUpState state;
    GtkWidget* menu = NewMenuMirror(*this, 0, nullptr, &state);
    SyncMirror(*MirrorOf(menu));
    g_signal_connect(menu, "deactivate", G_CALLBACK(+[](GtkMenuShell*, gpointer data) {
                         static_cast<SPopUpState*>(data)->mOpen = false;
                     }),
                     &state);

    GdkWindow* anchor = nullptr;
    GdkRectangle rect = {h, v, 1, 1};
    if (over)
    {
        GtkWidget* toplevel = NativeWindowToplevel(*over);
        anchor = gtk_widget_get_window(toplevel);
        if (anchor)
        {
            gint x = 0;
            gint y = 0;
            gdk_window_get_origin(anchor, &x, &y);
            rect.x -= x;
            rect.y -= y;
            gtk_menu_set_screen(GTK_MENU(menu), gtk_widget_get_screen(toplevel));
        }
    }
    if (!anchor)
        anchor = gdk_get_default_root_window();
    // Popped up for a click (handled on its press; the button may be up or still
    // held): without a press as trigger the toolkit may take that button's release
    // as a choice of nothing and close the menu at once.
    GdkEvent* trigger = nullptr;
    GdkDevice* pointer =
        gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_window_get_display(anchor)));
    GdkModifierType buttons = GdkModifierType(0);
    if (pointer)
        gdk_device_get_state(pointer, anchor, nullptr, &buttons);
    if (pointer)
    {
        trigger = gdk_event_new(GDK_BUTTON_PRESS);
        trigger->button.window = GDK_WINDOW(g_object_ref(anchor));
        trigger->button.button = (buttons & GDK_BUTTON1_MASK)   ? 1
                                 : (buttons & GDK_BUTTON2_MASK) ? 2
                                                                : 3;
        trigger->button.time = GDK_CURRENT_TIME;
        gdk_event_set_device(trigger, pointer);
    }
    gtk_menu_popup_at_rect(GTK_MENU(menu), anchor, &rect, GDK_GRAVITY_NORTH_WEST,
                           GDK_GRAVITY_NORTH_WEST, trigger);
    if (trigger)
    {
        gdk_event_free(trigger);
        // The release of that button, coming at once where it was pressed, is not a
        // choice: the menu stays. A quick click on an item elsewhere still chooses it.
        static gint64 gPoppedAt = 0;
        static int gPoppedH = 0;
        static int gPoppedV = 0;
        gPoppedAt = g_get_monotonic_time();
        gPoppedH = h;
        gPoppedV = v;
        g_signal_connect(menu, "button-release-event",
                         G_CALLBACK(+[](GtkWidget*, GdkEventButton* release, gpointer) -> gboolean
                                    {
                                        return g_get_monotonic_time() - gPoppedAt < 400000 &&
                                               std::abs(release->x_root - gPoppedH) <= 4 &&
                                               std::abs(release->y_root - gPoppedV) <= 4;
                                    }),
                         nullptr);
    }
    // No grab, no menu: the toolkit then shows nothing and nothing ends the wait.
    if (!gtk_widget_get_visible(menu))
        state.mOpen = false;

    ++gOpenPopUps;
    while (state.mOpen && !CDisplay::IsConnectionLost())
    {
        try
        {
            CMainEventQueue::Main().WaitAndDispatch(50);
        }
        catch (...)
        {
            // Work posted by others fails on its own; the menu stays up.
        }
    }
    --gOpenPopUps;
    gtk_widget_destroy(menu);
    return state.mSelection;
}

} // namespace NSPlatform
