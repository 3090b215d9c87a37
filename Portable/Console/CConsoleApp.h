// The updater without a window: starts up as the updater does and shows the
// update on the terminal through a console view; its exit code tells the outcome.
// With JSON events, out carries only the events and the human texts go to stderr.
#pragma once

#include "Portable/BaseApp/CBaseApp.h"
#include "Portable/Console/SConsoleOptions.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

class CConsoleView;
class CJsonEventWriter;

class CConsoleApp : public CBaseApp
{
public:
    CConsoleApp(NSWayfarer::CApplicationStartupInfo* info, const SConsoleOptions& options,
                std::FILE* out, int inFD);
    ~CConsoleApp() override;

    int GetExitCode() const;
    CConsoleView* GetView() const { return fView.get(); }

    void Idle() override;
    void CleanUp() override;

    // Ctrl-C and termination requests end up here (async-signal-safe).
    static void NoteInterrupt();
    // Installs the handlers of SIGINT, SIGTERM and SIGHUP (each unless the program
    // was started with it ignored); ignores SIGPIPE.
    static void InstallSignalHandlers();

protected:
    void CreateMainWindow() override;

private:
    // Hands the signals that came to the view, which acts on them at once.
    void ForwardInterrupts();

    SConsoleOptions fOptions;
    std::FILE* fOut;
    int fInFD;
    // Writes the first event: what is installed, from which file.
    void WriteStartEvent();
    // Writes the last event, once.
    void WriteEndEvent(int exitCode, const std::string& message);

    std::unique_ptr<CConsoleView> fView;
    std::unique_ptr<CJsonEventWriter> fEvents;
    bool fEndWritten = false;
    int fExitCode = 0;
    sig_atomic_t fInterruptsSeen = 0;
    int fSignalWatchId = 0;
};
