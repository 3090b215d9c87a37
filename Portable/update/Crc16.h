// The protocol's CRC-16 (polynomial 0x1021, most significant bit first, initial value 0) that
// seals every message sent to the instrument.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// One entry per value of the high byte of the running CRC. The table is already valid when the
// program starts, so a message sealed before CRCinit still gets the right CRC.
extern std::array<uint16_t, 256> gCrc16;

// Fills gCrc16. Idempotent; kept as the explicit start-up step the application performs.
void CRCinit();

// Adds one byte to a running CRC.
inline uint16_t Crc16Update(uint16_t crc, uint8_t byte)
{
    return static_cast<uint16_t>((crc << 8) ^ gCrc16[((crc >> 8) ^ byte) & 0xFF]);
}

// The CRC of len bytes, continuing from crc (0 for a fresh message).
uint16_t CalcCrc16(const void* data, size_t len, uint16_t crc = 0);
