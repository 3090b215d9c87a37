#include "framework/media/CFileVersion.h"

#include "framework/media/VersionText.h"

#include <tuple>

namespace NSWayfarer
{

CFileVersion::CFileVersion(uint16_t major, uint16_t minor) : fMajor(major), fMinor(minor) {}

CFileVersion::CFileVersion(uint16_t major, uint16_t minor, uint16_t revision)
    : fMajor(major), fMinor(minor), fRevision(revision)
{
}

CFileVersion::CFileVersion(uint16_t major, uint16_t minor, uint16_t revision,
                           uint16_t internalStage, EStage stage)
    : fMajor(major), fMinor(minor), fRevision(revision), fInternalStage(internalStage),
      fStage(stage)
{
}

void CFileVersion::GetString(char* out) const
{
    FormatVersion(out, fMajor, fMinor, fRevision, fStage, fInternalStage);
}

bool CFileVersion::IsNewEnough(const CFileVersion& other) const
{
    return std::tie(fMajor, fMinor, fRevision) >
           std::tie(other.fMajor, other.fMinor, other.fRevision);
}

bool CFileVersion::IsCompatible(const CFileVersion& other) const
{
    return fMajor == other.fMajor;
}

bool CFileVersion::IsCompatible(const CFileVersion& oldest, const CFileVersion& newest) const
{
    return IsNewEnough(oldest) && newest.fMajor >= fMajor;
}

} // namespace NSWayfarer
