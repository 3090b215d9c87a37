// The text form shared by the version classes: "major.minor", ".revision" when it is not
// 0, then the stage mark ("Dev", "a", "b" with the number within the stage).
#pragma once

#include <cstdint>

namespace NSWayfarer
{

// out needs room for 32 bytes. Stages outside development to release add no mark.
void FormatVersion(char* out, unsigned major, unsigned minor, unsigned revision, int stage,
                   unsigned internalStage);

} // namespace NSWayfarer
