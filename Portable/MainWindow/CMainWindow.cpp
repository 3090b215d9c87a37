#include "Portable/MainWindow/CMainWindow.h"

#include "Portable/BaseApp/CBaseApp.h"
#include "Portable/update/CUSBHandler.h"
#include "Portable/update/UpdaterRunState.h"
#include "framework/application/CApplication.h"
#include "framework/files/XBase.h"
#include "framework/graphics/CRGBColor.h"
#include "framework/windows/CAlertBox.h"
#include "framework/windows/CProgressBarView.h"
#include "framework/windows/CPushButtonView.h"
#include "framework/windows/CSolidColorGroupView.h"
#include "framework/windows/CStaticTextView.h"

#include <algorithm>
#include <string>

using NSWayfarer::CFontSpec;
using NSWayfarer::CRGBColor;

const CFontSpec CMainWindow::kNormal("Arial", 11, false, false, false);
const CFontSpec CMainWindow::kKursiv("Arial", 11, false, true, false);
const CFontSpec CMainWindow::kStor("Arial", 12, false, false, false);
// A dark slate: white text on it reads well, and the theme's buttons stand out.
const CRGBColor CMainWindow::kBackgroundColor(0x2A00, 0x3300, 0x4000);

namespace
{

bool AsksBeforeQuitting(EUpdaterRunState state)
{
    return state == kURSOS || state == kURSUpdate;
}

} // namespace

CMainWindow::CMainWindow(CUSBHandler* updater) : CModelessDialog(kTitledDialog, kDialogID)
{
    // A resource file of another program's making may lack items: no view is placed
    // from nothing.
    for (short item = kWelcomeItem; item <= kQuitItem; ++item)
        if (!GetDialogItemInfo(item))
            throw NSWayfarer::XBadFormat();
    NSWayfarer::CGroupView* root = GetRootView();
    // Painted first, under every item.
    fBackground = new NSWayfarer::CSolidColorGroupView(root);
    const NSWayfarer::CLocalRect inner = GetInnerRect();
    fBackground->Position(&inner);
    fBackground->SetBackgroundColor(kBackgroundColor);

    fWelcomeText = new NSWayfarer::CStaticTextView(root, GetDialogItemInfo(kWelcomeItem), kNormal);
    fUpdaterVersion = new NSWayfarer::CStaticTextView(root, GetDialogItemInfo(kVersionItem), kStor);
    fStatusText = new NSWayfarer::CStaticTextView(root, GetDialogItemInfo(kStatusItem), kKursiv);
    fCurrentText = new NSWayfarer::CStaticTextView(root, GetDialogItemInfo(kCurrentItem), kKursiv);
    fProgressBar = new NSWayfarer::CProgressBarView(root, GetDialogItemInfo(kProgressItem));
    fQuitButton = new NSWayfarer::CPushButtonView(root, GetDialogItemInfo(kQuitItem));
    fUpdateButton = new NSWayfarer::CPushButtonView(root, GetDialogItemInfo(kUpdateItem));

    fUpdater = updater;
    for (NSWayfarer::CStaticTextView* text :
         {fWelcomeText, fUpdaterVersion, fStatusText, fCurrentText})
        text->SetColor(CRGBColor::kWhite);
    SetTitle(CBaseApp::kApplicationName);

    if (fUpdater)
    {
        const std::string welcome = std::string("This program will update the OS in your ") +
                                    fUpdater->GetProduct() + " to:";
        fWelcomeText->SetString(welcome.c_str());
        fUpdaterVersion->SetString(fUpdater->GetVersion());
    }
    else
    {
        fUpdaterVersion->SetString(kNoOSResource);
    }
}

CMainWindow::~CMainWindow()
{
    Dispose();
    delete fUpdateButton;
    fUpdateButton = nullptr;
    delete fQuitButton;
    fQuitButton = nullptr;
    delete fProgressBar;
    fProgressBar = nullptr;
    delete fCurrentText;
    fCurrentText = nullptr;
    delete fStatusText;
    fStatusText = nullptr;
    delete fUpdaterVersion;
    fUpdaterVersion = nullptr;
    delete fWelcomeText;
    fWelcomeText = nullptr;
    delete fBackground;
    fBackground = nullptr;
}

void CMainWindow::Dispose()
{
    if (NSWayfarer::CApplication* application = NSWayfarer::CApplication::Get())
        application->RequestQuit();
}

void CMainWindow::SetupState()
{
    if (fUpdater)
    {
        fStatusText->SetString(fUpdater->GetStatus());
        // The instrument's figure is not trusted to stay within 0 to 100 percent.
        const int32_t promille = std::clamp<int32_t>(fUpdater->GetProgress(), 0, 100) * 10;
        fProgressBar->SetPos(static_cast<uint16_t>(promille));
    }
    const EUpdaterRunState state = GetUpdaterRunState();
    if (state == kURSFinish)
        fQuitButton->SetTitle(kDoneTitle);
    fQuitButton->SetEnabled(state != kURSSending);
    fUpdateButton->SetEnabled(state == kURSOS || state == kURSUpdate);
    CModelessDialog::SetupState();
}

void CMainWindow::HandleChangeRequests()
{
    if (fUpdateButton->IsActionRequested() && fUpdater)
        fUpdater->UpdatePressed();
    if (fQuitButton->IsActionRequested())
        QuitAsked();
    CModelessDialog::HandleChangeRequests();
}

void CMainWindow::TryClosing()
{
    QuitAsked();
}

void CMainWindow::QuitAsked()
{
    const EUpdaterRunState state = GetUpdaterRunState();
    // The OS is on its way: leaving now would leave the instrument without one.
    if (state == kURSSending)
        return;
    if (AsksBeforeQuitting(state) &&
        NSWayfarer::CAlertBox::DoDefaultAlert(kQuitScript) != kQuitConfirmed)
        return;
    if (NSWayfarer::CApplication* application = NSWayfarer::CApplication::Get())
        application->RequestQuit();
}

void CMainWindow::SetStatus(const char* text)
{
    fStatusText->SetString(text);
}

void CMainWindow::SetProgress(uint16_t percent)
{
    fProgressBar->SetPos(static_cast<uint16_t>(std::min<unsigned>(percent, 100) * 10));
}
