#include "platform/usb/UsbLocationId.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using NSPlatform::MakeUsbLocationId;

namespace
{

uint32_t Location(uint8_t bus, std::vector<uint8_t> ports, uint8_t address = 9)
{
    return MakeUsbLocationId(bus, ports.data(), static_cast<int>(ports.size()), address);
}

} // namespace

TEST(UsbLocationId, SmallPortsKeepTheNibbleLayout)
{
    EXPECT_EQ(Location(1, {1}), 0x01100000u);
    EXPECT_EQ(Location(2, {3, 2}), 0x02320000u);
    EXPECT_EQ(Location(3, {14, 1, 2, 3, 4, 5}), 0x03E12345u);
    EXPECT_EQ(Location(4, {}), 0x04000000u);
}

TEST(UsbLocationId, EveryDeviceOnABusGetsItsOwnValue)
{
    // Root hubs with up to 255 ports, hubs behind them, and paths too deep for the
    // nibbles; each device has its own address, as on a real bus.
    std::vector<std::vector<uint8_t>> paths;
    for (int a = 1; a <= 255; ++a)
    {
        paths.push_back({uint8_t(a)});
        for (int b = 1; b <= 255; ++b)
            paths.push_back({uint8_t(a), uint8_t(b)});
    }
    const uint8_t some[] = {1, 2, 7, 14, 15, 16, 31, 127, 255};
    for (uint8_t a : some)
        for (uint8_t b : some)
            for (uint8_t c : some)
                for (uint8_t d : {uint8_t(1), uint8_t(15)})
                {
                    paths.push_back({a, b, c});
                    paths.push_back({a, b, c, d});
                    paths.push_back({a, b, c, d, 1, 2, 3});
                }
    std::set<std::vector<uint8_t>> distinct(paths.begin(), paths.end());
    std::set<uint32_t> seen;
    uint8_t address = 1;
    std::set<uint32_t> byAddress;
    for (const auto& path : distinct)
    {
        const uint32_t location = Location(5, path, address);
        EXPECT_EQ(location >> 24, 5u);
        if (location == (5u << 24 | address))
        {
            // Paths beyond the nibbles go by address, unique among the devices
            // present together; they must not meet a path's value.
            byAddress.insert(location);
        }
        else
        {
            EXPECT_TRUE(seen.insert(location).second) << int(path[0]) << " " << path.size();
        }
        address = address == 127 ? 1 : address + 1;
    }
    EXPECT_FALSE(byAddress.empty());
    for (uint32_t location : byAddress)
        EXPECT_EQ(seen.count(location), 0u);
    EXPECT_EQ(seen.count(5u << 24), 0u); // the root hub itself
    // The old clamp made these two the same device.
    EXPECT_NE(Location(1, {15}), Location(1, {16}));
    EXPECT_NE(Location(1, {20, 3}), Location(1, {21, 3}));
}
