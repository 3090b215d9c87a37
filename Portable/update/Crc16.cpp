#include "Portable/update/Crc16.h"

namespace
{

constexpr uint16_t kPolynomial = 0x1021;

constexpr uint16_t TableEntry(unsigned index)
{
    uint16_t v = static_cast<uint16_t>(index << 8);
    uint16_t crc = 0;
    for (int bit = 0; bit < 8; ++bit)
    {
        if ((v ^ crc) & 0x8000)
            crc = static_cast<uint16_t>((crc << 1) ^ kPolynomial);
        else
            crc = static_cast<uint16_t>(crc << 1);
        v = static_cast<uint16_t>(v << 1);
    }
    return crc;
}

constexpr std::array<uint16_t, 256> MakeTable()
{
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i)
        table[i] = TableEntry(i);
    return table;
}

static_assert(TableEntry(1) == 0x1021 && TableEntry(255) == 0x1EF0,
              "CRC table generation is broken");

} // namespace

// Constant-initialised, so it never holds zeros, not even before CRCinit has run.
constinit std::array<uint16_t, 256> gCrc16 = MakeTable();

void CRCinit()
{
    for (unsigned i = 0; i < 256; ++i)
        gCrc16[i] = TableEntry(i);
}

uint16_t CalcCrc16(const void* data, size_t len, uint16_t crc)
{
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < len; ++i)
        crc = Crc16Update(crc, p[i]);
    return crc;
}
