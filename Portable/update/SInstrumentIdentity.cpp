#include "Portable/update/SInstrumentIdentity.h"

#include <cstdio>

const char* SInstrumentIdentity::GetModeName() const
{
    switch (mMode)
    {
    case 1:
        return "updater";
    case 2:
        return "test";
    default:
        return "os";
    }
}

std::string SInstrumentIdentity::GetOSVersionText() const
{
    if (!HasOS())
        return "no OS";
    char text[48];
    if (mOSVersion % 2 == 1)
        std::snprintf(text, sizeof text, "OS version %u.%02u, build %u", mOSVersion / 100u,
                      mOSVersion % 100u, unsigned{mOSBuild});
    else
        std::snprintf(text, sizeof text, "OS version %u.%02u", mOSVersion / 100u,
                      mOSVersion % 100u);
    return text;
}
