// Lays out an OS image: the 724-byte header followed by each section's data in the order added,
// with the header and section checksums filled in.
#pragma once

#include "Portable/update/SOSData.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace NSWayfarer
{
class CMedia;
}

class COSImageBuilder
{
public:
    // version is stored as shown times 100 (120 is shown as 1.20).
    COSImageBuilder(uint16_t version, uint16_t build, uint8_t type = kOSImageTypeInstallable);

    // Adds a section stored uncompressed. The name has 1 to 4 characters (shorter ones are
    // padded with zero bytes). Throws std::invalid_argument for a bad name or a 17th section,
    // std::length_error when the image would no longer fit 32-bit offsets.
    void AddSection(std::string_view name, uint32_t address, std::vector<uint8_t> data);

    int GetSectionCount() const { return static_cast<int>(fSections.size()); }
    bool HasCodeSection() const;
    // Size of the whole image in bytes.
    int64_t GetImageSize() const;

    // The 724 header bytes, big-endian, checksum included.
    std::vector<uint8_t> BuildHeader() const;
    // Writes the whole image at the media's current position.
    void Write(NSWayfarer::CMedia& out) const;
    // The whole image as bytes.
    std::vector<uint8_t> Build() const;

    // True when name can be stored in a section's name field.
    static bool IsValidSectionName(std::string_view name);

private:
    struct SSection
    {
        char mName[4];
        uint32_t mAddr;
        std::vector<uint8_t> mData;
    };

    uint16_t fVersion;
    uint16_t fBuild;
    uint8_t fType;
    std::vector<SSection> fSections;
};
