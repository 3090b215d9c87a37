#include "framework/media/CFileVersion.h"

namespace NSWayfarer
{

void CFileVersion::GetString(char* out) const
{
    FormatParts(out);
}

} // namespace NSWayfarer
