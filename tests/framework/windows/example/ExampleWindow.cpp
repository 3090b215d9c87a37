// A small program on the framework: a document window with a menu bar (application
// menu, File menu with Ctrl keys, a window list) and a few views that react to
// clicks, keys, menu commands and context menus. It prints one line per thing it
// received, so a script driving it with real input can check what arrived.
#include "framework/application/CApplication.h"
#include "framework/application/CClickSpec.h"
#include "framework/application/CKeySpec.h"
#include "framework/application/CMacAppleMenu.h"
#include "framework/application/CMenu.h"
#include "framework/application/CMenuBar.h"
#include "framework/application/CMenuItemInfo.h"
#include "framework/graphics/CCanvas.h"
#include "framework/graphics/CGlobalRect.h"
#include "framework/windows/CCanvasToWindowLink.h"
#include "framework/windows/CDocumentWindow.h"
#include "framework/windows/CSolidColorGroupView.h"
#include "framework/windows/CView.h"
#include "platform/display/CNativeMenu.h"
#include "platform/display/CNativeMenuBar.h"
#include "platform/display/CNativeWindow.h"
#include "platform/resources/CResourceFork.h"
#include "platform/resources/CResourceManager.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace NSWayfarer;

namespace
{

constexpr unsigned long kAboutCommand = 400;
constexpr unsigned long kNewNoteCommand = 0x5001;
constexpr unsigned long kHelloCommand = 0x5002;
constexpr unsigned long kCloseCommand = 0x5003;

void Log(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// A coloured rectangle showing a line of text; takes the focus when clicked.
class CNoteView : public CView
{
public:
    CNoteView(CGroupView* super, const char* name, const CLocalRect& rect, const CRGBColor& color)
        : CView(super), fName(name), fColor(color), fText(name)
    {
        Position(&rect);
        SetCanHaveFocus(true);
        AddToEndOfTabOrder();
    }
    const std::string& GetName() const { return fName; }
    void SetText(const std::string& text)
    {
        fText = text;
        Invalidate();
    }
    void Click(const CClickSpec& spec) override
    {
        Log("click " + fName + (spec.fAction == CClickSpec::kDoubleClick ? " double" : ""));
        SetFocus();
        SetText(fName + ": clicked");
    }
    void HandleKeyDownUp(const CKeySpec* key) override
    {
        if (key->fState != CKeySpec::kDown)
            return;
        if (key->fVirtualKey == CKeySpec::kTab)
        {
            CABCWindow* window = GetMotherWindow();
            window->NextFocusItem();
            if (auto* focus = dynamic_cast<CNoteView*>(window->GetFocusView()))
                Log("focus " + focus->GetName());
            return;
        }
        if (key->IsPrinting())
        {
            Log(std::string("key ") + fName + " " + key->fASCII);
            SetText(fText + key->fASCII);
        }
    }
    void HandleMenuSelection(CMenuBar* bar, unsigned long command) override
    {
        if (command == kHelloCommand)
        {
            Log("command hello " + fName);
            SetText(fName + ": hello");
            return;
        }
        CView::HandleMenuSelection(bar, command);
    }
    void SetupMenus(CMenuBar* bar) override
    {
        bar->SetMenuItemEnable(kHelloCommand, true);
        CView::SetupMenus(bar);
    }
    void HandleChangeRequests() override
    {
        CLocalPoint at;
        if (!IsContextMenuRequested(at))
            return;
        CMenu menu("Colour", 0, 0);
        menu.AppendItem("Red", 1);
        menu.AppendItem("Green", 2);
        unsigned short index = 0;
        CMenu* chosen = nullptr;
        Log("context open " + fName);
        if (DoContextMenuUtil(at, &menu, &index, &chosen))
        {
            fColor =
                index == 0 ? CRGBColor(0xFFFF, 0x4000, 0x4000) : CRGBColor(0x4000, 0xC000, 0x4000);
            Log(std::string("context ") + fName + (index == 0 ? " red" : " green"));
            Invalidate();
        }
        else
        {
            Log("context none " + fName);
        }
    }
    void Draw() override
    {
        CCanvas canvas(GetCanvasSpec());
        canvas.DrawRect(&fRect, fColor);
        canvas.DrawTextAtLeftMiddle(&fRect, fText.c_str(), CCanvas::GetDefaultFontSpec(),
                                    CRGBColor::kBlack);
    }

private:
    std::string fName;
    CRGBColor fColor;
    std::string fText;
};

class CExampleWindow : public CDocumentWindow
{
public:
    CExampleWindow() : CDocumentWindow(kStyleDocument, "Example")
    {
        fGroup = std::make_unique<CSolidColorGroupView>(GetRootView());
        const CLocalRect groupRect(0, 0, 400, 200);
        fGroup->Position(&groupRect);
        fGroup->SetBackgroundColor(CRGBColor(0x8000, 0xA000, 0xE000));
        fLeft = std::make_unique<CNoteView>(fGroup.get(), "left", CLocalRect(20, 20, 190, 90),
                                            CRGBColor(0xFFFF, 0xFFFF, 0xC000));
        fRight = std::make_unique<CNoteView>(fGroup.get(), "right", CLocalRect(210, 20, 380, 90),
                                             CRGBColor(0xC000, 0xFFFF, 0xC000));
        fStatus = std::make_unique<CNoteView>(fGroup.get(), "status", CLocalRect(20, 120, 380, 180),
                                              CRGBColor::kWhite);
        const CGlobalRect frame = SuggestCenterPositionClient(400, 200);
        PrimeAtPos(&frame);
    }
    void TryClosing() override
    {
        Log("close request");
        CDocumentWindow::TryClosing();
        if (CApplication* application = CApplication::Get())
            application->RequestQuit();
    }
    // The window's views; the notes go before the group that holds them.
    std::unique_ptr<CSolidColorGroupView> fGroup;
    std::unique_ptr<CNoteView> fLeft;
    std::unique_ptr<CNoteView> fRight;
    std::unique_ptr<CNoteView> fStatus;
};

class CExampleApp : public CApplication
{
public:
    explicit CExampleApp(const CApplicationStartupInfo* info) : CApplication(info)
    {
        SetCloseMenuCommandID(kCloseCommand);
    }
    ~CExampleApp() override
    {
        fWindowMenu.reset();
        fFileMenu.reset();
        fAppleMenu.reset();
    }
    CMenuBar* GetMenuBar() override
    {
        if (!fBar)
        {
            fBar = std::make_unique<CMenuBar>();
            fAppleMenu = std::make_unique<CMacAppleMenu>(128001, kAboutCommand);
            fFileMenu = std::make_unique<CMenu>("File", 0, 'F');
            AppendWithKey(*fFileMenu, "New Note", kNewNoteCommand, 'N');
            AppendWithKey(*fFileMenu, "Say Hello", kHelloCommand, 'H');
            AppendWithKey(*fFileMenu, "Close", kCloseCommand, 'W');
            fWindowMenu = std::make_unique<CMenu>("Window", 0, 'W');
            fBar->AppendMenu(fAppleMenu.get());
            fBar->AppendMenu(fFileMenu.get());
            fBar->AppendMenu(fWindowMenu.get());
            fBar->Enable();
        }
        return fBar.get();
    }
    void SetupMenus(CMenuBar* bar) override
    {
        bar->SetMenuItemEnable(kAboutCommand, true);
        bar->SetMenuItemEnable(kNewNoteCommand, true);
        fWindowMenu->DeleteItemRange(0, fWindowMenu->CountItems());
        fWindowMenu->InsertWindowList(0, 0);
    }
    void HandleMenuSelection(CMenuBar* bar, unsigned long command) override
    {
        if (command == kAboutCommand)
            Log("command about");
        else if (command == kNewNoteCommand)
        {
            Log("command new");
            if (fWindow)
                fWindow->fStatus->SetText("status: new note");
        }
        else if (command - CMenu::kWindowListCommandBase < CMenu::kMaxWindowListItems)
        {
            Log("command window " + std::to_string(command - CMenu::kWindowListCommandBase));
            bar->HandleMenuSelection(command);
        }
        else
            Log("command other " + std::to_string(command));
    }
    // Once the window manager has shown the window: where the script aims, the
    // client area's origin and the File menu's title.
    void Idle() override
    {
        CApplication::Idle();
        if (!fWindow || fReported ||
            std::chrono::steady_clock::now() - fOpenedAt < std::chrono::milliseconds(700))
            return;
        fReported = true;
        short x = 0;
        short y = 0;
        fWindow->LocalToGlobal(0, 0, &x, &y);
        NSPlatform::SDisplayRect title{};
        NSPlatform::CNativeMenuBar::GetTitleBounds(*fWindow->GetNative(),
                                                   fFileMenu->MacGetMenuHandle()->GetID(), &title);
        Log("ready client " + std::to_string(x) + " " + std::to_string(y) + " file " +
            std::to_string((title.mLeft + title.mRight) / 2) + " " +
            std::to_string((title.mTop + title.mBottom) / 2));
    }
    void OpenDefaultDocument() override
    {
        fWindow = new CExampleWindow;
        fWindow->Select();
        fWindow->fLeft->SetFocus();
        fOpenedAt = std::chrono::steady_clock::now();
    }

private:
    static void AppendWithKey(CMenu& menu, const char* name, unsigned long command, char key)
    {
        CMenuItemInfo info;
        info.SetName(name);
        info.fCommandID = static_cast<uint32_t>(command);
        info.fShortCutKey = key;
        menu.AppendItem(&info);
    }

    std::unique_ptr<CMenuBar> fBar;
    std::unique_ptr<CMacAppleMenu> fAppleMenu;
    std::unique_ptr<CMenu> fFileMenu;
    std::unique_ptr<CMenu> fWindowMenu;
    CExampleWindow* fWindow = nullptr;
    std::chrono::steady_clock::time_point fOpenedAt;
    bool fReported = false;
};

} // namespace

int main()
{
    NSPlatform::CResourceFork fork;
    NSPlatform::SResourceEntry about;
    about.mType = NSPlatform::CResourceFork::PackCode("SSTR");
    about.mID = 128;
    const std::string text = "1{About Example...}";
    about.mData.assign(text.begin(), text.end());
    fork.Add(about);
    std::vector<uint8_t> image;
    std::string why;
    if (fork.Serialize(&image, &why) != NSPlatform::kNoErr)
    {
        std::fprintf(stderr, "resources: %s\n", why.c_str());
        return 1;
    }
    const int16_t ref = NSPlatform::CResourceManager::OpenResImage(image.data(), image.size());
    NSPlatform::CResourceManager::UseResFile(ref);

    CApplicationStartupInfo info;
    std::snprintf(info.fApplicationName, sizeof info.fApplicationName, "Example");
    info.fUsesDisplay = true;
    {
        CExampleApp app(&info);
        app.Run();
    }
    Log("quit");
    NSPlatform::CResourceManager::CloseResFile(ref);
    return 0;
}
