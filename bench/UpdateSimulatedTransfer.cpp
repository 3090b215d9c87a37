// A whole update of a 4 MiB image against the virtual instrument on the real
// clock, through the application's event loop: the transfer's wall time against
// its pacing floor (one message per 50 ms idle pass) and the longest idle pass.
#include "Portable/USBManager/CUSBManager.h"
#include "Portable/update/COSImageBuilder.h"
#include "Portable/update/CUSBHandler.h"
#include "Portable/update/Crc16.h"
#include "Portable/update/UpdaterRunState.h"
#include "framework/application/CApplication.h"
#include "framework/application/CApplicationWindowSystem.h"
#include "framework/media/CMemoryMedia.h"
#include "platform/CMainEventQueue.h"
#include "platform/resources/CResourceManager.h"
#include "platform/usb/CVirtualInstrument.h"
#include "platform/usb/CVirtualUsbBus.h"
#include "tests/framework/application/ResourceImageForTests.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace
{

using TClock = std::chrono::steady_clock;

double Seconds(TClock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

class CBenchApp : public NSWayfarer::CApplication, public NSWayfarer::CApplicationWindowSystem
{
public:
    CBenchApp(const NSWayfarer::CApplicationStartupInfo* info, std::vector<uint8_t>& image)
        : CApplication(info), fImage(image)
    {
    }

    void Initialize() override
    {
        CApplication::Initialize();
        CRCinit();
        NSWayfarer::CMemoryMedia os(static_cast<NSWayfarer::TMediaPos>(fImage.size()),
                                    fImage.data());
        uint8_t bootBytes[16] = {};
        NSWayfarer::CMemoryMedia boot(16, bootBytes);
        fHandler = std::make_unique<CUSBHandler>(&boot, &os);
        RegisterWindowSystem(this);
    }

    void CleanUp() override
    {
        UnregisterWindowSystem(this);
        fHandler.reset();
    }

    void Idle() override
    {
        const auto start = TClock::now();
        const bool sending = GetUpdaterRunState() == kURSSending;
        CApplication::Idle();
        fHandler->Idle();
        if (sending)
            fLongestSendingPass = std::max(fLongestSendingPass, TClock::now() - start);
    }

    // The window's part: press Update when ready, note the phases, quit at the end.
    void HandleChangeRequests() override
    {
        if (fPress)
        {
            fPress = false;
            fPressed = TClock::now();
            fHandler->UpdatePressed();
        }
    }

    void SetupState() override
    {
        const EUpdaterRunState state = GetUpdaterRunState();
        if (state == fLast)
            return;
        if (state == kURSUpdate && fPressed == TClock::time_point())
        {
            fPress = true;
            NSPlatform::CMainEventQueue::Main().Post([] { ForceSetup(); });
        }
        if (state == kURSSending)
            fSendingFrom = TClock::now();
        if (fLast == kURSSending)
            fSendingTo = TClock::now();
        if (state == kURSFinish || (fLast == kURSSending && state != kURSWorking))
        {
            fFinished = TClock::now();
            fOK = state == kURSFinish;
            RequestQuit();
        }
        fLast = state;
    }

    std::vector<uint8_t>& fImage;
    std::unique_ptr<CUSBHandler> fHandler;
    EUpdaterRunState fLast = kURSUnknown;
    bool fPress = false;
    bool fOK = false;
    TClock::time_point fPressed, fSendingFrom, fSendingTo, fFinished;
    TClock::duration fLongestSendingPass{};
};

void UpdateSimulatedTransfer(benchmark::State& state)
{
    const size_t imageSize = 4u << 20;
    COSImageBuilder builder(120, 7);
    std::vector<uint8_t> code(imageSize - 724);
    for (size_t i = 0; i < code.size(); ++i)
        code[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    builder.AddSection("CODE", 0x100000, std::move(code));
    std::vector<uint8_t> image = builder.Build();

    std::vector<uint8_t> resources = ResourceImageForTests::Build({});
    const int16_t ref =
        NSPlatform::CResourceManager::OpenResImage(resources.data(), resources.size());
    NSPlatform::CResourceManager::UseResFile(ref);

    for (auto _ : state)
    {
        auto bus = NSPlatform::CVirtualUsbBus::InstallNew();
        NSPlatform::SVirtualInstrumentConfig config;
        NSPlatform::SVirtualInstrumentConfig::ParseSimulateMode("updater", config);
        auto instrument = bus->Attach(config);
        SetUpdaterRunState(kURSUnknown);

        NSWayfarer::CApplicationStartupInfo info;
        std::snprintf(info.fApplicationName, sizeof info.fApplicationName, "UpdateBench");
        CBenchApp app(&info, image);
        app.Run();

        const auto stats = instrument->GetStatistics();
        uint32_t messages = 0;
        for (uint8_t code : {10, 11, 12, 14})
        {
            auto it = stats.mMessages.find(code);
            messages += it == stats.mMessages.end() ? 0 : it->second;
        }
        const double transfer = Seconds(app.fSendingTo - app.fSendingFrom);
        const double floor = messages * app.GetIdleRate() / 1000.0;
        state.counters["ok"] = app.fOK && instrument->GetReceivedImage() == image ? 1 : 0;
        state.counters["messages"] = messages;
        state.counters["transfer_s"] = transfer;
        state.counters["floor_s"] = floor;
        state.counters["ratio"] = transfer / floor;
        state.counters["whole_update_s"] = Seconds(app.fFinished - app.fPressed);
        state.counters["longest_idle_pass_ms"] =
            std::chrono::duration<double, std::milli>(app.fLongestSendingPass).count();

        NSPlatform::CUsbBus::Install(nullptr);
        NSPlatform::CMainEventQueue::Main().Clear();
    }
    NSPlatform::CResourceManager::CloseResFile(ref);
}

} // namespace

BENCHMARK(UpdateSimulatedTransfer)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
