#include "framework/media/CWayfarerFileVersion.h"

#include "framework/media/VersionText.h"

#include <cstdio>
#include <cstring>
#include <tuple>

namespace NSWayfarer
{

CWayfarerFileVersion::CWayfarerFileVersion(uint16_t major, uint16_t minor)
    : fMajor(major), fMinor(minor)
{
}

CWayfarerFileVersion::CWayfarerFileVersion(uint16_t major, uint16_t minor, uint16_t revision)
    : fMajor(major), fMinor(minor), fRevision(revision)
{
}

CWayfarerFileVersion::CWayfarerFileVersion(uint16_t major, uint16_t minor, uint16_t revision,
                                           uint16_t build, uint16_t internalStage, EStage stage)
    : fMajor(major), fMinor(minor), fRevision(revision), fInternalStage(internalStage),
      fStage(stage), fBuild(build)
{
}

CWayfarerFileVersion::CWayfarerFileVersion(const CFileVersion& version)
    : fMajor(version.GetMajor()), fMinor(version.GetMinor()), fRevision(version.GetRevision())
{
}

void CWayfarerFileVersion::GetString(char* out) const
{
    FormatVersion(out, fMajor, fMinor, fRevision, fStage, fInternalStage);
    const size_t used = std::strlen(out);
    std::snprintf(out + used, 48 - used, " build %u", unsigned(fBuild));
}

bool CWayfarerFileVersion::IsNewEnough(const CWayfarerFileVersion& other) const
{
    return std::tie(fMajor, fMinor, fRevision) >
           std::tie(other.fMajor, other.fMinor, other.fRevision);
}

bool CWayfarerFileVersion::IsCompatible(const CWayfarerFileVersion& other) const
{
    return fMajor == other.fMajor;
}

bool CWayfarerFileVersion::IsCompatible(const CWayfarerFileVersion& oldest,
                                        const CWayfarerFileVersion& newest) const
{
    return IsNewEnough(oldest) && newest.fMajor >= fMajor;
}

} // namespace NSWayfarer
