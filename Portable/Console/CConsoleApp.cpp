#include "Portable/Console/CConsoleApp.h"

#include "Portable/Console/CConsoleView.h"
#include "platform/CMainEventQueue.h"

#include <unistd.h>

namespace
{

volatile sig_atomic_t gInterrupts = 0;
// Until the view shows the update, nothing is at stake: Ctrl-C ends the process at
// once (start-up can wait long for an instrument that another program holds).
volatile sig_atomic_t gViewShown = 0;

extern "C" void OnInterruptSignal(int signal)
{
    if (!gViewShown)
    {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    CConsoleApp::NoteInterrupt();
}

} // namespace

CConsoleApp::CConsoleApp(NSWayfarer::CApplicationStartupInfo* info, const SConsoleOptions& options,
                         std::FILE* out, int inFD)
    : CBaseApp(info), fOptions(options), fOut(out), fInFD(inFD), fInterruptsSeen(gInterrupts)
{
}

CConsoleApp::~CConsoleApp() = default;

void CConsoleApp::NoteInterrupt()
{
    gInterrupts = gInterrupts + 1;
    NSPlatform::CMainEventQueue::Main().WakeFromSignal();
}

void CConsoleApp::InstallSignalHandlers()
{
    // The queue must exist before a signal can ask it to wake up.
    NSPlatform::CMainEventQueue::Main();
    struct sigaction action = {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed terminal or a reader that went away must not kill a transfer
    // half-way: hang-ups count as a quit request, failed writes are ignored.
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

void CConsoleApp::CreateMainWindow()
{
    if (!GetHandler())
    {
        std::fprintf(stderr, "No OS resource\n");
        fExitCode = CConsoleView::kExitUsage;
        RequestQuit();
        return;
    }
    fView = std::make_unique<CConsoleView>(GetHandler(), fOptions, fOut, fInFD,
                                           ::isatty(::fileno(fOut)) == 1, ::isatty(fInFD) == 1);
    fView->Show();
    gViewShown = 1;
}

void CConsoleApp::Idle()
{
    const sig_atomic_t interrupts = gInterrupts;
    while (fView && fInterruptsSeen != interrupts)
    {
        ++fInterruptsSeen;
        fView->Interrupt();
    }
    CBaseApp::Idle();
}

void CConsoleApp::CleanUp()
{
    gViewShown = 0;
    if (fView)
        fExitCode = fView->GetExitCode();
    // The view reads the handler: it goes first.
    fView.reset();
    CBaseApp::CleanUp();
}

int CConsoleApp::GetExitCode() const
{
    return fView ? fView->GetExitCode() : fExitCode;
}
