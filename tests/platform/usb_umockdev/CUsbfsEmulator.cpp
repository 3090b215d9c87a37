#include "tests/platform/usb_umockdev/CUsbfsEmulator.h"

#include <umockdev.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <linux/usb/ch9.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace NSPlatform;

namespace
{

constexpr int kBus = 1;
constexpr int kDevNum = 2;

std::string Hex(const std::vector<uint8_t>& bytes)
{
    std::string text;
    char digits[3];
    for (uint8_t b : bytes)
    {
        snprintf(digits, sizeof digits, "%02X", b);
        text += digits;
    }
    return text;
}

void Put16(std::vector<uint8_t>& v, uint16_t x)
{
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}

} // namespace

#if defined(__SANITIZE_THREAD__)
#define KELT_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KELT_UNDER_TSAN 1
#endif
#endif

bool CUsbfsEmulator::EnsurePreloaded(char** argv)
{
    const char* preload = getenv("LD_PRELOAD");
    bool preloaded = preload && strstr(preload, "libumockdev-preload.so");
    bool suppressed = true;
#ifdef KELT_UNDER_TSAN
    std::string tsan = getenv("TSAN_OPTIONS") ? getenv("TSAN_OPTIONS") : "";
    std::string file = KELT_SOURCE_DIR "/tests/platform/usb_umockdev/tsan.supp";
    suppressed = tsan.find(file) != std::string::npos;
    if (!suppressed)
        setenv("TSAN_OPTIONS",
               (tsan.empty() ? "" : tsan + " ").append("suppressions=" + file).c_str(), 1);
#endif
    if (preloaded && suppressed)
        return true;
    if (!preloaded)
    {
        std::string value = "libumockdev-preload.so.0";
        if (preload && *preload)
            value += std::string(":") + preload;
        setenv("LD_PRELOAD", value.c_str(), 1);
    }
    // The sanitizer runtime must otherwise come first in the library list.
    std::string asan = getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "";
    if (asan.find("verify_asan_link_order") == std::string::npos)
        setenv("ASAN_OPTIONS",
               (asan.empty() ? "" : asan + ":").append("verify_asan_link_order=0").c_str(), 1);
    execv("/proc/self/exe", argv);
    perror("re-executing with the umockdev preload library");
    return false;
}

CUsbfsEmulator::CUsbfsEmulator()
{
    fTestbed = umockdev_testbed_new();
    fContext = g_main_context_new();
    fLoop = g_main_loop_new(fContext, FALSE);
    fHandler = umockdev_ioctl_base_new();
    g_signal_connect(fHandler, "handle-ioctl", G_CALLBACK(&CUsbfsEmulator::OnIoctl), this);
    fThread = std::thread(
        [this]
        {
            g_main_context_push_thread_default(fContext);
            g_main_loop_run(fLoop);
            g_main_context_pop_thread_default(fContext);
        });
}

CUsbfsEmulator::~CUsbfsEmulator()
{
    g_main_loop_quit(fLoop);
    g_main_context_wakeup(fContext);
    fThread.join();
    {
        std::lock_guard<std::mutex> guard(fLock);
        for (auto* list : {&fPending, &fDone})
            for (auto& urb : *list)
            {
                g_object_unref(urb.mUrb);
                g_object_unref(urb.mBuffer);
            }
    }
    g_object_unref(fHandler);
    g_main_loop_unref(fLoop);
    g_main_context_unref(fContext);
    g_object_unref(fTestbed);
}

std::vector<uint8_t> CUsbfsEmulator::Descriptors() const
{
    SVirtualInstrumentConfig config = fInstrument->GetConfig();
    std::vector<uint8_t> d = {18, USB_DT_DEVICE, 0x00, 0x02, 0, 0, 0, 64};
    Put16(d, config.mVendor);
    Put16(d, config.mProduct);
    Put16(d, 0x0100);
    d.insert(d.end(), {1, 2, 3, 1});
    size_t endpoints = config.mHasInterface ? config.mEndpoints.size() : 0;
    uint16_t total = uint16_t(9 + (config.mHasInterface ? 9 + 7 * endpoints : 0));
    d.insert(d.end(), {9, USB_DT_CONFIG});
    Put16(d, total);
    d.insert(d.end(), {uint8_t(config.mHasInterface ? 1 : 0), 1, 0, 0x80, 50});
    if (config.mHasInterface)
    {
        d.insert(d.end(), {9, USB_DT_INTERFACE, 0, 0, uint8_t(endpoints), 0xFF, 0, 0, 0});
        for (auto& e : config.mEndpoints)
        {
            bool interrupt = e.mKind == SVirtualEndpoint::kInterruptIn;
            d.insert(d.end(),
                     {7, USB_DT_ENDPOINT, e.mAddress,
                      uint8_t(interrupt ? USB_ENDPOINT_XFER_INT : USB_ENDPOINT_XFER_BULK)});
            Put16(d, interrupt ? 16 : 512);
            d.push_back(interrupt ? 1 : 0);
        }
    }
    return d;
}

std::shared_ptr<CVirtualInstrument> CUsbfsEmulator::Plug(const SVirtualInstrumentConfig& config,
                                                         int port)
{
    auto instrument = std::make_shared<CVirtualInstrument>(config);
    char name[32], node[64], devnum[16];
    snprintf(name, sizeof name, "%d-%d", kBus, port);
    int number = kDevNum + port - 1;
    snprintf(node, sizeof node, "bus/usb/%03d/%03d", kBus, number);
    snprintf(devnum, sizeof devnum, "%d", number);
    {
        std::lock_guard<std::mutex> guard(fLock);
        fInstrument = instrument;
        fGone = false;
    }
    SVirtualInstrumentConfig c = instrument->GetConfig();
    char ids[64];
    snprintf(ids, sizeof ids, "A: idVendor=%04x\\n\nA: idProduct=%04x\\n\n", c.mVendor, c.mProduct);
    // sysfs text attributes end in a newline, as the kernel writes them.
    std::string record =
        std::string("P: /devices/") + name + "\nN: " + node + "\n" + "E: DEVNAME=/dev/" + node +
        "\nE: DEVTYPE=usb_device\nE: SUBSYSTEM=usb\n" +
        "E: BUSNUM=001\nE: DEVNUM=" + std::string(3 - strlen(devnum), '0') + devnum +
        "\nA: busnum=1\\n\nA: devnum=" + devnum + "\\n\n" + ids +
        "A: speed=480\\n\nA: bConfigurationValue=1\\n\nA: bNumConfigurations=1\\n\n" +
        "A: dev=189:" + devnum + "\\n\nH: descriptors=" + Hex(Descriptors()) + "\n";
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(fTestbed, record.c_str(), &error))
    {
        fprintf(stderr, "umockdev: %s\n", error->message);
        g_error_free(error);
        return nullptr;
    }
    fSysPath = std::string("/sys/devices/") + name;
    fDevNode = std::string("/dev/") + node;
    g_main_context_push_thread_default(fContext);
    bool attached = umockdev_testbed_attach_ioctl(fTestbed, fDevNode.c_str(), fHandler, &error);
    g_main_context_pop_thread_default(fContext);
    if (!attached)
    {
        fprintf(stderr, "umockdev: %s\n", error->message);
        g_error_free(error);
        return nullptr;
    }
    umockdev_testbed_uevent(fTestbed, fSysPath.c_str(), "add");
    return instrument;
}

void CUsbfsEmulator::Unplug()
{
    {
        std::lock_guard<std::mutex> guard(fLock);
        fGone = true;
        while (!fPending.empty())
        {
            SUrb urb = fPending.front();
            fPending.pop_front();
            Complete(urb, -ESHUTDOWN);
        }
        if (fInstrument)
            fInstrument->Unplug();
    }
    umockdev_testbed_uevent(fTestbed, fSysPath.c_str(), "remove");
    umockdev_testbed_remove_device(fTestbed, fSysPath.c_str());
}

int CUsbfsEmulator::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self)
{
    return static_cast<CUsbfsEmulator*>(self)->HandleIoctl(client) ? TRUE : FALSE;
}

// Under fLock: the URB gets its result and waits to be reaped.
void CUsbfsEmulator::Complete(SUrb urb, int status)
{
    urb.mStatus = status;
    fDone.push_back(urb);
}

// Under fLock: hands the instrument's queued data to waiting reads.
void CUsbfsEmulator::ServePending()
{
    if (fGone || !fInstrument)
        return;
    auto it = fPending.begin();
    while (it != fPending.end())
    {
        std::vector<uint8_t> data;
        bool interrupt = it->mType == USBDEVFS_URB_TYPE_INTERRUPT;
        if (interrupt && fInstrument->IsInterruptHalted())
        {
            Complete(*it, -EPIPE);
        }
        else if (interrupt ? fInstrument->TakeInterrupt(data) : fInstrument->TakeBulkIn(data))
        {
            int status = 0;
            if (int(data.size()) > it->mLength)
            {
                data.resize(size_t(it->mLength));
                status = -EOVERFLOW;
            }
            umockdev_ioctl_data_update(it->mBuffer, 0, data.data(), int(data.size()));
            it->mActual = int(data.size());
            Complete(*it, status);
        }
        else
        {
            ++it;
            continue;
        }
        it = fPending.erase(it);
    }
}

void CUsbfsEmulator::Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg)
{
    GError* error = nullptr;
    UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), &error);
    if (!urbData)
    {
        g_clear_error(&error);
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
    SUrb record;
    record.mType = urb->type;
    record.mEndpoint = urb->endpoint;
    record.mLength = urb->buffer_length;
    record.mClientAddr = urbData->client_addr;
    record.mBuffer = umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer),
                                                 size_t(std::max(urb->buffer_length, 0)), &error);
    if (!record.mBuffer || urb->buffer_length < 0)
    {
        g_clear_error(&error);
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    record.mUrb = static_cast<UMockdevIoctlData*>(g_object_ref(urbData));
    g_object_ref(record.mBuffer);

    std::lock_guard<std::mutex> guard(fLock);
    if (fGone)
    {
        g_object_unref(record.mUrb);
        g_object_unref(record.mBuffer);
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return;
    }
    if (!(record.mEndpoint & USB_DIR_IN))
    {
        const bool delivered =
            fInstrument->ReceiveBulkOut(record.mBuffer->data, size_t(record.mLength), 0);
        record.mActual = delivered ? record.mLength : 0;
        Complete(record, !fInstrument->IsOnBus() ? -ESHUTDOWN : delivered ? 0 : -EPIPE);
    }
    else
    {
        fPending.push_back(record);
        ServePending();
    }
    umockdev_ioctl_client_complete(client, 0, 0);
}

bool CUsbfsEmulator::TryReap(UMockdevIoctlClient* client)
{
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::unique_lock<std::mutex> guard(fLock);
    ServePending();
    if (fDone.empty())
    {
        if (fGone)
        {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return true;
        }
        return false;
    }
    SUrb urb = fDone.front();
    fDone.pop_front();
    guard.unlock();

    auto* u = reinterpret_cast<usbdevfs_urb*>(urb.mUrb->data);
    int status = urb.mStatus, actual = urb.mActual;
    umockdev_ioctl_data_update(urb.mUrb, offsetof(usbdevfs_urb, status),
                               reinterpret_cast<guint8*>(&status), sizeof status);
    umockdev_ioctl_data_update(urb.mUrb, offsetof(usbdevfs_urb, actual_length),
                               reinterpret_cast<guint8*>(&actual), sizeof actual);
    (void)u;
    GError* error = nullptr;
    UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), &error);
    g_clear_error(&error);
    if (slot)
        umockdev_ioctl_data_set_ptr(slot, 0, urb.mUrb);
    umockdev_ioctl_client_complete(client, 0, 0);
    g_object_unref(urb.mUrb);
    g_object_unref(urb.mBuffer);
    return true;
}

struct SReapWait
{
    CUsbfsEmulator* mSelf;
    UMockdevIoctlClient* mClient;
};

int CUsbfsEmulator::OnReapTimer(void* data)
{
    auto* wait = static_cast<SReapWait*>(data);
    if (!wait->mSelf->TryReap(wait->mClient))
    {
        ++wait->mSelf->fEmptyReaps;
        umockdev_ioctl_client_complete(wait->mClient, -1, EAGAIN);
    }
    g_object_unref(wait->mClient);
    delete wait;
    return G_SOURCE_REMOVE;
}

void CUsbfsEmulator::Control(UMockdevIoctlClient* client, UMockdevIoctlData* arg)
{
    GError* error = nullptr;
    UMockdevIoctlData* ctrlData =
        umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_ctrltransfer), &error);
    g_clear_error(&error);
    if (!ctrlData)
    {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    auto* ctrl = reinterpret_cast<usbdevfs_ctrltransfer*>(ctrlData->data);
    uint16_t length = ctrl->wLength;
    if (ctrl->bRequestType == USB_DIR_IN && ctrl->bRequest == USB_REQ_GET_DESCRIPTOR)
    {
        std::vector<uint8_t> all;
        {
            std::lock_guard<std::mutex> guard(fLock);
            all = Descriptors();
        }
        uint8_t type = uint8_t(ctrl->wValue >> 8);
        std::vector<uint8_t> reply;
        if (type == USB_DT_DEVICE)
            reply.assign(all.begin(), all.begin() + 18);
        else if (type == USB_DT_CONFIG)
            reply.assign(all.begin() + 18, all.end());
        else
        {
            umockdev_ioctl_client_complete(client, -1, EPIPE);
            return;
        }
        reply.resize(std::min<size_t>(reply.size(), length));
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(
            ctrlData, offsetof(usbdevfs_ctrltransfer, data), length, &error);
        g_clear_error(&error);
        if (data && !reply.empty())
            umockdev_ioctl_data_update(data, 0, reply.data(), int(reply.size()));
        umockdev_ioctl_client_complete(client, long(reply.size()), 0);
        return;
    }
    // Standard requests without data (set configuration, clear feature) succeed.
    umockdev_ioctl_client_complete(client, 0, 0);
}

bool CUsbfsEmulator::HandleIoctl(UMockdevIoctlClient* client)
{
    ++fIoctls;
    gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    GError* error = nullptr;

    if (request == USBDEVFS_REAPURBNDELAY || request == USBDEVFS_REAPURB)
    {
        if (!TryReap(client))
        {
            // libusb polls this node without blocking; answer "try again" only after
            // a short while, so its event loop does not spin.
            auto* wait =
                new SReapWait{this, static_cast<UMockdevIoctlClient*>(g_object_ref(client))};
            GSource* timer = g_timeout_source_new(2);
            g_source_set_callback(timer, &CUsbfsEmulator::OnReapTimer, wait, nullptr);
            g_source_attach(timer, fContext);
            g_source_unref(timer);
        }
        return true;
    }
    bool gone;
    {
        std::lock_guard<std::mutex> guard(fLock);
        gone = fGone;
    }
    if (gone)
    {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }

    switch (request)
    {
    case USBDEVFS_GET_CAPABILITIES:
    {
        UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), &error);
        g_clear_error(&error);
        uint32_t value = USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_ZERO_PACKET;
        if (caps)
            umockdev_ioctl_data_update(caps, 0, reinterpret_cast<guint8*>(&value), sizeof value);
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_CLAIMINTERFACE:
        if (fClaimBusy)
            umockdev_ioctl_client_complete(client, -1, EBUSY);
        else
            umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    case USBDEVFS_GETDRIVER:
    case USBDEVFS_IOCTL: // detaching a kernel driver: there is none
        umockdev_ioctl_client_complete(client, -1, ENODATA);
        return true;
    case USBDEVFS_SUBMITURB:
        Submit(client, arg);
        return true;
    case USBDEVFS_DISCARDURB:
    {
        uint64_t address = 0;
        std::memcpy(&address, arg->data, std::min<size_t>(sizeof address, size_t(arg->data_len)));
        std::lock_guard<std::mutex> guard(fLock);
        for (auto it = fPending.begin(); it != fPending.end(); ++it)
            if (it->mClientAddr == address)
            {
                SUrb urb = *it;
                fPending.erase(it);
                Complete(urb, -ENOENT);
                umockdev_ioctl_client_complete(client, 0, 0);
                return true;
            }
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return true;
    }
    case USBDEVFS_CONTROL:
        Control(client, arg);
        return true;
    case USBDEVFS_RESET:
    {
        std::lock_guard<std::mutex> guard(fLock);
        fInstrument->ResetDevice(0);
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    default:
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return true;
    }
}
