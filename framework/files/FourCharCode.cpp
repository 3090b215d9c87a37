#include "framework/files/FourCharCode.h"

namespace NSWayfarer
{

unsigned long PackFourCharCode(const char* code, unsigned char pad)
{
    unsigned long packed = 0;
    bool ended = false;
    for (int i = 0; i < 4; ++i)
    {
        ended = ended || code[i] == 0;
        packed = (packed << 8) | (ended ? pad : static_cast<unsigned char>(code[i]));
    }
    return packed;
}

} // namespace NSWayfarer
