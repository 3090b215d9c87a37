#include "Portable/update/CUSBHandler.h"

#include "Portable/USBExceptions.h"
#include "Portable/update/ByteOrder.h"
#include "Portable/update/Crc16.h"
#include "Portable/update/USBProtocol.h"
#include "Portable/update/USBSender.h"
#include "framework/application/CApplication.h"
#include "framework/application/CTimer.h"
#include "framework/media/CMemoryMedia.h"

#include <cstdio>
#include <cstring>

using NSWayfarer::CApplication;
using NSWayfarer::CTimer;

namespace
{

// snprintf that always leaves a terminated (possibly cut) text in the buffer.
template <typename... TArgs>
void Format(char* buffer, size_t size, const char* format, TArgs... args)
{
    if (std::snprintf(buffer, size, format, args...) < 0)
        buffer[0] = 0;
}

constexpr const char* kProductName = "Kelt Podium LX";
constexpr const char* kProductPlaceholder = "#PRODUCT#";
constexpr const char* kStatusNotConnected = "No #PRODUCT# Connected";
constexpr const char* kStatusFound = "Found #PRODUCT#";
constexpr const char* kStatusDone = "Done!";
constexpr const char* kStatusBusy = "Error: Synth already connected to another application.";
constexpr const char* kStatusNoPermission =
    "Error: No permission to open the synth. Install the udev rule (see README).";
constexpr const char* kStatusRebootRequested = "Send reboot request, waiting for reconnect...";
constexpr const char* kStatusRebootFailed = "Reboot failed.";
constexpr const char* kStatusSendError = "Error while sending OS file";
constexpr const char* kStatusImageDamaged =
    "Error: The OS image in this program is damaged; it cannot be installed.";
constexpr const char* kUnknownInstrument = "Unknown instrument";

// The transfer in progress; the sender reads from the handler's own image copy.
SFileDesc gFileDesc;
// Whole frames are built here, so a transfer allocates nothing per message.
uint8_t gSendBuffer[kUSBMaxFrame];
uint8_t gReceiveBuffer[kUSBReadSize];

// The name the instrument is shown by, from its product code and model variant.
const char* ProductName(uint8_t id, uint8_t type)
{
    static const char* const kNames[][5] = {
        {"pulsa4", "pulsa4", "pulsa4", "pulsa4", "pulsa4"},
        {"Kelt Vektor", "Kelt Vektor Box", "Kelt Vektor Mini", "Unknown Kelt Vektor",
         "Unknown Kelt Vektor"},
        {"pulsa5", "pulsa5 Box", "pulsa5 Core", "Unknown pulsa5", "Unknown pulsa5"},
        {"Kelt Tonal 48", "Kelt Tonal 88", "Kelt Tonal Box", "Unknown Kelt Tonal",
         "Unknown Kelt Tonal"},
        {"Kelt Solo 5", "Kelt Box 5", "Unknown Kelt Solo 5", "Unknown Kelt Solo 5",
         "Unknown Kelt Solo 5"},
        {"Kelt Vektor Two", "Kelt Vektor Two XL", "Kelt Vektor Two Box", "Kelt Vektor Two Core",
         "Unknown Kelt Vektor Two"},
        {"Kelt Podium LX", "Kelt Podium LX", "Kelt Podium LX", "Kelt Podium LX", "Kelt Podium LX"},
    };
    if (id < 5 || id > 11)
        return kUnknownInstrument;
    return kNames[id - 5][type < 4 ? type : 4];
}

void ForgetTransferSource()
{
    if (gFileDesc.mFilePtr)
    {
        std::fclose(gFileDesc.mFilePtr);
        gFileDesc.mFilePtr = nullptr;
    }
    gFileDesc.mFileData = nullptr;
    gFileDesc.mFileOffs = 0;
    gFileDesc.mFileLen = 0;
}

// Milliseconds from start to now on the wrapping 32-bit clock: right across its wrap too.
uint32_t ElapsedSince(NSWayfarer::TMilliSecond start)
{
    return static_cast<uint32_t>(CTimer::GetSystemMS()) - static_cast<uint32_t>(start);
}

bool IsReadingState(EUpdaterRunState state)
{
    return state == kURSConnected || state == kURSRebooted || state == kURSSending ||
           state == kURSWorking;
}

} // namespace

CUSBHandler::CUSBHandler(NSWayfarer::CMemoryMedia* /*bootMedia*/, NSWayfarer::CMemoryMedia* osMedia,
                         const TBeforeLooking& beforeLooking)
{
    Format(fProduct, sizeof fProduct, "%s", kProductName);
    fVersion[0] = 0;
    fStatus[0] = 0;
    fRemark[0] = 0;

    bool watching = false;
    try
    {
        const auto size = osMedia->GetSize();
        fOSsize = size > 0 ? static_cast<uint32_t>(size) : 0;
        fOSdata.reset(new uint8_t[fOSsize > 0 ? fOSsize : 1]);
        if (fOSsize > 0)
            osMedia->Read(static_cast<NSWayfarer::TMediaPos>(fOSsize), fOSdata.get());

        const unsigned v = fOSsize >= 2 ? LoadBig16(fOSdata.get()) : 0;
        const unsigned b = fOSsize >= 6 ? LoadBig16(fOSdata.get() + 4) : 0;
        if (v % 2 == 1)
            Format(fVersion, sizeof fVersion, "OS version %d.%02d, build %d", v / 100, v % 100, b);
        else
            Format(fVersion, sizeof fVersion, "OS version %d.%02d", v / 100, v % 100);

        // Checked now as well as when sending: a damaged image found only then would
        // leave the instrument rebooted into its updater mode with nothing to install.
        fImageInstallable = IsImageSendable(fOSdata.get(), fOSsize);
        SetStatus(fImageInstallable ? kStatusNotConnected : kStatusImageDamaged);
        if (beforeLooking)
            beforeLooking(*this);
        if (!fImageInstallable)
        {
            // Nothing is ever looked for with this image.
            fLookedAtBus = true;
            return;
        }

        new CUSBManager(*this, KELT_VENDOR_ID, KELT_PRODUCT_ID, CUSBManager::kHasInterrupt, 1);
        watching = true;
        CUSBManager::gManager->UpdateDeviceDriverList();
        fLookedAtBus = true;
    }
    catch (...)
    {
        if (watching)
        {
            delete CUSBManager::gManager;
            CUSBManager::gManager = nullptr;
        }
        throw;
    }
}

CUSBHandler::~CUSBHandler()
{
    fOSdata.reset();
    // The transfer reads from the image copy that just went away.
    std::memset(&gFileDesc, 0, sizeof gFileDesc);
    if (CUSBManager::gManager)
    {
        try
        {
            if (CUSBManager::gManager->IsPortOpen(0))
                CUSBManager::gManager->ClosePort(0);
        }
        catch (...)
        {
            // The port is reset even when closing fails; nothing more to give back.
        }
        delete CUSBManager::gManager;
        CUSBManager::gManager = nullptr;
    }
}

void CUSBHandler::SetStatus(const char* text)
{
    char result[kTextSize];
    const char* found = std::strstr(text, kProductPlaceholder);
    if (found)
        Format(result, sizeof result, "%.*s%s%s", static_cast<int>(found - text), text, fProduct,
               found + std::strlen(kProductPlaceholder));
    else
        Format(result, sizeof result, "%.127s", text);
    std::memcpy(fStatus, result, sizeof fStatus);
    CApplication::ForceSetup();
}

int CUSBHandler::USBmessage(uint8_t* message, int length)
{
    if (length < 1)
        return length;
    switch (message[0])
    {
    case kUSBMsgProgress:
    {
        if (length < kUSBprogressSize)
            return length;
        fProgress = LoadBig16(message + kProgressPercOffs);
        return kUSBprogressSize;
    }
    case kUSBMsgStatus:
    {
        if (length < kUSBstatusSize)
            return length;
        // mStr need not be terminated: never read past its 32 bytes.
        char str[kStatusStrSize + 1];
        const uint8_t* src = message + kStatusStrOffs;
        const void* nul = std::memchr(src, 0, kStatusStrSize);
        const size_t n = nul ? static_cast<const uint8_t*>(nul) - src : kStatusStrSize;
        std::memcpy(str, src, n);
        str[n] = 0;
        if (message[kStatusErrorOffs] != 0)
            // The parentheses always fit: the text is cut to what the store has left.
            Format(fRemark, sizeof fRemark, "(%.*s)", kRemarkSize - 3, str);
        else
            fRemark[0] = 0;
        if (std::strncmp(str, "Load", 4) == 0)
            SetUpdaterRunState(kURSFinish);
        SetStatus(str);
        return kUSBstatusSize;
    }
    case kUSBMsgVersion:
    {
        if (length < kUSBversionSize)
            return length;
        const char* name = ProductName(message[kVersionIDOffs], message[kVersionTypeOffs]);
        const uint8_t mode = message[kVersionModeOffs];
        const char* modeWord = mode == kVersionModeTest ? "test" : "OS";
        if (mode != kVersionModeUpdater)
            fRemark[0] = 0;
        const unsigned osVersion = LoadBig16(message + kVersionOSversionOffs);
        const unsigned osBuild = LoadBig16(message + kVersionOSbuildOffs);
        // Kept before the status is set: that lets every window refresh, and a front
        // end reporting the fields must find them with the line.
        fIdentity.mProduct = name;
        fIdentity.mMode = mode;
        fIdentity.mOSVersion = static_cast<uint16_t>(osVersion);
        fIdentity.mOSBuild = static_cast<uint16_t>(osBuild);
        fIdentity.mBootVersion = LoadBig16(message + kVersionBootVersionOffs);
        fIdentity.mSerialNumber = LoadBig32(message + kVersionSerialOffs);
        fIdentity.mRemark = fRemark;
        ++fIdentityCount;
        char line[kTextSize];
        if (osVersion == kVersionNoOS)
            Format(line, sizeof line, "%s, no OS %s", name, fRemark);
        else if (osVersion % 2 == 1)
            Format(line, sizeof line, "%s, %s version %1.02f build %d %s", name, modeWord,
                   osVersion / 100.0, osBuild, fRemark);
        else
            Format(line, sizeof line, "%s, %s version %1.02f %s", name, modeWord, osVersion / 100.0,
                   fRemark);
        SetStatus(line);

        const bool updater = mode == kVersionModeUpdater;
        switch (GetUpdaterRunState())
        {
        case kURSWorking:
            SetUpdaterRunState(updater ? kURSUpdate : kURSFinish);
            break;
        case kURSRebooted:
            if (updater)
            {
                SetUpdaterRunState(kURSSending);
                SendDump(fOSdata.get(), fOSsize);
            }
            else
            {
                SetUpdaterRunState(kURSOS);
            }
            break;
        case kURSFinish:
            break;
        default:
            SetUpdaterRunState(updater ? kURSUpdate : kURSOS);
            break;
        }
        return kUSBversionSize;
    }
    default:
        return length;
    }
}

void CUSBHandler::USBDeviceAddedCallback(TUSBDevicePort port)
{
    // The look has reached an instrument. Its open may retry for seconds while another
    // program holds it, and a wait running out in that time must be able to end it.
    fLookedAtBus = true;
    const EUpdaterRunState before = GetUpdaterRunState();
    if (before == kURSWorking || before == kURSFinish)
    {
        SetStatus(kStatusDone);
        return;
    }
    CUSBManager* manager = CUSBManager::gManager;
    if (manager->IsPortOpen(0))
        manager->ClosePort(0);
    try
    {
        manager->OpenPort(port, nullptr);
    }
    catch (const XUSBNoPermission&)
    {
        SetStatus(kStatusNoPermission);
        return;
    }
    catch (...)
    {
        SetStatus(kStatusBusy);
        return;
    }

    const NSWayfarer::TMilliSecond start = CTimer::GetSystemMS();
    while (ElapsedSince(start) < static_cast<uint32_t>(kSettleAfterOpenMS))
        CApplication::IdleOtherApps();
    // The instrument may have left while it settled; its removal has been reported.
    if (!manager->IsPortOpen(port))
        return;

    SetUpdaterRunState(kURSConnected);
    SetStatus(kStatusFound);
    if (before == kURSReboot)
        SetUpdaterRunState(kURSRebooted);
    try
    {
        SendReq(kUSBReqStatus);
        SendReq(kUSBReqVersion);
    }
    catch (const XUSBError&)
    {
        // Left to the manager, the port would be reset behind the run state's back,
        // showing an instrument found that can no longer be reached.
        USBDeviceExceptionHandler(port);
    }
}

void CUSBHandler::USBDeviceRemovedCallback(TUSBDevicePort port)
{
    const EUpdaterRunState state = GetUpdaterRunState();
    // The instrument drops off the bus by itself while rebooting and at the end.
    if (state == kURSReboot || state == kURSWorking || state == kURSFinish)
        return;
    // After a wake the port is reported removed while it still holds its handle;
    // closed, it lets the instrument that is offered again be opened anew.
    if (CUSBManager::gManager && CUSBManager::gManager->IsPortOpen(port))
    {
        try
        {
            CUSBManager::gManager->ClosePort(port);
        }
        catch (...)
        {
            // The port is reset all the same.
        }
    }
    SetUpdaterRunState(kURSUnknown);
    SetStatus(kStatusNotConnected);
    CApplication::ForceSetup();
}

void CUSBHandler::USBDeviceExceptionHandler(TUSBDevicePort)
{
    try
    {
        if (CUSBManager::gManager)
            CUSBManager::gManager->ClosePort(0);
    }
    catch (...)
    {
        // The port is reset all the same; what matters now is telling the user.
    }
    SetUpdaterRunState(kURSUnknown);
    SetStatus(kStatusNotConnected);
}

void CUSBHandler::SendUSBdata(void* message, int length)
{
    if (length < 2)
        return;
    auto* bytes = static_cast<uint8_t*>(message);
    StoreBig16(bytes + length - 2, CalcCrc16(bytes, static_cast<size_t>(length - 2)));

    const int frameLength = length + kUSBFrameHeader;
    if (frameLength > kUSBMaxFrame)
        return;
    if (!CUSBManager::gManager)
        throw XUSBError();
    StoreBig16(gSendBuffer, static_cast<uint16_t>(frameLength));
    std::memcpy(gSendBuffer + kUSBFrameHeader, bytes, static_cast<size_t>(length));
    CUSBManager::gManager->TxData(0, gSendBuffer, static_cast<uint32_t>(frameLength));
}

void CUSBHandler::SendReq(uint8_t code)
{
    uint8_t req[kUSBreqSize] = {code, 0, 0};
    SendUSBdata(req, kUSBreqSize);
}

void CUSBHandler::UpdatePressed()
{
    SendOS(fOSdata.get(), fOSsize);
}

void CUSBHandler::SendOS(uint8_t* data, uint32_t size)
{
    ForgetTransferSource();
    switch (GetUpdaterRunState())
    {
    case kURSUpdate:
        SetUpdaterRunState(kURSSending);
        SendDump(data, size);
        break;
    case kURSOS:
    {
        SetUpdaterRunState(kURSReboot);
        // Added on the wrapping clock: a deadline past its wrap lands on the far side.
        const uint32_t now = static_cast<uint32_t>(CTimer::GetSystemMS());
        SetRebootDeadline(static_cast<TRebootDeadline>(now + uint32_t{kRebootTimeoutMS}));
        try
        {
            SendReq(kUSBReqReboot);
        }
        catch (const XUSBError&)
        {
            USBDeviceExceptionHandler(0);
            return;
        }
        SetStatus(kStatusRebootRequested);
        break;
    }
    default:
        break;
    }
}

void CUSBHandler::SendDump(uint8_t* data, uint32_t size)
{
    std::memset(&gFileDesc, 0, sizeof gFileDesc);
    if (!CUSBManager::gManager || CUSBManager::gManager->GetDeviceDriverCount() == 0)
        return;
    gFileDesc.mFileData = data;
    gFileDesc.mFileOffs = 0;
    gFileDesc.mFileLen = static_cast<int32_t>(size);
    gFileDesc.mType = 0;
    gFileDesc.mUSB = true;
    SendData();
}

void CUSBHandler::AbandonTransferAfterFailure()
{
    // Going on after a lost message would hand the instrument an image with a hole
    // in it; the transfer ends here and the instrument is treated as lost.
    ForgetTransferSource();
    gFileDesc.mUSB = false;
    USBDeviceExceptionHandler(0);
}

void CUSBHandler::SendData()
{
    if (!gFileDesc.mUSB)
        return;
    int length = 0;
    try
    {
        SendNextUSBsect(&gFileDesc, &length);
    }
    catch (const XUSBError&)
    {
        AbandonTransferAfterFailure();
        return;
    }
    if (length > 0)
        return;
    if (length < 0)
        SetStatus(kStatusSendError);
    ForgetTransferSource();
    SetUpdaterRunState(kURSWorking);
    CApplication::ForceSetup();
}

void CUSBHandler::ContinueSend()
{
    if (gFileDesc.mFilePtr || gFileDesc.mFileData)
        SendData();
    else
        ForgetTransferSource();
}

void CUSBHandler::Idle()
{
    if (GetUpdaterRunState() == kURSSending)
        ContinueSend();

    CUSBManager* manager = CUSBManager::gManager;
    if (manager && manager->IsPortOpen(0))
    {
        if (!IsReadingState(GetUpdaterRunState()))
            return;
        try
        {
            for (int i = 0; i < kUSBReadsPerIdle && manager->IsPortOpen(0); ++i)
            {
                const uint32_t got = manager->RxData(0, gReceiveBuffer, kUSBReadSize);
                if (got == 0)
                    break;
                USBmessage(gReceiveBuffer, static_cast<int>(got));
                CApplication::ForceSetup();
            }
        }
        catch (const XUSBNoDevice&)
        {
            // After the save message the instrument leaves to restart, and a read may
            // find it gone before its removal is reported: that is the removal this
            // state ignores, not a failure of the update.
            if (GetUpdaterRunState() == kURSWorking)
                manager->DestroyPort(0);
            else
                USBDeviceExceptionHandler(0);
        }
        catch (const XUSBError&)
        {
            USBDeviceExceptionHandler(0);
        }
    }
    else if (GetUpdaterRunState() == kURSReboot)
    {
        const uint32_t now = static_cast<uint32_t>(CTimer::GetSystemMS());
        // Signed difference: right across the wrap of the millisecond clock too.
        if (static_cast<int32_t>(now - static_cast<uint32_t>(GetRebootDeadline())) > 0)
        {
            SetUpdaterRunState(kURSUnknown);
            SetStatus(kStatusRebootFailed);
            CApplication::ForceSetup();
        }
    }
}
