// Dates of files and persistent records: seconds since 1 January 1904.
#pragma once

#include <cstdint>

namespace NSWayfarer
{

// Writes the 8-byte persistent form: the big-endian seconds, four zero bytes.
void PackDate(uint32_t date, unsigned char* out);
uint32_t UnpackDate(const unsigned char* in);
uint32_t GetNowDate();

} // namespace NSWayfarer
