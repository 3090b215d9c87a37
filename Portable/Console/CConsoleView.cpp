#include "Portable/Console/CConsoleView.h"

#include "Portable/Console/CJsonEventWriter.h"
#include "Portable/USBManager/CUSBManager.h"
#include "Portable/update/CUSBHandler.h"
#include "framework/application/CApplication.h"
#include "framework/application/CTimer.h"
#include "platform/CMainEventQueue.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

using NSWayfarer::CApplication;
using NSWayfarer::CTimer;

namespace
{

constexpr const char* kUpdateQuestion = "Update the OS now?";
constexpr const char* kQuitQuestion = "The synth is not updated. Are you sure you want to quit?";
constexpr const char* kAnswerHint = " [y/N] ";
constexpr const char* kCannotQuitNow =
    "Quitting now could leave the instrument without an OS; the update goes on.";
constexpr const char* kCannotQuitInReboot =
    "Quitting now would leave the instrument in its updater mode; the update goes on.";
// The handler's status when an instrument came back after the transfer.
constexpr const char* kStatusDone = "Done!";
// The handler's status when the instrument could not be opened.
constexpr const char* kStatusBusy = "Error: Synth already connected to another application.";
constexpr const char* kStatusNoPermission =
    "Error: No permission to open the synth. Install the udev rule (see README).";
// How long an opened instrument may take to say who it is (it is asked at once).
constexpr uint64_t kIdentifyTimeoutUS = 5000000;
constexpr int kBarWidth = 40;

bool IsYes(const std::string& line)
{
    size_t i = line.find_first_not_of(" \t\r");
    return i != std::string::npos && (line[i] == 'y' || line[i] == 'Y');
}

bool IsWaitingForUpdate(EUpdaterRunState state)
{
    return state == kURSOS || state == kURSUpdate;
}

// From the reboot request until the image has been sent, leaving would strand the
// instrument in its updater mode or without an OS.
bool IsUnderWay(EUpdaterRunState state)
{
    return state == kURSReboot || state == kURSRebooted || state == kURSSending;
}

} // namespace

CConsoleView::CConsoleView(CUSBHandler* handler, const SConsoleOptions& options, std::FILE* out,
                           int inFD, bool outIsTerminal, bool inIsTerminal,
                           CJsonEventWriter* events)
    : fHandler(handler), fOptions(options), fOut(out), fInFD(inFD), fOutIsTerminal(outIsTerminal),
      fInIsTerminal(inIsTerminal), fEvents(events), fStartUS(CTimer::GetSystemUS())
{
}

CConsoleView::~CConsoleView()
{
    fWaitTimer.reset();
    if (fWatchId)
        NSPlatform::CMainEventQueue::Main().RemoveWatch(fWatchId);
    if (fRegistered)
        CApplication::UnregisterWindowSystem(this);
}

void CConsoleView::Show()
{
    if (!fOptions.mIdentify)
    {
        std::string line = "This program will update the OS in your ";
        line += fHandler->GetProduct();
        line += " to: ";
        line += fHandler->GetVersion();
        PrintLine(line.c_str());
    }
    CApplication::RegisterWindowSystem(this);
    fRegistered = true;
    if (fOptions.mWaitSeconds >= 0)
        fWaitTimer = std::make_unique<CTimer>(
            [](CTimer* timer)
            {
                static_cast<CConsoleView*>(timer->GetUserData())->fWaitDue = true;
                NSPlatform::CMainEventQueue::Main().Post([] { CApplication::ForceSetup(); });
            },
            this, static_cast<long>(fOptions.mWaitSeconds) * 1000 + 1);
    SetupState();
}

void CConsoleView::PrintLine(const char* text)
{
    EndBarLine();
    // Status texts come from the instrument: control characters (escape sequences among
    // them) would act on the terminal instead of being shown.
    std::string shown = text;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    std::fprintf(fOut, "%s\n", shown.c_str());
    std::fflush(fOut);
}

void CConsoleView::EndBarLine()
{
    if (fBarOnLine)
    {
        std::fputc('\n', fOut);
        fBarOnLine = false;
    }
}

void CConsoleView::ShowProgress(int32_t percent)
{
    if (percent < 0)
        percent = 0;
    if (percent > 100)
        percent = 100;
    if (!fOutIsTerminal)
    {
        const bool bigStep = percent >= fLastPrintedProgress + 10 || percent < fLastPrintedProgress;
        const bool reachedEnd = percent == 100 && fLastPrintedProgress != 100;
        if (!bigStep && !reachedEnd)
            return;
    }
    char bar[kBarWidth + 1];
    const int filled = percent * kBarWidth / 100;
    std::memset(bar, '#', static_cast<size_t>(filled));
    std::memset(bar + filled, '-', static_cast<size_t>(kBarWidth - filled));
    bar[kBarWidth] = 0;
    if (fOutIsTerminal)
    {
        std::fprintf(fOut, "\r[%s] %3d%%", bar, percent);
        fBarOnLine = true;
    }
    else
    {
        std::fprintf(fOut, "[%s] %3d%%\n", bar, percent);
    }
    std::fflush(fOut);
    fLastPrintedProgress = percent;
}

void CConsoleView::HandleChangeRequests()
{
    if (!fUpdateRequested || fEnded)
        return;
    // Taken once, like a button press: the handler may call back into ForceSetup.
    fUpdateRequested = false;
    const EUpdaterRunState before = GetUpdaterRunState();
    fHandler->UpdatePressed();
    if (GetUpdaterRunState() != before)
        fUpdateStarted = true;
}

void CConsoleView::SetupState()
{
    // Once the outcome is decided, what still happens until the process ends is
    // shown (the reason a quit was cut short, say), but nothing more is decided.
    const EUpdaterRunState state = GetUpdaterRunState();
    ReportChanges(state);
    if (state != kURSUnknown)
        fInstrumentFound = true;
    if (fEnded)
        return;
    if (fOptions.mIdentify)
    {
        CheckIdentified(state);
        if (fWaitDue)
            CheckWait();
        return;
    }

    if (fQuestion == kAskUpdate && !IsWaitingForUpdate(state))
        CancelQuestion();
    if (state != fLastState)
    {
        if (!IsWaitingForUpdate(state) && !fUpdateStarted)
            fAskedForThisInstrument = false;
        fLastState = state;
    }
    CheckOutcome(state);
    // Not before the instrument has been looked for (CheckWait makes sure of that):
    // the wait may still run out in the middle of an open retrying for another
    // program's instrument.
    if (fWaitDue)
        CheckWait();
    if (fEnded)
        return;

    if (IsWaitingForUpdate(state) && !fUpdateStarted && !fAskedForThisInstrument &&
        fQuestion == kNoQuestion)
    {
        fAskedForThisInstrument = true;
        if (fOptions.mAssumeYes)
        {
            fUpdateRequested = true;
            // Pressed the way the window's button is: taken in the next change-request phase.
            NSPlatform::CMainEventQueue::Main().Post([] { CApplication::ForceSetup(); });
        }
        else
        {
            Ask(kAskUpdate);
        }
    }
}

void CConsoleView::ReportChanges(EUpdaterRunState state)
{
    // In the order a reader expects them: the status line that names the instrument,
    // then its fields, then the state they lead to.
    const std::string status = fHandler->GetStatus();
    if (status != fLastStatus)
    {
        fLastStatus = status;
        PrintLine(status.c_str());
        if (fEvents)
            fEvents->WriteStatus(status.c_str());
    }
    if (fEvents && fHandler->GetIdentityCount() != fReportedIdentities)
    {
        fReportedIdentities = fHandler->GetIdentityCount();
        fEvents->WriteInstrument(fHandler->GetIdentity());
    }
    if (fEvents && static_cast<int>(state) != fReportedState)
    {
        fReportedState = static_cast<int>(state);
        fEvents->WriteState(state);
    }
    const int32_t progress = fHandler->GetProgress();
    if (progress != fLastProgress)
    {
        fLastProgress = progress;
        ShowProgress(progress);
    }
    // The instrument's number is reported as the bar shows it.
    const int32_t percent = progress < 0 ? 0 : progress > 100 ? 100 : progress;
    if (fEvents && percent != fReportedProgress)
    {
        fReportedProgress = percent;
        fEvents->WriteProgress(percent);
    }
}

void CConsoleView::CheckIdentified(EUpdaterRunState state)
{
    // Nothing is looked for with a damaged image; the status says so.
    if (!fHandler->IsImageInstallable())
    {
        End(kExitUsage);
        return;
    }
    if (fHandler->GetIdentityCount() > 0)
    {
        PrintIdentity();
        End(kExitIdentified);
        return;
    }
    if (fLastStatus == kStatusBusy || fLastStatus == kStatusNoPermission)
    {
        End(kExitFailed);
        return;
    }
    if (state != kURSConnected)
        fAskedIdentityUS = 0;
    else if (fAskedIdentityUS == 0)
        fAskedIdentityUS = CTimer::GetSystemUS();
}

void CConsoleView::PrintIdentity()
{
    const SInstrumentIdentity& identity = fHandler->GetIdentity();
    std::string line = "Product: " + identity.mProduct;
    PrintLine(line.c_str());
    const std::string mode = identity.GetModeName();
    line = "Mode: ";
    line += mode == "updater" ? "updater mode" : mode == "test" ? "test mode" : "running its OS";
    PrintLine(line.c_str());
    line = "OS: " + identity.GetOSVersionText();
    PrintLine(line.c_str());
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "Boot version: %u.%02u", identity.mBootVersion / 100u,
                  identity.mBootVersion % 100u);
    PrintLine(numbers);
    std::snprintf(numbers, sizeof numbers, "Serial number: %lu",
                  static_cast<unsigned long>(identity.mSerialNumber));
    PrintLine(numbers);
    if (!identity.mRemark.empty())
    {
        line = "Remark: " + identity.mRemark;
        PrintLine(line.c_str());
    }
}

void CConsoleView::CheckOutcome(EUpdaterRunState state)
{
    // Refused at start-up, before the instrument was looked for; the status says so.
    if (!fHandler->IsImageInstallable())
    {
        End(kExitUsage);
        return;
    }
    // "Done!": the instrument came back after the transfer before it told the outcome
    // (or its message was lost); it restarts only once the image is stored.
    if (state == kURSFinish || (state == kURSWorking && fLastStatus == kStatusDone))
    {
        End(kExitUpdated);
        return;
    }
    if (!fUpdateStarted)
        return;
    if (fLastStatus == "Reboot failed." || fLastStatus == "Error while sending OS file")
        End(kExitFailed);
    else if (state == kURSUnknown)
        End(kExitFailed, "The instrument was lost during the update.");
    else if (IsWaitingForUpdate(state))
        End(kExitFailed, "The instrument did not take the new OS.");
}

void CConsoleView::Ask(EQuestion question)
{
    EndBarLine();
    fQuestion = question;
    const char* text = question == kAskUpdate ? kUpdateQuestion : kQuitQuestion;
    std::fputs(text, fOut);
    std::fputs(kAnswerHint, fOut);
    std::fflush(fOut);
    if (fEvents)
        fEvents->WriteQuestion(question == kAskUpdate ? "update" : "quit", text);
    if (fInputClosed)
    {
        // Nobody can answer: the safe answer.
        Answer(false);
        return;
    }
    if (!fWatchId)
        fWatchId = NSPlatform::CMainEventQueue::Main().AddWatch(fInFD, POLLIN,
                                                                [this](short) { ReadAnswer(); });
    // A line typed (or piped) before the question was asked answers it.
    if (fInput.find('\n') != std::string::npos)
        NSPlatform::CMainEventQueue::Main().Post([this] { ReadAnswer(); });
}

void CConsoleView::CancelQuestion()
{
    fQuestion = kNoQuestion;
    if (fWatchId)
    {
        NSPlatform::CMainEventQueue::Main().RemoveWatch(fWatchId);
        fWatchId = 0;
    }
    std::fputc('\n', fOut);
    std::fflush(fOut);
}

void CConsoleView::ReadAnswer()
{
    if (fQuestion == kNoQuestion)
        return;
    size_t eol = fInput.find('\n');
    while (eol == std::string::npos && !fInputClosed)
    {
        char buffer[256];
        pollfd p = {fInFD, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0)
            return;
        const ssize_t got = ::read(fInFD, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (got <= 0)
            fInputClosed = true;
        else
            fInput.append(buffer, static_cast<size_t>(got));
        eol = fInput.find('\n');
    }
    std::string line;
    if (eol != std::string::npos)
    {
        line = fInput.substr(0, eol);
        fInput.erase(0, eol + 1);
    }
    else
    {
        line = fInput;
        fInput.clear();
    }
    if (fWatchId)
    {
        NSPlatform::CMainEventQueue::Main().RemoveWatch(fWatchId);
        fWatchId = 0;
    }
    if (!fInIsTerminal)
        std::fputc('\n', fOut);
    Answer(IsYes(line));
}

void CConsoleView::Answer(bool yes)
{
    const EQuestion question = fQuestion;
    fQuestion = kNoQuestion;
    if (fEvents && question != kNoQuestion)
        fEvents->WriteAnswer(question == kAskUpdate ? "update" : "quit", yes);
    if (question == kAskUpdate)
    {
        if (!yes)
        {
            End(kExitDeclined, "The OS was not updated.");
            return;
        }
        fUpdateRequested = true;
        CApplication::ForceSetup();
    }
    else if (question == kAskQuit)
    {
        if (yes)
        {
            End(kExitInterrupted);
            return;
        }
        // Staying: the question the quit question interrupted is asked again.
        fAskedForThisInstrument = false;
        SetupState();
    }
}

void CConsoleView::End(int exitCode, const char* message)
{
    if (fEnded)
        return;
    if (message)
    {
        PrintLine(message);
        fEndMessage = message;
    }
    EndBarLine();
    std::fflush(fOut);
    fEnded = true;
    fExitCode = exitCode;
    if (CApplication* app = CApplication::Get())
        app->RequestQuit();
}

bool CConsoleView::TryClosingAllWindows()
{
    // As the window's Quit button: never while the image is being sent.
    if (GetUpdaterRunState() != kURSSending)
        return true;
    // The update went on in the pass that decided to end (the instrument's answer
    // started the transfer): the view follows it again and ends with its outcome,
    // asking for the quit anew.
    if (fEnded)
    {
        if (fExitCode == kExitInterrupted)
            PrintLine(kCannotQuitNow);
        fEnded = false;
        fExitCode = kExitInterrupted;
    }
    return false;
}

void CConsoleView::HandleInterrupt()
{
    const EUpdaterRunState state = GetUpdaterRunState();
    if (IsUnderWay(state))
    {
        PrintLine(state == kURSSending ? kCannotQuitNow : kCannotQuitInReboot);
        return;
    }
    if (IsWaitingForUpdate(state) && fInIsTerminal && fQuestion != kAskQuit && !fOptions.mIdentify)
    {
        if (fQuestion == kAskUpdate)
            CancelQuestion();
        Ask(kAskQuit);
        return;
    }
    EndBarLine();
    End(kExitInterrupted);
}

void CConsoleView::HandleInterrupts()
{
    while (fInterruptsPending > 0 && !fEnded)
    {
        --fInterruptsPending;
        HandleInterrupt();
    }
    fInterruptsPending = 0;
}

void CConsoleView::IdleAll()
{
    HandleInterrupts();
    CheckWait();
    if (fOptions.mIdentify && !fEnded && fAskedIdentityUS != 0 &&
        CTimer::GetSystemUS() - fAskedIdentityUS >= kIdentifyTimeoutUS)
        End(kExitFailed, "The instrument did not answer.");
}

void CConsoleView::CheckWait()
{
    if (fEnded || fOptions.mWaitSeconds < 0 || fInstrumentFound)
    {
        // Its job is done (it would go on waking the loop every period).
        fWaitTimer.reset();
        return;
    }
    // The view is shown before the handler looks at the bus, and the wait timer or an
    // idle pass may come in between: with a short wait it has run out by then, while
    // an attached instrument has not been reported yet.
    if (!fHandler->HasLookedAtBus())
        return;
    // An instrument being settled after opening has been found.
    if (CUSBManager::gManager && CUSBManager::gManager->IsPortOpen(0))
    {
        fInstrumentFound = true;
        return;
    }
    // In 64-bit microseconds: long waits do not fit the wrapping 32-bit millisecond clock.
    const uint64_t waited = CTimer::GetSystemUS() - fStartUS;
    if (waited < uint64_t(fOptions.mWaitSeconds) * 1000000)
        return;
    // An instrument is on the bus but could not be used: held by another program (an
    // open still retrying gives up at this quit request and says so) or not permitted.
    // The status line tells which; only with none at all is there nothing to add.
    const bool seen = CUSBManager::gManager && CUSBManager::gManager->GetDeviceDriverCount() > 0;
    if (seen)
    {
        // Asked only who is there, the answer is that it cannot be reached.
        End(fOptions.mIdentify ? kExitFailed : kExitNoInstrument);
        return;
    }
    std::string message = "No ";
    message += fHandler->GetProduct();
    message += " found.";
    End(kExitNoInstrument, message.c_str());
}
