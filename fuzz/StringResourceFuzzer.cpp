// Feeds arbitrary bytes to the text-resource parser and reads every entry back
// with several maximum lengths: no entry may exceed its limits.

#include "framework/text/CStringResource.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

// The buffer is never cleared between reads: every read must terminate it.

using NSWayfarer::CStringResource;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CStringResource resource("SSTR", 128, data, static_cast<long>(size));
    static char buffer[CStringResource::kMaxStringLength + 2];
    for (unsigned short index = 0; index < CStringResource::kStringCount + 2; ++index)
    {
        for (long max : {0L, 1L, 64L, CStringResource::kMaxStringLength + 1})
        {
            buffer[0] = 'x';
            resource.GetString(index, buffer, max);
            const std::size_t length = std::strlen(buffer);
            if (static_cast<long>(length) > max ||
                static_cast<long>(length) > CStringResource::kMaxStringLength)
                std::abort();
        }
    }
    return 0;
}
