// The virtual instrument as a device below libusb: a umockdev testbed with the
// instrument's sysfs entry and device node, and an ioctl handler that answers
// the usbfs requests libusb makes (claim, submit, reap, discard, control).
#pragma once

#include "platform/usb/CVirtualInstrument.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;
typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;

class CUsbfsEmulator
{
public:
    // Makes the testbed; call before libusb is initialised. Needs the umockdev
    // preload library in the process (see EnsurePreloaded).
    CUsbfsEmulator();
    ~CUsbfsEmulator();
    CUsbfsEmulator(const CUsbfsEmulator&) = delete;
    CUsbfsEmulator& operator=(const CUsbfsEmulator&) = delete;

    // Re-executes the program with the preload library when it is missing; returns
    // only when it is present (false when the re-exec failed).
    static bool EnsurePreloaded(char** argv);

    // Puts the instrument on bus 1, port `port` (sends the "add" uevent).
    std::shared_ptr<NSPlatform::CVirtualInstrument>
    Plug(const NSPlatform::SVirtualInstrumentConfig& config, int port = 1);
    // Pulls it out: in-flight requests end with ESHUTDOWN, later ones fail with
    // ENODEV, and the "remove" uevent is sent.
    void Unplug();

    // Ioctls handled so far, and empty reaps among them.
    uint32_t GetIoctlCount() const { return fIoctls.load(); }
    uint32_t GetEmptyReaps() const { return fEmptyReaps.load(); }
    // Claims of interface 0 answered EBUSY (held by another process) from now.
    void SetClaimBusy(bool busy) { fClaimBusy = busy; }

private:
    struct SUrb
    {
        UMockdevIoctlData* mUrb = nullptr;
        UMockdevIoctlData* mBuffer = nullptr;
        uint64_t mClientAddr = 0;
        uint8_t mType = 0;
        uint8_t mEndpoint = 0;
        int mLength = 0;
        int mStatus = 0;
        int mActual = 0;
    };

    static int OnIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client, void* self);
    static int OnReapTimer(void* data);
    bool HandleIoctl(UMockdevIoctlClient* client);
    void Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    bool TryReap(UMockdevIoctlClient* client);
    void ServePending();                 // under fLock
    void Complete(SUrb urb, int status); // under fLock
    void Control(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    std::vector<uint8_t> Descriptors() const;

    UMockdevTestbed* fTestbed = nullptr;
    GMainContext* fContext = nullptr;
    GMainLoop* fLoop = nullptr;
    UMockdevIoctlBase* fHandler = nullptr;
    std::thread fThread;

    mutable std::mutex fLock;
    std::shared_ptr<NSPlatform::CVirtualInstrument> fInstrument;
    std::string fSysPath;
    std::string fDevNode;
    bool fGone = true;
    std::deque<SUrb> fPending;
    std::deque<SUrb> fDone;
    std::atomic<uint32_t> fIoctls{0};
    std::atomic<uint32_t> fEmptyReaps{0};
    std::atomic<bool> fClaimBusy{false};
};
