// A whole update engine on the virtual bus under the manual clock: the handler,
// one virtual instrument and a recorder of what a window would have been shown.
#pragma once

#include "Portable/USBManager/CUSBManager.h"
#include "Portable/update/ByteOrder.h"
#include "Portable/update/COSImageBuilder.h"
#include "Portable/update/CUSBHandler.h"
#include "Portable/update/Crc16.h"
#include "Portable/update/UpdaterRunState.h"
#include "framework/application/CApplication.h"
#include "framework/application/CApplicationWindowSystem.h"
#include "framework/application/CTimer.h"
#include "framework/media/CMemoryMedia.h"
#include "platform/CMainEventQueue.h"
#include "platform/CPlatformClock.h"
#include "platform/usb/CVirtualInstrument.h"
#include "platform/usb/CVirtualUsbBus.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace UpdateTest
{

// Records every run state and status line the handler's setup phase shows.
class CRecorder : public NSWayfarer::CApplicationWindowSystem
{
public:
    explicit CRecorder(const std::unique_ptr<CUSBHandler>* handler) : fHandler(handler) {}

    void SetupState() override
    {
        const EUpdaterRunState state = GetUpdaterRunState();
        if (fStates.empty() || fStates.back() != state)
            fStates.push_back(state);
        if (*fHandler)
        {
            const std::string status = (*fHandler)->GetStatus();
            if (fStatuses.empty() || fStatuses.back() != status)
                fStatuses.push_back(status);
        }
    }

    bool SawStatus(const std::string& text) const
    {
        for (const auto& s : fStatuses)
            if (s == text)
                return true;
        return false;
    }

    std::vector<EUpdaterRunState> fStates;
    std::vector<std::string> fStatuses;

private:
    const std::unique_ptr<CUSBHandler>* fHandler;
};

inline std::vector<uint8_t> MakeImage(size_t codeSize, uint16_t version = 120, uint16_t build = 7)
{
    COSImageBuilder builder(version, build);
    std::vector<uint8_t> code(codeSize);
    uint32_t x = 12345;
    for (auto& b : code)
    {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    builder.AddSection("CODE", 0x10000, std::move(code));
    return builder.Build();
}

// An image of exactly total bytes (header included).
inline std::vector<uint8_t> MakeImageOfSize(size_t total)
{
    return MakeImage(total - 724);
}

class CUpdateBench : public ::testing::Test
{
protected:
    void SetUp() override
    {
        NSPlatform::CPlatformClock::SetManual(true);
        NSPlatform::CMainEventQueue::Main().Clear();
        SetUpdaterRunState(kURSUnknown);
        CRCinit();
        fBus = NSPlatform::CVirtualUsbBus::InstallNew();
        NSWayfarer::CApplication::RegisterWindowSystem(&fRecorder);
    }

    void TearDown() override
    {
        fHandler.reset();
        NSWayfarer::CApplication::UnregisterWindowSystem(&fRecorder);
        fInstrument.reset();
        NSPlatform::CUsbBus::Install(nullptr);
        fBus.reset();
        NSPlatform::CMainEventQueue::Main().Clear();
        NSPlatform::CPlatformClock::SetManual(false);
        SetUpdaterRunState(kURSUnknown);
    }

    void Attach(const NSPlatform::SVirtualInstrumentConfig& config)
    {
        fInstrument = fBus->Attach(config);
    }

    void Start(std::vector<uint8_t> image)
    {
        fImage = std::move(image);
        NSWayfarer::CMemoryMedia os(static_cast<NSWayfarer::TMediaPos>(fImage.size()),
                                    fImage.data());
        uint8_t bootBytes[4] = {1, 2, 3, 4};
        NSWayfarer::CMemoryMedia boot(4, bootBytes);
        fHandler = std::make_unique<CUSBHandler>(&boot, &os);
    }

    // One idle pass of the application, 50 ms after the previous one.
    void Pass()
    {
        NSWayfarer::CTimer::WaitForMS(50);
        fBus->Poll();
        NSPlatform::CMainEventQueue::Main().WaitAndDispatch(0);
        fHandler->Idle();
    }

    bool RunUntil(const std::function<bool()>& done, int maxPasses = 2000)
    {
        for (int i = 0; i < maxPasses; ++i)
        {
            if (done())
                return true;
            Pass();
        }
        return done();
    }

    // Idle passes until done() holds or the manual clock has moved on by more than ms,
    // the time the engine's own deadlines count; true when done() holds.
    bool RunUntilManualMS(const std::function<bool()>& done, uint32_t ms)
    {
        const uint32_t start = static_cast<uint32_t>(NSWayfarer::CTimer::GetSystemMS());
        while (!done())
        {
            if (static_cast<uint32_t>(NSWayfarer::CTimer::GetSystemMS()) - start > ms)
                return false;
            Pass();
        }
        return true;
    }

    bool RunUntilState(EUpdaterRunState state, int maxPasses = 2000)
    {
        return RunUntil([state] { return GetUpdaterRunState() == state; }, maxPasses);
    }

    uint32_t Count(uint8_t code) const
    {
        auto stats = fInstrument->GetStatistics();
        auto it = stats.mMessages.find(code);
        return it == stats.mMessages.end() ? 0 : it->second;
    }

    std::shared_ptr<NSPlatform::CVirtualUsbBus> fBus;
    std::shared_ptr<NSPlatform::CVirtualInstrument> fInstrument;
    std::vector<uint8_t> fImage;
    std::unique_ptr<CUSBHandler> fHandler;
    CRecorder fRecorder{&fHandler};
};

} // namespace UpdateTest
