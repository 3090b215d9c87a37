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

// Tables for eight bytes at a time: kSlices[k][b] is the CRC of the byte b followed by k zero
// bytes, so each byte of an 8-byte block contributes independently of the others.
constexpr std::array<std::array<uint16_t, 256>, 8> MakeSlices()
{
    std::array<std::array<uint16_t, 256>, 8> slices{};
    slices[0] = MakeTable();
    for (unsigned k = 1; k < 8; ++k)
    {
        for (unsigned b = 0; b < 256; ++b)
        {
            const uint16_t prev = slices[k - 1][b];
            slices[k][b] = static_cast<uint16_t>((prev << 8) ^ slices[0][prev >> 8]);
        }
    }
    return slices;
}

constexpr std::array<std::array<uint16_t, 256>, 8> kSlices = MakeSlices();

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
    // The running CRC folds into the first two bytes of each block.
    for (; len >= 8; p += 8, len -= 8)
    {
        crc =
            static_cast<uint16_t>(kSlices[7][p[0] ^ (crc >> 8)] ^ kSlices[6][p[1] ^ (crc & 0xFF)] ^
                                  kSlices[5][p[2]] ^ kSlices[4][p[3]] ^ kSlices[3][p[4]] ^
                                  kSlices[2][p[5]] ^ kSlices[1][p[6]] ^ kSlices[0][p[7]]);
    }
    for (; len > 0; ++p, --len)
        crc = Crc16Update(crc, *p);
    return crc;
}
