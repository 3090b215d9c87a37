#include "framework/media/CWayfarerFileVersion.h"

#include <cstdio>
#include <cstring>

namespace NSWayfarer
{

CWayfarerFileVersion::CWayfarerFileVersion(uint16_t major, uint16_t minor)
    : CVersionParts(major, minor)
{
}

CWayfarerFileVersion::CWayfarerFileVersion(uint16_t major, uint16_t minor, uint16_t revision)
    : CVersionParts(major, minor, revision)
{
}

CWayfarerFileVersion::CWayfarerFileVersion(uint16_t major, uint16_t minor, uint16_t revision,
                                           uint16_t build, uint16_t internalStage, EStage stage)
    : CVersionParts(major, minor, revision, internalStage, stage), fBuild(build)
{
}

CWayfarerFileVersion::CWayfarerFileVersion(const CFileVersion& version)
    : CVersionParts(version.GetMajor(), version.GetMinor(), version.GetRevision())
{
}

void CWayfarerFileVersion::GetString(char* out) const
{
    FormatParts(out);
    const size_t used = std::strlen(out);
    std::snprintf(out + used, 48 - used, " build %u", unsigned(fBuild));
}

} // namespace NSWayfarer
