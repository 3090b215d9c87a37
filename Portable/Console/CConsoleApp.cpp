#include "Portable/Console/CConsoleApp.h"

#include "Portable/Console/CConsoleView.h"
#include "Portable/Console/CJsonEventWriter.h"
#include "Portable/update/ByteOrder.h"
#include "Portable/update/CUSBHandler.h"
#include "framework/application/CLowLevelApplication.h"
#include "framework/files/COpenResourceFile.h"
#include "platform/CMainEventQueue.h"
#include "platform/resources/CResourceManager.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace
{

volatile sig_atomic_t gInterrupts = 0;
// Until the view shows the update, nothing is at stake: Ctrl-C ends the process at
// once.
volatile sig_atomic_t gViewShown = 0;
// The handler writes a byte here for every signal. Watched by the main queue, so a
// signal is seen wherever the queue is run, also while an instrument is being opened
// (which waits for seconds without an idle pass).
int gSignalPipe[2] = {-1, -1};

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

// Installs handler for signal unless the program was started with the signal ignored
// (nohup ignores SIGHUP, a shell's background job SIGINT): that choice stands.
void CatchUnlessIgnored(int signal, const struct sigaction& handler)
{
    struct sigaction current = {};
    if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
        return;
    sigaction(signal, &handler, nullptr);
}

} // namespace

CConsoleApp::CConsoleApp(NSWayfarer::CApplicationStartupInfo* info, const SConsoleOptions& options,
                         std::FILE* out, int inFD)
    : CBaseApp(info), fOptions(options), fOut(out), fInFD(inFD), fInterruptsSeen(gInterrupts)
{
    if (fOptions.mJson)
        fEvents = std::make_unique<CJsonEventWriter>(fOut);
}

CConsoleApp::~CConsoleApp()
{
    // Not cleaned up: a failure left the run (the caller reports it and exits with
    // the failure status). The events still end with an end.
    WriteEndEvent(CConsoleView::kExitFailed, "");
    if (fSignalWatchId)
        NSPlatform::CMainEventQueue::Main().RemoveWatch(fSignalWatchId);
}

void CConsoleApp::NoteInterrupt()
{
    const int savedErrno = errno;
    gInterrupts = gInterrupts + 1;
    if (gSignalPipe[1] >= 0)
    {
        const char one = 1;
        // A full pipe already holds a wake-up.
        ssize_t written = ::write(gSignalPipe[1], &one, 1);
        (void)written;
    }
    errno = savedErrno;
    NSPlatform::CMainEventQueue::Main().WakeFromSignal();
}

void CConsoleApp::InstallSignalHandlers()
{
    // The queue must exist before a signal can ask it to wake up.
    NSPlatform::CMainEventQueue::Main();
    if (gSignalPipe[0] < 0 && ::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        gSignalPipe[0] = gSignalPipe[1] = -1;
    struct sigaction action = {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    CatchUnlessIgnored(SIGINT, action);
    CatchUnlessIgnored(SIGTERM, action);
    // A closed terminal or a reader that went away must not kill a transfer
    // half-way: hang-ups count as a quit request, failed writes are ignored.
    CatchUnlessIgnored(SIGHUP, action);
    std::signal(SIGPIPE, SIG_IGN);
}

void CConsoleApp::CreateMainWindow()
{
    WriteStartEvent();
    CUSBHandler* handler = GetHandler();
    if (!handler)
    {
        if (!GetStartupError().empty())
            std::fprintf(stderr, "kelt-podium-update: %s\n", GetStartupError().c_str());
        else
            std::fprintf(stderr, "No OS resource\n");
        fExitCode = CConsoleView::kExitUsage;
        RequestQuit();
        return;
    }
    std::FILE* human = fEvents ? stderr : fOut;
    fView = std::make_unique<CConsoleView>(handler, fOptions, human, fInFD,
                                           ::isatty(::fileno(human)) == 1, ::isatty(fInFD) == 1,
                                           fEvents.get());
    fView->Show();
    if (gSignalPipe[0] >= 0)
        fSignalWatchId = NSPlatform::CMainEventQueue::Main().AddWatch(
            gSignalPipe[0], POLLIN,
            [this](short)
            {
                char drained[64];
                while (::read(gSignalPipe[0], drained, sizeof drained) > 0)
                {
                }
                ForwardInterrupts();
            });
    gViewShown = 1;
}

void CConsoleApp::ForwardInterrupts()
{
    const sig_atomic_t interrupts = gInterrupts;
    if (!fView)
        return;
    while (fInterruptsSeen != interrupts)
    {
        ++fInterruptsSeen;
        fView->Interrupt();
    }
    fView->HandleInterrupts();
}

void CConsoleApp::Idle()
{
    ForwardInterrupts();
    CBaseApp::Idle();
}

void CConsoleApp::CleanUp()
{
    gViewShown = 0;
    if (fSignalWatchId)
    {
        NSPlatform::CMainEventQueue::Main().RemoveWatch(fSignalWatchId);
        fSignalWatchId = 0;
    }
    std::string message;
    if (fView)
    {
        fExitCode = fView->GetExitCode();
        message = fView->GetEndMessage();
    }
    // The view reads the handler: it goes first.
    fView.reset();
    CBaseApp::CleanUp();
    WriteEndEvent(fExitCode, message);
}

void CConsoleApp::WriteStartEvent()
{
    if (!fEvents)
        return;
    std::string program = "unknown";
    std::string file;
    if (const NSWayfarer::COpenResourceFile* resources = GetResourceFile())
    {
        const NSWayfarer::CWayfarerFileVersion version = resources->GetWayfarerFileVersion();
        char text[48];
        if (version.GetMajor() != NSWayfarer::CLowLevelApplication::kUnknownVersion)
        {
            version.GetString(text);
            program = text;
        }
        file = NSPlatform::CResourceManager::GetPath(resources->MacGetRefNum());
    }
    const CUSBHandler* handler = GetHandler();
    const uint8_t* image = handler ? handler->GetOSData() : nullptr;
    const uint32_t size = handler ? handler->GetOSSize() : 0;
    fEvents->WriteStart(program, handler ? handler->GetVersion() : nullptr,
                        image && size >= 2 ? LoadBig16(image) : -1,
                        image && size >= 6 ? LoadBig16(image + 4) : -1, file);
}

void CConsoleApp::WriteEndEvent(int exitCode, const std::string& message)
{
    if (!fEvents || fEndWritten)
        return;
    fEndWritten = true;
    fEvents->WriteEnd(exitCode, fOptions.mIdentify, message);
}

int CConsoleApp::GetExitCode() const
{
    return fView ? fView->GetExitCode() : fExitCode;
}
