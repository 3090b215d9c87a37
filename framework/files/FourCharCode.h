// The four-character codes of file types, creators and resource types as the
// 32-bit numbers the platform layer keeps them in.
#pragma once

namespace NSWayfarer
{

// The first character in the top byte; a code shorter than four characters
// (ended by its terminator) is filled up with pad.
unsigned long PackFourCharCode(const char* code, unsigned char pad);

} // namespace NSWayfarer
