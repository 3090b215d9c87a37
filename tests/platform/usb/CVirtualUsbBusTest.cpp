#include "platform/usb/CVirtualUsbBus.h"
#include "platform/CMainEventQueue.h"
#include "platform/usb/CUsbDevice.h"
#include "platform/usb/CUsbInterface.h"
#include "platform/usb/CUsbIterator.h"
#include "platform/usb/CVirtualInstrument.h"
#include "tests/platform/usb/WireFrames.h"

#include <gtest/gtest.h>

using namespace NSPlatform;

namespace
{

constexpr uint16_t kVendor = KELT_VENDOR_ID;
constexpr uint16_t kProduct = KELT_PRODUCT_ID;

void RunMainQueue()
{
    while (CMainEventQueue::Main().WaitAndDispatch(0) > 0)
    {
    }
}

SVirtualInstrumentConfig AtLocation(uint32_t location)
{
    SVirtualInstrumentConfig config;
    config.mLocation = location;
    return config;
}

} // namespace

TEST(CVirtualUsbBus, NotificationsQueueDevicesAndWakeOnlyDrainedLiveOwners)
{
    CMainEventQueue::Main().Clear();
    auto bus = CVirtualUsbBus::Create();
    int arrivals = 0, departures = 0, others = 0;
    auto added =
        bus->AddMatchingNotification(CUsbBus::kFirstMatch, kVendor, kProduct, [&] { ++arrivals; });
    auto removed =
        bus->AddMatchingNotification(CUsbBus::kTerminate, kVendor, kProduct, [&] { ++departures; });
    auto other = bus->AddMatchingNotification(CUsbBus::kFirstMatch, kVendor, kProduct + 1,
                                              [&] { ++others; });
    EXPECT_EQ(added->Next(), 0u); // drained: the next arrival wakes its owner
    EXPECT_EQ(other->Next(), 0u);

    auto first = bus->Attach(AtLocation(0x01100000));
    TUsbServiceId id = added->Next();
    EXPECT_NE(id, 0u);
    EXPECT_EQ(added->Next(), 0u);
    auto present = bus->GetMatchingServices(kVendor, kProduct);
    EXPECT_EQ(present->Next(), id);
    EXPECT_EQ(present->Next(), 0u);
    RunMainQueue();
    EXPECT_EQ(arrivals, 1);
    EXPECT_EQ(others, 0);

    // A notification that was never drained queues without waking anyone.
    bus->Detach(first);
    RunMainQueue();
    EXPECT_EQ(departures, 0);
    EXPECT_EQ(removed->Next(), id);
    EXPECT_EQ(removed->Next(), 0u);
    EXPECT_EQ(bus->GetMatchingServices(kVendor, kProduct)->Next(), 0u);

    // A later notification of kFirstMatch starts with what is present.
    auto second = bus->Attach(AtLocation(0x01200000));
    RunMainQueue();
    EXPECT_EQ(arrivals, 2);
    TUsbServiceId secondId = added->Next();
    EXPECT_NE(secondId, id);
    auto late = bus->AddMatchingNotification(CUsbBus::kFirstMatch, kVendor, kProduct, nullptr);
    EXPECT_EQ(late->Next(), secondId);
    EXPECT_EQ(late->Next(), 0u);

    // A wake-up already posted is dropped when its iterator is gone by then.
    EXPECT_EQ(added->Next(), 0u);
    bus->Attach(AtLocation(0x01300000));
    added.reset();
    RunMainQueue();
    EXPECT_EQ(arrivals, 2);

    // Iterators may outlive the bus.
    bus->Detach(second);
    bus.reset();
    EXPECT_EQ(removed->Next(), secondId);
    EXPECT_EQ(removed->Next(), 0u);
    EXPECT_EQ(other->Next(), 0u);
    CMainEventQueue::Main().Clear();
}

TEST(CVirtualUsbBus, PipesDescribeTheirEndpointsAndReadsReportOverrun)
{
    auto bus = CVirtualUsbBus::Create();
    bus->Attach(SVirtualInstrumentConfig{});
    auto device = bus->CreateDevice(bus->GetMatchingServices(kVendor, kProduct)->Next());
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->Open(), kUsbSuccess);
    std::vector<std::unique_ptr<CUsbInterface>> interfaces;
    ASSERT_EQ(device->CreateInterfaces(interfaces), kUsbSuccess);
    ASSERT_EQ(interfaces.size(), 1u);
    CUsbInterface& usb = *interfaces[0];
    ASSERT_EQ(usb.OpenSeize(), kUsbSuccess);

    SUsbPipeProperties in, out;
    ASSERT_EQ(usb.GetPipeProperties(2, in), kUsbSuccess);
    EXPECT_EQ(in.mDirection, SUsbPipeProperties::kIn);
    EXPECT_EQ(in.mNumber, 2);
    EXPECT_EQ(in.mTransferType, SUsbPipeProperties::kBulk);
    ASSERT_EQ(usb.GetPipeProperties(3, out), kUsbSuccess);
    EXPECT_EQ(out.mDirection, SUsbPipeProperties::kOut);
    EXPECT_EQ(out.mNumber, 2);
    EXPECT_EQ(usb.GetPipeProperties(4, out), kUsbBadArgument);

    // The status reply is 52 bytes: a smaller buffer gets its start and an overrun.
    const std::vector<uint8_t> status = NSWireFrames::Request(0x81);
    ASSERT_EQ(usb.WritePipe(3, status.data(), uint32_t(status.size()), 0, 1000), kUsbSuccess);
    uint8_t buffer[64] = {};
    uint32_t size = 10;
    EXPECT_EQ(usb.ReadPipe(2, buffer, size, 1000, 1000), kUsbOverrun);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(buffer[0], 0x81);
    EXPECT_EQ(buffer[10], 0); // nothing written past what was asked

    ASSERT_EQ(usb.WritePipe(3, status.data(), uint32_t(status.size()), 0, 1000), kUsbSuccess);
    size = sizeof buffer;
    EXPECT_EQ(usb.ReadPipe(2, buffer, size, 1000, 1000), kUsbSuccess);
    EXPECT_EQ(size, 52u);
    EXPECT_EQ(buffer[0], 0x81);

    // Nothing waiting and no time to wait: an empty success.
    size = sizeof buffer;
    EXPECT_EQ(usb.ReadPipe(2, buffer, size, 0, 0), kUsbSuccess);
    EXPECT_EQ(size, 0u);
}
