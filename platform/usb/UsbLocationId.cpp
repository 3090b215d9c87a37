#include "platform/usb/UsbLocationId.h"

namespace NSPlatform
{

namespace
{
constexpr int kNibbles = 6;
constexpr uint8_t kEscape = 0xF;
} // namespace

uint32_t MakeUsbLocationId(uint8_t bus, const uint8_t* ports, int count, uint8_t address)
{
    uint8_t nibbles[kNibbles] = {};
    int used = 0;
    bool fits = count >= 0;
    for (int i = 0; fits && i < count; ++i)
    {
        const uint8_t port = ports[i];
        if (port >= 1 && port < kEscape && used < kNibbles)
        {
            nibbles[used++] = port;
        }
        else if (port >= kEscape && used + 3 <= kNibbles)
        {
            nibbles[used++] = kEscape;
            nibbles[used++] = static_cast<uint8_t>(port >> 4);
            nibbles[used++] = static_cast<uint8_t>(port & 0xF);
        }
        else
        {
            // Port 0 does not exist; a deeper path has run out of nibbles.
            fits = false;
        }
    }
    uint32_t location = uint32_t(bus) << 24;
    if (!fits)
        return location | address;
    for (int i = 0; i < used; ++i)
        location |= uint32_t(nibbles[i]) << (20 - 4 * i);
    return location;
}

} // namespace NSPlatform
