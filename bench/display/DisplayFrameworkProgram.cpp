// A small program on the framework for scripts/measure-display.sh:
//   first-window    opens one 200 x 150 window, draws into it, and prints the wall-clock
//                   time (ns) at which the server has the first painted frame
//   idle SECONDS    keeps that window open with the loop waiting for SECONDS
//   latency COUNT   while the loop waits, another thread posts COUNT notifications to
//                   the main queue; prints the median and worst delay to their dispatch
#include "framework/application/CApplication.h"
#include "framework/application/CApplicationStartupInfo.h"
#include "framework/application/CApplicationWindowSystem.h"
#include "platform/CMainEventQueue.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeWindow.h"

#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace NSWayfarer;

namespace
{

class CProgram : public CApplication
{
public:
    using CApplication::CApplication;
    void Initialize() override
    {
        CApplication::Initialize();
        fWindow = std::make_unique<NSPlatform::CNativeWindow>(
            NSPlatform::CNativeWindow::kDocument, "measure",
            NSPlatform::SDisplayRect{40, 40, 240, 190});
        cairo_t* cr = cairo_create(fWindow->GetBackingStore());
        cairo_set_source_rgb(cr, 0.2, 0.4, 0.8);
        cairo_paint(cr);
        cairo_destroy(cr);
        fWindow->InvalidateAll();
        fWindow->Show();
    }
    void CleanUp() override { fWindow.reset(); }
    void Idle() override
    {
        CApplication::Idle();
        if (fOnIdle)
            fOnIdle();
    }

    std::unique_ptr<NSPlatform::CNativeWindow> fWindow;
    std::function<void()> fOnIdle;
};

int64_t WallNS()
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "first-window";
    const long amount = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 0;

    CApplicationStartupInfo info;
    std::snprintf(info.fApplicationName, sizeof info.fApplicationName, "measure");
    info.fFileSpec = CApplication::GetFileSpecForCurrentApplication();
    info.fUsesDisplay = true;
    CProgram program(&info);

    if (mode == "first-window")
    {
        // Looked at after every wait that brought no event of the framework's (an
        // expose is the toolkit's own business), so no idle spacing delays it.
        struct CFirstFrame : CApplicationWindowSystem
        {
            CProgram* fProgram = nullptr;
            bool fDone = false;
            bool HandleNullEvent() override
            {
                if (fDone || !fProgram->fWindow || fProgram->fWindow->GetPaintCount() == 0)
                    return false;
                fDone = true;
                NSPlatform::CDisplay::Sync();
                std::printf("%lld\n", static_cast<long long>(WallNS()));
                fProgram->RequestQuit();
                return false;
            }
        } watch;
        watch.fProgram = &program;
        CApplication::RegisterWindowSystem(&watch);
        program.Run();
        CApplication::UnregisterWindowSystem(&watch);
        return 0;
    }
    if (mode == "idle")
    {
        const auto end =
            std::chrono::steady_clock::now() + std::chrono::seconds(amount > 0 ? amount : 10);
        program.fOnIdle = [&]
        {
            if (std::chrono::steady_clock::now() >= end)
                program.RequestQuit();
        };
        program.Run();
        return 0;
    }
    if (mode == "latency")
    {
        const long count = amount > 0 ? amount : 100;
        std::vector<double> delaysMS;
        std::atomic<bool> stop{false};
        std::thread poster;
        program.fOnIdle = [&]
        {
            if (poster.joinable())
                return;
            poster = std::thread(
                [&]
                {
                    for (long i = 0; i < count && !stop; ++i)
                    {
                        // Spaced so that the main thread is asleep in its wait each time.
                        std::this_thread::sleep_for(std::chrono::milliseconds(23));
                        const auto posted = std::chrono::steady_clock::now();
                        NSPlatform::CMainEventQueue::Main().Post(
                            [&, posted]
                            {
                                delaysMS.push_back(std::chrono::duration<double, std::milli>(
                                                       std::chrono::steady_clock::now() - posted)
                                                       .count());
                                if (static_cast<long>(delaysMS.size()) == count)
                                    program.RequestQuit();
                            });
                    }
                });
        };
        program.Run();
        stop = true;
        if (poster.joinable())
            poster.join();
        std::sort(delaysMS.begin(), delaysMS.end());
        if (delaysMS.empty())
            return 1;
        std::printf("notifications %zu, median %.3f ms, worst %.3f ms\n", delaysMS.size(),
                    delaysMS[delaysMS.size() / 2], delaysMS.back());
        return 0;
    }
    std::fprintf(stderr, "usage: %s first-window | idle SECONDS | latency COUNT\n", argv[0]);
    return 2;
}
