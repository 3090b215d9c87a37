// The version of an application file as its version resource gives it: 16-bit parts, a
// release stage and a build number, which shows in the text but not in comparisons.
#pragma once

#include "framework/media/CFileVersion.h"
#include "framework/media/CVersionParts.h"

#include <cstdint>

namespace NSWayfarer
{

class CWayfarerFileVersion : public CVersionParts<CWayfarerFileVersion, uint16_t, true>
{
public:
    CWayfarerFileVersion() = default;
    CWayfarerFileVersion(uint16_t major, uint16_t minor);
    CWayfarerFileVersion(uint16_t major, uint16_t minor, uint16_t revision);
    CWayfarerFileVersion(uint16_t major, uint16_t minor, uint16_t revision, uint16_t build,
                         uint16_t internalStage, EStage stage);
    // Major, minor and revision of the file version; a release of build 0.
    explicit CWayfarerFileVersion(const CFileVersion& version);
    CWayfarerFileVersion(const CWayfarerFileVersion&) = default;
    CWayfarerFileVersion& operator=(const CWayfarerFileVersion&) = default;
    virtual ~CWayfarerFileVersion() = default;

    uint16_t GetBuild() const { return fBuild; }

    // out needs room for 48 bytes: "1.2 build 0", "1.2.3b4 build 117".
    void GetString(char* out) const;

private:
    uint16_t fBuild = 0;
};

} // namespace NSWayfarer
