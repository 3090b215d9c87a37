// The process entry of the updater: reads the command line, finds the resource
// file and runs the application in its window, or in the terminal (--console).
#include "Portable/BaseApp/CBaseApp.h"
#include "Portable/Console/CConsoleApp.h"
#include "Portable/Console/CConsoleView.h"
#include "Portable/Console/CJsonEventWriter.h"
#include "framework/application/CApplication.h"
#include "framework/application/CApplicationStartupInfo.h"
#include "framework/application/CLowLevelApplication.h"
#include "framework/files/XBase.h"
#include "platform/display/CDisplay.h"
#include "platform/usb/CVirtualUsbBus.h"
#include "platform/usb/SVirtualInstrumentConfig.h"

#include "Portable/VantorExeption.h"
#include "Portable/update/COSImageReport.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/media/CMemoryMedia.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <new>
#include <string>
#include <unistd.h>

namespace
{

const char* kUsage =
    "Usage: kelt-podium-update [--console] [OPTION]...\n"
    "Installs the OS image carried by this program into a Kelt Podium LX over USB.\n"
    "Without --console the program opens its window (it needs a display) and the\n"
    "update is started with its Update button.\n"
    "\n"
    "  --console            run in the terminal: print the status lines and the\n"
    "                       instrument's progress, ask before updating\n"
    "  -y, --yes            update as soon as the instrument is ready, without asking\n"
    "  --wait SECONDS       give up when no instrument is found within SECONDS\n"
    "                       (default: wait until interrupted)\n"
    "  --json               (with --console) standard output carries one JSON object\n"
    "                       per line and nothing else; the texts go to standard error.\n"
    "                       Events: start, status, state, instrument, progress,\n"
    "                       question, answer, and last end with \"exit\" and\n"
    "                       \"outcome\" (updated, failed, usage, no-instrument,\n"
    "                       declined, interrupted; identified with --identify)\n"
    "  --identify           (with --console) find the instrument, ask who it is and\n"
    "                       which OS it runs, print that and exit; nothing else is\n"
    "                       sent (status 0; 3: none within --wait; 1: it could not\n"
    "                       be opened or did not answer)\n"
    "  --simulate[=MODE]    use a virtual instrument instead of the USB bus; MODE is\n"
    "                         normal     running OS 1.10 (the default)\n"
    "                         updater    already in its updater mode\n"
    "                         no-os      in its updater mode, no OS installed\n"
    "                         busy       held by another program\n"
    "                         no-return  never comes back after the reboot request\n"
    "                         unplug     leaves the bus in the middle of the transfer\n"
    "                         odd-text   in its updater mode, answers with an error\n"
    "                                    text of quotes, controls and bytes that are\n"
    "                                    not UTF-8\n"
    "  --resources FILE     read the OS image from the resource file FILE instead of\n"
    "                       the one installed with the program\n"
    "  --version            print the program's version and the version of the OS\n"
    "                       image it installs\n"
    "  -h, --help           show this help\n"
    "\n"
    "Ctrl-C quits, except from the reboot request until the OS has been sent; while\n"
    "the instrument waits for the update it asks first (when standard input is a\n"
    "terminal). A signal the program was started with ignored (nohup) stays ignored.\n"
    "\n"
    "Exit status in the window (without --console):\n"
    "  0    the instrument was updated, or the user quit before updating\n"
    "  1    an update was started and did not complete\n"
    "  2    usage error, no display, or the resource file or its OS image is\n"
    "       missing or damaged\n"
    "\n"
    "Exit status in the terminal (--console):\n"
    "  0    the instrument was updated\n"
    "  1    the update failed (\"Reboot failed.\", \"Error while sending OS file\",\n"
    "       the instrument was lost or did not take the OS)\n"
    "  2    usage error, or the resource file or its OS image is missing, empty,\n"
    "       unreadable or damaged (nothing is sent to the instrument then)\n"
    "  3    no instrument could be used within --wait SECONDS (none was found, or\n"
    "       another program holds it)\n"
    "  4    the update was declined\n"
    "  130  interrupted before the update\n"
    "\n"
    "With --json, lines such as:\n"
    "  {\"event\":\"status\",\"text\":\"Found Kelt Podium LX\"}\n"
    "  {\"event\":\"progress\",\"percent\":50}\n"
    "  {\"event\":\"end\",\"exit\":0,\"outcome\":\"updated\"}\n"
    "Example: update from a script and check the outcome:\n"
    "  kelt-podium-update --console --json --yes | grep -q '\"outcome\":\"updated\"'\n";

struct SCommandLine
{
    bool mConsole = false;
    bool mHelp = false;
    bool mVersion = false;
    bool mSimulate = false;
    std::string mSimulateMode = "normal";
    SConsoleOptions mOptions;
};

// The simulated bus runs a thread that posts to the main queue: it is stopped when
// main returns, before the process's statics (the queue among them) go away.
struct SSimulation
{
    ~SSimulation()
    {
        if (mBus)
        {
            NSPlatform::CUsbBus::Install(nullptr);
            mBus.reset();
        }
    }

    std::shared_ptr<NSPlatform::CVirtualUsbBus> mBus;
};

bool ParseSeconds(const char* text, int& seconds)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != 0 || value < 0 || value > 24L * 3600 * 365)
        return false;
    seconds = static_cast<int>(value);
    return true;
}

// Returns an error text, or an empty one.
std::string Parse(int argc, char** argv, SCommandLine& line)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--console")
            line.mConsole = true;
        else if (arg == "-h" || arg == "--help")
            line.mHelp = true;
        else if (arg == "--version")
            line.mVersion = true;
        else if (arg == "-y" || arg == "--yes")
            line.mOptions.mAssumeYes = true;
        else if (arg == "--json")
            line.mOptions.mJson = true;
        else if (arg == "--identify")
            line.mOptions.mIdentify = true;
        else if (arg == "--simulate")
            line.mSimulate = true;
        else if (arg.rfind("--simulate=", 0) == 0)
        {
            line.mSimulate = true;
            line.mSimulateMode = arg.substr(11);
        }
        else if (arg == "--wait" || arg.rfind("--wait=", 0) == 0)
        {
            const char* value = nullptr;
            if (arg == "--wait")
            {
                if (i + 1 >= argc)
                    return "--wait needs a number of seconds";
                value = argv[++i];
            }
            else
            {
                value = argv[i] + 7;
            }
            if (!ParseSeconds(value, line.mOptions.mWaitSeconds))
                return std::string("not a number of seconds: ") + value;
        }
        else if (arg == "--resources")
        {
            // Taken by the resource-file search; only its value is skipped here.
            if (i + 1 >= argc)
                return "--resources needs a file";
            ++i;
        }
        else if (arg.rfind("--resources=", 0) == 0)
        {
        }
        else
        {
            return "unknown option: " + arg;
        }
    }
    if (line.mOptions.mJson && !line.mConsole)
        return "--json needs --console";
    if (line.mOptions.mIdentify && !line.mConsole)
        return "--identify needs --console";
    if (line.mOptions.mIdentify && line.mOptions.mAssumeYes)
        return "--identify updates nothing; it does not go with --yes";
    return {};
}

// A script asking for JSON learns of a usage error from standard output too.
void WriteUsageEnd(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--json") == 0)
        {
            CJsonEventWriter(stdout).WriteEnd(CConsoleView::kExitUsage, false, "");
            return;
        }
}

// Descriptors 0, 1 and 2 are taken (on /dev/null) when the program was started
// without them: the next descriptor opened (the event queue's) would otherwise land
// there and be read as the user's answer, or receive the status lines. False when
// that cannot be done.
bool OpenStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd)
    {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd)
        {
            if (opened >= 0)
                ::close(opened);
            return false;
        }
    }
    return true;
}

// One line for a failure: the framework's exceptions carry only their type.
std::string Describe(const std::exception_ptr& failure)
{
    try
    {
        std::rethrow_exception(failure);
    }
    catch (const std::bad_alloc&)
    {
        return "out of memory";
    }
    catch (const XVantorBase& e)
    {
        return e.what();
    }
    catch (const NSWayfarer::XFileNotFound&)
    {
        return "file not found";
    }
    catch (const NSWayfarer::XBadFormat&)
    {
        return "damaged data";
    }
    catch (const NSWayfarer::XRead&)
    {
        return "read error";
    }
    catch (const NSWayfarer::XFile&)
    {
        return "file error";
    }
    catch (const NSWayfarer::XBase&)
    {
        return "internal error";
    }
    catch (const std::exception& e)
    {
        return e.what();
    }
    catch (...)
    {
    }
    return "unexpected failure";
}

// The program's version from its "vers" resource and the version of the OS image it
// carries, read from the same resource file an update would use. 0 when both were
// read and the image can be installed; the usage status otherwise.
int PrintVersions(int argc, char** argv)
{
    const short ref = NSWayfarer::CLowLevelApplication::MacOpenStartupResourceFile(argc, argv);
    if (ref < 0)
        return CConsoleView::kExitUsage;
    const NSWayfarer::COpenResourceFile resources(ref);
    const NSWayfarer::CWayfarerFileVersion version = resources.GetWayfarerFileVersion();
    char versionText[48] = "unknown";
    if (version.GetMajor() != NSWayfarer::CLowLevelApplication::kUnknownVersion)
        version.GetString(versionText);
    std::printf("kelt-podium-update %s\n", versionText);

    if (!resources.DoesExist("TQOS", 128))
    {
        std::fflush(stdout);
        std::fprintf(stderr, "No OS resource\n");
        return CConsoleView::kExitUsage;
    }
    std::unique_ptr<NSWayfarer::CMemoryMedia> image(resources.Read("TQOS", 128));
    const COSImageReport report(*image);
    if (report.IsInstallable())
        std::printf("OS image: %s\n", report.GetVersionText().c_str());
    else if (report.HasHeader())
        std::printf("OS image: %s (%s)\n", report.GetVersionText().c_str(),
                    report.GetVerdictText().c_str());
    else
        std::printf("OS image: %s\n", report.GetVerdictText().c_str());
    return report.IsInstallable() ? 0 : CConsoleView::kExitUsage;
}

// Window mode needs a display: one named in the environment that the toolkit can open.
bool OpenDisplay()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!x11 || !*x11) && (!wayland || !*wayland))
        return false;
    return NSPlatform::CDisplay::Open();
}

} // namespace

// The window application's entry. Nothing is left to bind lazily here: the
// program is linked for immediate binding, so no symbol lookup can stall the loop
// in the middle of a transfer.
int APPMain(NSWayfarer::CApplicationStartupInfo* startup)
{
    NSWayfarer::CApplicationStartupInfo& info = *startup;
    std::snprintf(info.fApplicationName, sizeof info.fApplicationName, "%s",
                  CBaseApp::kApplicationName);
    info.fUsesDisplay = true;
    CBaseApp app(&info);
    try
    {
        app.Run();
    }
    catch (...)
    {
        // The resource file cannot show the window: said with its path, as a usage error.
        if (app.GetStartupError().empty())
            throw;
        std::fprintf(stderr, "kelt-podium-update: %s\n", app.GetStartupError().c_str());
        return CBaseApp::kExitNoImage;
    }
    return app.GetWindowExitCode();
}

namespace
{

[[noreturn]] void OnTerminate()
{
    // The last resort for a failure nothing could catch (one leaving a destructor):
    // a message and the failure status instead of an abort and a core dump.
    static const char kMessage[] = "kelt-podium-update: unexpected failure\n";
    ssize_t written = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    (void)written;
    std::_Exit(CConsoleView::kExitFailed);
}

} // namespace

int main(int argc, char** argv)
{
    if (!OpenStandardDescriptors())
        return CConsoleView::kExitFailed;
    std::set_terminate(OnTerminate);

    SCommandLine line;
    const std::string error = Parse(argc, argv, line);
    if (!error.empty())
    {
        std::fprintf(stderr, "kelt-podium-update: %s\n%s", error.c_str(), kUsage);
        WriteUsageEnd(argc, argv);
        return CConsoleView::kExitUsage;
    }
    if (line.mHelp)
    {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (line.mVersion)
    {
        try
        {
            return PrintVersions(argc, argv);
        }
        catch (...)
        {
            std::fflush(stdout);
            std::fprintf(stderr, "kelt-podium-update: cannot read the resource file: %s\n",
                         Describe(std::current_exception()).c_str());
            return CConsoleView::kExitUsage;
        }
    }
    if (!line.mConsole && !OpenDisplay())
    {
        std::fprintf(stderr, "kelt-podium-update: no display to open the window on; run "
                             "\"kelt-podium-update --console\" to update in the terminal\n");
        return CConsoleView::kExitUsage;
    }

    NSPlatform::SVirtualInstrumentConfig simulated;
    if (line.mSimulate &&
        !NSPlatform::SVirtualInstrumentConfig::ParseSimulateMode(line.mSimulateMode, simulated))
    {
        std::fprintf(stderr, "kelt-podium-update: unknown simulation mode: %s (one of %s)\n",
                     line.mSimulateMode.c_str(),
                     NSPlatform::SVirtualInstrumentConfig::SimulateModes());
        WriteUsageEnd(argc, argv);
        return CConsoleView::kExitUsage;
    }

    try
    {
        if (NSWayfarer::CLowLevelApplication::MacOpenStartupResourceFile(argc, argv) < 0)
        {
            WriteUsageEnd(argc, argv);
            return CConsoleView::kExitUsage;
        }
    }
    catch (...)
    {
        std::fprintf(stderr, "kelt-podium-update: cannot read the resource file: %s\n",
                     Describe(std::current_exception()).c_str());
        WriteUsageEnd(argc, argv);
        return CConsoleView::kExitUsage;
    }

    SSimulation simulation;
    try
    {
        NSWayfarer::CApplicationStartupInfo info;
        std::snprintf(info.fApplicationName, sizeof info.fApplicationName, "%s",
                      "Wayfarer MacOS Application");
        info.fFileSpec = NSWayfarer::CApplication::GetFileSpecForCurrentApplication();
        info.fMacGrowZoneReserveSize = 40000;

        if (line.mSimulate)
        {
            simulation.mBus = NSPlatform::CVirtualUsbBus::InstallNew();
            simulation.mBus->Attach(simulated);
        }

        std::snprintf(info.fApplicationName, sizeof info.fApplicationName, "%s",
                      CBaseApp::kApplicationName);
        if (!line.mConsole)
            return APPMain(&info);

        CConsoleApp::InstallSignalHandlers();
        int exitCode;
        {
            CConsoleApp app(&info, line.mOptions, stdout, STDIN_FILENO);
            app.Run();
            exitCode = app.GetExitCode();
        }
        std::fflush(stdout);
        return exitCode;
    }
    catch (...)
    {
        std::fprintf(stderr, "kelt-podium-update: %s\n",
                     Describe(std::current_exception()).c_str());
    }
    return CConsoleView::kExitFailed;
}
