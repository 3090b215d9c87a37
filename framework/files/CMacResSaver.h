// Keeps the current resource file across a scope: remembers it on
// construction and makes it current again on destruction.
#pragma once

#include <cstdint>

namespace NSWayfarer
{

class CMacResSaver
{
public:
    CMacResSaver();
    ~CMacResSaver();
    CMacResSaver(const CMacResSaver&) = delete;
    CMacResSaver& operator=(const CMacResSaver&) = delete;

private:
    int16_t fSaved;
};

} // namespace NSWayfarer
