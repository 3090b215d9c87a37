// What the process entry hands to the application's constructor: its name,
// its own file and the size of the memory reserve.
#pragma once

#include "framework/files/CFileSpec.h"

#include <cstdint>
#include <string>
#include <vector>

namespace NSWayfarer
{

class CApplicationStartupInfo
{
public:
    CApplicationStartupInfo() { fApplicationName[0] = 0; }

    char fApplicationName[129];
    // The application's own file (the running executable).
    CFileSpec fFileSpec;
    int32_t fMacGrowZoneReserveSize = 40000;
    // Window mode: the application opens the display and checks its depth. The
    // terminal updater leaves it off and needs no display.
    bool fUsesDisplay = false;
    // Files named on the command line: opened as if dropped on the application.
    std::vector<std::string> fDocuments;
};

} // namespace NSWayfarer
