// Walks the entries of one folder, one catalogue snapshot at a time.
#pragma once

#include <cstdint>

namespace NSWayfarer
{

class CDirSpec;
class CFileInfo;

class CDirScanner
{
public:
    explicit CDirScanner(CDirSpec* dir);
    // The next entry (caller owns it), or null when there are no more; the
    // scanner then stays where it is.
    CFileInfo* CreateFileInfoAndStepToNext();
    uint16_t GetIndex() const { return fIndex; }

private:
    CDirSpec* fDir;
    uint16_t fIndex = 0;
};

} // namespace NSWayfarer
