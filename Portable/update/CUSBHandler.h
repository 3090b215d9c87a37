// The updater's protocol engine: talks to the instrument over the USB manager,
// keeps the OS image and the texts the window shows, and drives the update.
#pragma once

#include "Portable/USBManager/CUSBManager.h"
#include "Portable/update/SInstrumentIdentity.h"
#include "Portable/update/UpdaterRunState.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace NSWayfarer
{
class CMemoryMedia;
}

class CUSBHandler : public CUSBManagerCallbackInterface
{
public:
    static constexpr int kTextSize = 128;
    // The remark store: the instrument's last error text, in parentheses.
    static constexpr int kRemarkSize = 32;

    using TBeforeLooking = std::function<void(CUSBHandler&)>;

    // Copies the OS image out of osMedia and checks it; the boot media is not used.
    // beforeLooking runs once the texts are set, so the caller can show them before
    // an attached instrument (which another program may hold for a while) is reported.
    // Then the bus is watched and an attached instrument reported before returning;
    // not with a damaged image, which is refused here, before anything is sent.
    CUSBHandler(NSWayfarer::CMemoryMedia* bootMedia, NSWayfarer::CMemoryMedia* osMedia,
                const TBeforeLooking& beforeLooking = {});
    ~CUSBHandler() override;
    CUSBHandler(const CUSBHandler&) = delete;
    CUSBHandler& operator=(const CUSBHandler&) = delete;

    const char* GetProduct() const { return fProduct; }
    const char* GetVersion() const { return fVersion; }
    const char* GetStatus() const { return fStatus; }
    int32_t GetProgress() const { return fProgress; }
    void SetProgress(int32_t progress) { fProgress = progress; }
    // The last error remark of the instrument: empty or "(text)".
    const char* GetRemark() const { return fRemark; }
    uint32_t GetOSSize() const { return fOSsize; }
    // False when the image failed its check at start-up; nothing is ever sent then.
    bool IsImageInstallable() const { return fImageInstallable; }
    const uint8_t* GetOSData() const { return fOSdata.get(); }
    // True once the bus has been looked at: an instrument on it has been reported (its
    // open may still be retrying), or none was there. Before that, finding nothing
    // says nothing.
    bool HasLookedAtBus() const { return fLookedAtBus; }
    // The last version message, field by field, and how many have come so far (a
    // front end that saw fewer has a new identification to report).
    const SInstrumentIdentity& GetIdentity() const { return fIdentity; }
    uint32_t GetIdentityCount() const { return fIdentityCount; }

    // Sets the status line, "#PRODUCT#" (first occurrence) replaced by the product
    // name, cut to 127 characters; then lets every window refresh itself.
    void SetStatus(const char* text);

    // Handles one message from the instrument; returns the bytes it stands for.
    int USBmessage(uint8_t* message, int length);

    void USBDeviceAddedCallback(TUSBDevicePort port) override;
    void USBDeviceRemovedCallback(TUSBDevicePort port) override;
    void USBDeviceExceptionHandler(TUSBDevicePort port) override;

    // Seals (CRC) and frames one message and sends it to port 0. length counts the
    // message with its two CRC bytes. Throws XUSBError on a transport failure.
    static void SendUSBdata(void* message, int length);
    static void SendReq(uint8_t code);

    // The user's Update button.
    void UpdatePressed();
    void SendOS(uint8_t* data, uint32_t size);
    void SendDump(uint8_t* data, uint32_t size);
    void SendData();
    void ContinueSend();
    // One idle pass: one transfer message, up to 16 incoming messages, the reboot deadline.
    void Idle();

private:
    void AbandonTransferAfterFailure();

    char fProduct[kTextSize];
    uint32_t fOSsize = 0;
    std::unique_ptr<uint8_t[]> fOSdata;
    char fVersion[kTextSize];
    char fStatus[kTextSize];
    int32_t fProgress = 0;
    char fRemark[kRemarkSize];
    bool fImageInstallable = false;
    bool fLookedAtBus = false;
    SInstrumentIdentity fIdentity;
    uint32_t fIdentityCount = 0;
};
