// The updater's window for terminals and scripts: prints what the main window
// would show, asks before it presses Update, and decides how the process ends.
#pragma once

#include "Portable/Console/SConsoleOptions.h"
#include "Portable/update/UpdaterRunState.h"
#include "framework/application/CApplicationWindowSystem.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class CJsonEventWriter;
class CUSBHandler;

namespace NSWayfarer
{
class CTimer;
}

class CConsoleView : public NSWayfarer::CApplicationWindowSystem
{
public:
    enum EExitCode
    {
        kExitUpdated = 0,
        kExitIdentified = 0, // with --identify
        kExitFailed = 1,
        kExitUsage = 2,
        kExitNoInstrument = 3,
        kExitDeclined = 4,
        kExitInterrupted = 130
    };

    // out receives the status lines; inFD is where answers come from. The terminal
    // flags choose between a bar redrawn in place and plain lines, and whether a
    // question can be asked at all. events, when given, receives the same account
    // as JSON events (all but the start and the end, which the application writes).
    CConsoleView(CUSBHandler* handler, const SConsoleOptions& options, std::FILE* out, int inFD,
                 bool outIsTerminal, bool inIsTerminal, CJsonEventWriter* events = nullptr);
    ~CConsoleView() override;
    CConsoleView(const CConsoleView&) = delete;
    CConsoleView& operator=(const CConsoleView&) = delete;

    // Prints the product line; registers the view with the application.
    void Show();

    // Ctrl-C (or a termination request) arrived; handled on the next idle pass or by
    // HandleInterrupts.
    void Interrupt() { ++fInterruptsPending; }
    void HandleInterrupts();

    bool HasEnded() const { return fEnded; }
    int GetExitCode() const { return fExitCode; }
    // What the end said beyond the status line ("The OS was not updated."); may be empty.
    const std::string& GetEndMessage() const { return fEndMessage; }

    void HandleChangeRequests() override;
    void SetupState() override;
    bool TryClosingAllWindows() override;
    void IdleAll() override;

private:
    enum EQuestion
    {
        kNoQuestion,
        kAskUpdate,
        kAskQuit
    };

    void PrintLine(const char* text);
    void ReportChanges(EUpdaterRunState state);
    void CheckIdentified(EUpdaterRunState state);
    void PrintIdentity();
    void ShowProgress(int32_t percent);
    void EndBarLine();
    void Ask(EQuestion question);
    void CancelQuestion();
    void Answer(bool yes);
    void ReadAnswer();
    void End(int exitCode, const char* message = nullptr);
    void CheckOutcome(EUpdaterRunState state);
    void CheckWait();
    void HandleInterrupt();

    CUSBHandler* fHandler;
    SConsoleOptions fOptions;
    std::FILE* fOut;
    int fInFD;
    bool fOutIsTerminal;
    bool fInIsTerminal;
    CJsonEventWriter* fEvents;

    std::string fLastStatus;
    EUpdaterRunState fLastState = kURSUnknown;
    int32_t fLastProgress = 0;
    int32_t fLastPrintedProgress = 0;
    bool fBarOnLine = false;

    bool fInstrumentFound = false;
    bool fUpdateRequested = false;
    bool fUpdateStarted = false;
    bool fAskedForThisInstrument = false;
    EQuestion fQuestion = kNoQuestion;
    int fWatchId = 0;
    std::string fInput;
    bool fInputClosed = false;

    int fInterruptsPending = 0;
    uint64_t fStartUS = 0;
    // Wakes the event loop when --wait runs out, also while an instrument is being
    // opened (which runs no idle pass for seconds).
    std::unique_ptr<NSWayfarer::CTimer> fWaitTimer;
    std::atomic<bool> fWaitDue = false;
    bool fEnded = false;
    int fExitCode = kExitInterrupted;
    bool fRegistered = false;
    std::string fEndMessage;

    // What the events have told so far.
    int fReportedState = -1;
    int32_t fReportedProgress = 0;
    uint32_t fReportedIdentities = 0;
    // With --identify: when the instrument was opened and asked (0: not yet).
    uint64_t fAskedIdentityUS = 0;
};
