// The 32-bit "locationID" of a device from its place on the bus, the one value by
// which a departure is matched to the open device: one per device on the bus.
#pragma once

#include <cstdint>

namespace NSPlatform
{

// bus in the top byte, then one nibble per hub port from the root downwards
// (0 ends the path). Ports 1 to 14 take one nibble; a port of 15 or more takes the
// escape nibble 0xF and two more with its number. A path that does not fit in
// the six nibbles is given by its device address instead: 0 in the first nibble,
// the address in the low byte. Distinct paths (or addresses) never share a value.
uint32_t MakeUsbLocationId(uint8_t bus, const uint8_t* ports, int count, uint8_t address);

} // namespace NSPlatform
