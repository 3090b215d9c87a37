// Delivers arbitrary messages to the update engine in any run state, with a
// virtual instrument on the bus (or none) under the manual clock, interleaved
// with idle passes, run-state changes and presses of Update. The engine must
// take every byte string without reading outside it, keep its texts inside
// their stores and its run state in range, and never hang.
//
// Input: byte 0 picks the instrument (bit 0: attached; bit 1: in its updater
// mode; bit 2: no OS installed), byte 1 the run state to start from (% 10; 9
// keeps the state the handler reached on its own); then
// operations, each one byte (low 2 bits) and its operands:
//   0 LEN_LO LEN_HI BYTES...  a message of LEN % 4097 bytes (fewer when the input ends)
//   1                         an idle pass, 50 ms later
//   2 STATE                   the run state becomes STATE % 9
//   3                         the user presses Update

#include "Portable/USBManager/CUSBManager.h"
#include "Portable/update/COSImageBuilder.h"
#include "Portable/update/CUSBHandler.h"
#include "Portable/update/Crc16.h"
#include "Portable/update/USBProtocol.h"
#include "Portable/update/UpdaterRunState.h"
#include "framework/application/CTimer.h"
#include "framework/media/CMemoryMedia.h"
#include "platform/CMainEventQueue.h"
#include "platform/CPlatformClock.h"
#include "platform/usb/CVirtualInstrument.h"
#include "platform/usb/CVirtualUsbBus.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace
{

constexpr int kMaxPasses = 200;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

const std::vector<uint8_t>& Image()
{
    static const std::vector<uint8_t> image = []
    {
        COSImageBuilder builder(123, 7);
        std::vector<uint8_t> code(20000);
        for (size_t i = 0; i < code.size(); ++i)
            code[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
        builder.AddSection("CODE", 0x10000, std::move(code));
        return builder.Build();
    }();
    return image;
}

class CInput
{
public:
    CInput(const uint8_t* data, size_t size) : fData(data), fSize(size) {}
    bool AtEnd() const { return fPos >= fSize; }
    uint8_t Byte() { return fPos < fSize ? fData[fPos++] : 0; }
    // Up to n bytes; fewer at the end of the input.
    std::vector<uint8_t> Bytes(size_t n)
    {
        const size_t take = n < fSize - fPos ? n : fSize - fPos;
        std::vector<uint8_t> out(fData + fPos, fData + fPos + take);
        fPos += take;
        return out;
    }

private:
    const uint8_t* fData;
    size_t fSize;
    size_t fPos = 0;
};

void CheckHandler(const CUSBHandler& handler)
{
    Require(strnlen(handler.GetStatus(), CUSBHandler::kTextSize) < CUSBHandler::kTextSize);
    Require(strnlen(handler.GetVersion(), CUSBHandler::kTextSize) < CUSBHandler::kTextSize);
    Require(strnlen(handler.GetProduct(), CUSBHandler::kTextSize) < CUSBHandler::kTextSize);
    Require(strnlen(handler.GetRemark(), CUSBHandler::kRemarkSize) < CUSBHandler::kRemarkSize);
    const EUpdaterRunState state = GetUpdaterRunState();
    Require(state >= kURSUnknown && state <= kURSFinish);
}

void Pass(NSPlatform::CVirtualUsbBus& bus, CUSBHandler& handler)
{
    NSWayfarer::CTimer::WaitForMS(50);
    bus.Poll();
    NSPlatform::CMainEventQueue::Main().WaitAndDispatch(0);
    handler.Idle();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    NSPlatform::CPlatformClock::SetManual(true);
    CRCinit();
    Image();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CInput in(data, size);
    const uint8_t instrument = in.Byte();
    const uint8_t startState = in.Byte();

    NSPlatform::CMainEventQueue::Main().Clear();
    SetUpdaterRunState(kURSUnknown);
    std::shared_ptr<NSPlatform::CVirtualUsbBus> bus = NSPlatform::CVirtualUsbBus::InstallNew();
    std::shared_ptr<NSPlatform::CVirtualInstrument> device;
    if (instrument & 1)
    {
        NSPlatform::SVirtualInstrumentConfig config;
        config.mUpdaterMode = (instrument & 2) != 0;
        config.mHasOS = (instrument & 4) == 0;
        device = bus->Attach(config);
    }

    std::vector<uint8_t> image = Image();
    NSWayfarer::CMemoryMedia os(static_cast<NSWayfarer::TMediaPos>(image.size()), image.data());
    uint8_t bootBytes[4] = {1, 2, 3, 4};
    NSWayfarer::CMemoryMedia boot(4, bootBytes);
    auto handler = std::make_unique<CUSBHandler>(&boot, &os);
    if (startState % 10 != 9)
        SetUpdaterRunState(static_cast<EUpdaterRunState>(startState % 10));
    // KELT_FUZZ_TRACE=1: the run states an input passes through, to check what seeds reach.
    static const bool trace = std::getenv("KELT_FUZZ_TRACE") != nullptr;
    EUpdaterRunState shown = GetUpdaterRunState();
    if (trace)
        std::fprintf(stderr, "%s", GetUpdaterRunStateName(shown));

    int passes = 0;
    while (!in.AtEnd())
    {
        switch (in.Byte() & 3)
        {
        case 0:
        {
            const size_t low = in.Byte();
            const size_t length = (low | size_t{in.Byte()} << 8) % (kUSBReadSize + 1);
            // A block of exactly the message's size, so a read past it is caught.
            const std::vector<uint8_t> bytes = in.Bytes(length);
            std::unique_ptr<uint8_t[]> message(new uint8_t[bytes.size()]);
            if (!bytes.empty())
                std::memcpy(message.get(), bytes.data(), bytes.size());
            const int n = static_cast<int>(bytes.size());
            const int taken = handler->USBmessage(message.get(), n);
            Require(taken == n || (taken > 0 && taken <= n));
            break;
        }
        case 1:
            if (++passes > kMaxPasses)
                break;
            Pass(*bus, *handler);
            break;
        case 2:
            SetUpdaterRunState(static_cast<EUpdaterRunState>(in.Byte() % 9));
            break;
        case 3:
            handler->UpdatePressed();
            break;
        }
        CheckHandler(*handler);
        if (trace && GetUpdaterRunState() != shown)
        {
            shown = GetUpdaterRunState();
            std::fprintf(stderr, " %s", GetUpdaterRunStateName(shown));
        }
    }
    if (trace)
        std::fprintf(stderr, " (status \"%s\")\n", handler->GetStatus());

    handler.reset();
    device.reset();
    NSPlatform::CUsbBus::Install(nullptr);
    bus.reset();
    NSPlatform::CMainEventQueue::Main().Clear();
    SetUpdaterRunState(kURSUnknown);
    return 0;
}
