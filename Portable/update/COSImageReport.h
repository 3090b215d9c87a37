// A full account of an OS image for people preparing images: its header, every section with
// its checksum result, and whether the updater would install it, and if not, why.
#pragma once

#include "Portable/update/SOSData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace NSWayfarer
{
class CMedia;
}

// Why an image cannot be installed, in the order the updater finds out.
enum class EOSImageVerdict
{
    kInstallable,
    kShortHeader,     // fewer bytes than the header
    kWrongKind,       // header mType is not 1
    kTooManySections, // header lists more than 16 sections
    kBadHeaderChecksum,
    kNoCode,         // no section named "CODE"
    kSectionOutside, // a section's stored data runs past the end of the image
    kBadSectionChecksum,
    kReservedStartAddress, // the "CODE" load address is the check's own failure value
};

struct SOSSectionReport
{
    std::string mName;    // up to 4 characters, cut at the first zero byte
    SSectData mEntry;     // the table entry in host order
    uint32_t mStoredSize; // bytes summed: mComprSize when compressed, else mSize
    bool mInside;         // the stored data lies inside the image
    bool mChecksumOK;     // inside, and the inverted sum matches the entry's checksum
};

class COSImageReport
{
public:
    // Reads the whole image from the media's start; the media's position is left undefined.
    // Media failures (XRead and the like) propagate.
    explicit COSImageReport(NSWayfarer::CMedia& image);

    EOSImageVerdict GetVerdict() const { return fVerdict; }
    bool IsInstallable() const { return fVerdict == EOSImageVerdict::kInstallable; }
    // Index of the section that decided a section verdict, -1 otherwise.
    int GetFaultSection() const { return fFaultSection; }

    int64_t GetImageSize() const { return fImageSize; }
    bool HasHeader() const { return fImageSize >= kOSHeaderSize; }
    // Header fields in host order; meaningful only with a header.
    const SOSData& GetHeader() const { return fHeader; }
    uint16_t GetComputedHeaderChecksum() const { return fComputedHeaderChecksum; }
    // The entries that were looked at: the first min(mSectCnt, 16).
    const std::vector<SOSSectionReport>& GetSections() const { return fSections; }
    // The "CODE" section's load address (the last such section), when there is one.
    bool HasStartAddress() const { return fHasStartAddress; }
    uint32_t GetStartAddress() const { return fStartAddress; }

    // The image's version as the updater shows it: "OS version 1.20", or with an odd version
    // number "OS version 1.23, build 7".
    std::string GetVersionText() const;
    static std::string FormatVersionText(uint16_t version, uint16_t build);
    // One line saying whether the image can be installed and, if not, why.
    std::string GetVerdictText() const;

private:
    void InspectSection(NSWayfarer::CMedia& image, SOSSectionReport& section) const;

    int64_t fImageSize = 0;
    SOSData fHeader{};
    uint16_t fComputedHeaderChecksum = 0;
    std::vector<SOSSectionReport> fSections;
    bool fHasStartAddress = false;
    uint32_t fStartAddress = 0;
    EOSImageVerdict fVerdict = EOSImageVerdict::kShortHeader;
    int fFaultSection = -1;
};
