#include "framework/media/VersionText.h"

#include <cstdio>

namespace NSWayfarer
{

void FormatVersion(char* out, unsigned major, unsigned minor, unsigned revision, int stage,
                   unsigned internalStage)
{
    constexpr int kRoom = 32;
    int used = std::snprintf(out, kRoom, "%u.%u", major, minor);
    if (revision != 0)
        used += std::snprintf(out + used, kRoom - used, ".%u", revision);
    const char* mark = nullptr;
    switch (stage)
    {
    case 1:
        mark = "Dev";
        break;
    case 2:
        mark = "a";
        break;
    case 3:
        mark = "b";
        break;
    default:
        break;
    }
    if (mark != nullptr)
        std::snprintf(out + used, kRoom - used, "%s%u", mark, internalStage);
}

} // namespace NSWayfarer
