// The updater's only window: names the OS version it installs, shows the status
// line and the instrument's progress, and offers Update and Quit.
#pragma once

#include "framework/graphics/CFontSpec.h"
#include "framework/windows/CModelessDialog.h"

#include <cstdint>

namespace NSWayfarer
{
class CProgressBarView;
class CPushButtonView;
class CSolidColorGroupView;
class CStaticTextView;
} // namespace NSWayfarer

class CUSBHandler;

class CMainWindow : public NSWayfarer::CModelessDialog
{
public:
    static constexpr short kDialogID = 128;
    enum EItem : short
    {
        kWelcomeItem = 1,
        kVersionItem = 2,
        kCurrentItem = 3,
        kStatusItem = 4,
        kProgressItem = 5,
        kUpdateItem = 6,
        kQuitItem = 7
    };
    // The answer of the quit confirmation that quits (its last button, Yes).
    static constexpr int kQuitConfirmed = 33;
    static constexpr const char* kQuitScript =
        "[WARN]The synth is not updated. Are you sure you want to quit?[Cancel][Yes]";
    static constexpr const char* kNoOSResource = "No OS resource";
    static constexpr const char* kDoneTitle = "Done";

    static const NSWayfarer::CFontSpec kNormal;
    static const NSWayfarer::CFontSpec kKursiv;
    static const NSWayfarer::CFontSpec kStor;
    // Behind the texts, which are white.
    static const NSWayfarer::CRGBColor kBackgroundColor;

    // updater may be null (the OS image is missing): the window says so.
    explicit CMainWindow(CUSBHandler* updater);
    ~CMainWindow() override;
    CMainWindow(const CMainWindow&) = delete;
    CMainWindow& operator=(const CMainWindow&) = delete;

    void HandleChangeRequests() override;
    void SetupState() override;
    // The close box asks as the Quit button does: closing the window ends the program,
    // and an instrument must not be left half-updated by it.
    void TryClosing() override;

    void SetStatus(const char* text);
    void SetProgress(uint16_t percent);
    // Asks the application to quit.
    void Dispose();

    NSWayfarer::CStaticTextView* GetWelcomeText() const { return fWelcomeText; }
    NSWayfarer::CStaticTextView* GetUpdaterVersion() const { return fUpdaterVersion; }
    NSWayfarer::CStaticTextView* GetStatusText() const { return fStatusText; }
    NSWayfarer::CStaticTextView* GetCurrentText() const { return fCurrentText; }
    NSWayfarer::CProgressBarView* GetProgressBar() const { return fProgressBar; }
    NSWayfarer::CPushButtonView* GetQuitButton() const { return fQuitButton; }
    NSWayfarer::CPushButtonView* GetUpdateButton() const { return fUpdateButton; }

private:
    // Quit button and close box: asks first while an attached instrument is not yet
    // updated, refuses while the OS is being sent.
    void QuitAsked();

    NSWayfarer::CSolidColorGroupView* fBackground = nullptr;
    NSWayfarer::CStaticTextView* fWelcomeText = nullptr;
    NSWayfarer::CStaticTextView* fUpdaterVersion = nullptr;
    NSWayfarer::CStaticTextView* fStatusText = nullptr;
    NSWayfarer::CStaticTextView* fCurrentText = nullptr;
    NSWayfarer::CProgressBarView* fProgressBar = nullptr;
    NSWayfarer::CPushButtonView* fQuitButton = nullptr;
    NSWayfarer::CPushButtonView* fUpdateButton = nullptr;
    CUSBHandler* fUpdater = nullptr;
};
