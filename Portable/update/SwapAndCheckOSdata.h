// The check an OS image must pass before it is sent: header checksum, a "CODE" section, and the
// checksum of every section's stored data.
#pragma once

#include "Portable/update/SFileDesc.h"

#include <cstdint>

// Converts the header in fdp->mOSData (as read from the image) to host order in place, verifies
// it and every section through the descriptor's reader, and returns the load address of the
// "CODE" section (the last one when there are several), or kOSCheckFailed on any failure.
// Nothing is read outside the image: a source shorter than the header, more than 16 sections, or
// a section whose data runs past the end of the source fails the check. The read position is left
// after the last section read; callers reposition before reading again, and read the header afresh
// before checking again (a second call would convert it back).
uint32_t SwapAndCheckOSdata(SFileDesc* fdp);
