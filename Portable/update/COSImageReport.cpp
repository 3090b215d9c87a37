#include "Portable/update/COSImageReport.h"

#include "Portable/update/ByteOrder.h"
#include "Portable/update/SumBytes.h"
#include "framework/media/CMedia.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{

constexpr NSWayfarer::TMediaPos kSumChunk = 64 * 1024;

SSectData ParseEntry(const uint8_t* e)
{
    SSectData s{};
    std::memcpy(s.mName, e + offsetof(SSectData, mName), 4);
    s.mOffs = LoadBig32(e + offsetof(SSectData, mOffs));
    s.mSize = LoadBig32(e + offsetof(SSectData, mSize));
    s.mAddr = LoadBig32(e + offsetof(SSectData, mAddr));
    s.mChks = LoadBig32(e + offsetof(SSectData, mChks));
    s.mComprSize = LoadBig32(e + offsetof(SSectData, mComprSize));
    s.mComprChks = LoadBig32(e + offsetof(SSectData, mComprChks));
    std::memcpy(s.mRes, e + offsetof(SSectData, mRes), sizeof(s.mRes));
    return s;
}

} // namespace

COSImageReport::COSImageReport(NSWayfarer::CMedia& image)
{
    fImageSize = image.GetSize();
    if (fImageSize < kOSHeaderSize)
    {
        fVerdict = EOSImageVerdict::kShortHeader;
        return;
    }

    uint8_t raw[kOSHeaderSize];
    image.ReadRange(0, kOSHeaderSize, raw);
    fHeader.mVersion = LoadBig16(raw + offsetof(SOSData, mVersion));
    fHeader.mType = raw[offsetof(SOSData, mType)];
    fHeader.mPad = raw[offsetof(SOSData, mPad)];
    fHeader.mBuild = LoadBig16(raw + offsetof(SOSData, mBuild));
    fHeader.mChks = LoadBig16(raw + offsetof(SOSData, mChks));
    std::memcpy(fHeader.mRes, raw + offsetof(SOSData, mRes), sizeof(fHeader.mRes));
    fHeader.mSectCnt = raw[offsetof(SOSData, mSectCnt)];
    fComputedHeaderChecksum = CalcOSHeaderChecksum(raw);

    const int count = std::min<int>(fHeader.mSectCnt, kOSMaxSections);
    for (int i = 0; i < count; ++i)
    {
        SOSSectionReport section{};
        section.mEntry = ParseEntry(raw + offsetof(SOSData, mSect) + i * sizeof(SSectData));
        fHeader.mSect[i] = section.mEntry;
        section.mName.assign(section.mEntry.mName, strnlen(section.mEntry.mName, 4));
        if (std::memcmp(section.mEntry.mName, "CODE", 4) == 0)
        {
            fHasStartAddress = true;
            fStartAddress = section.mEntry.mAddr;
        }
        InspectSection(image, section);
        fSections.push_back(std::move(section));
    }

    // The same order as the updater's own check, so the reason given is the one it would hit.
    if (fHeader.mType != kOSImageTypeInstallable)
        fVerdict = EOSImageVerdict::kWrongKind;
    else if (fHeader.mSectCnt > kOSMaxSections)
        fVerdict = EOSImageVerdict::kTooManySections;
    else if (fComputedHeaderChecksum != fHeader.mChks)
        fVerdict = EOSImageVerdict::kBadHeaderChecksum;
    else if (!fHasStartAddress)
        fVerdict = EOSImageVerdict::kNoCode;
    else
    {
        fVerdict = EOSImageVerdict::kInstallable;
        for (int i = 0; i < count; ++i)
        {
            if (!fSections[i].mInside || !fSections[i].mChecksumOK)
            {
                fVerdict = fSections[i].mInside ? EOSImageVerdict::kBadSectionChecksum
                                                : EOSImageVerdict::kSectionOutside;
                fFaultSection = i;
                break;
            }
        }
        // The updater's check answers with the start address or 0xFFFFFFFF for a failure,
        // so an image that starts there is refused although every checksum matches.
        if (fVerdict == EOSImageVerdict::kInstallable && fStartAddress == kOSCheckFailed)
            fVerdict = EOSImageVerdict::kReservedStartAddress;
    }
}

void COSImageReport::InspectSection(NSWayfarer::CMedia& image, SOSSectionReport& section) const
{
    const SSectData& e = section.mEntry;
    const bool compressed = e.mComprSize != 0;
    section.mStoredSize = compressed ? e.mComprSize : e.mSize;
    section.mInside = int64_t{e.mOffs} + int64_t{section.mStoredSize} <= fImageSize;
    if (!section.mInside)
        return;

    std::vector<uint8_t> buffer(
        static_cast<size_t>(std::min<int64_t>(section.mStoredSize, kSumChunk)));
    uint32_t sum = 0;
    int64_t pos = e.mOffs;
    int64_t left = section.mStoredSize;
    while (left > 0)
    {
        const auto n = static_cast<NSWayfarer::TMediaPos>(std::min<int64_t>(left, kSumChunk));
        image.ReadRange(static_cast<NSWayfarer::TMediaPos>(pos), n, buffer.data());
        sum = SumBytes(buffer.data(), static_cast<size_t>(n), sum);
        pos += n;
        left -= n;
    }
    const uint32_t expected = compressed ? e.mComprChks : e.mChks;
    section.mChecksumOK = static_cast<uint32_t>(~sum) == expected;
}

std::string COSImageReport::FormatVersionText(uint16_t version, uint16_t build)
{
    char text[64];
    if (version % 2 != 0)
        std::snprintf(text, sizeof(text), "OS version %d.%02d, build %d", version / 100,
                      version % 100, build);
    else
        std::snprintf(text, sizeof(text), "OS version %d.%02d", version / 100, version % 100);
    return text;
}

std::string COSImageReport::GetVersionText() const
{
    return FormatVersionText(fHeader.mVersion, fHeader.mBuild);
}

std::string COSImageReport::GetVerdictText() const
{
    char text[160];
    const char* name = fFaultSection >= 0 ? fSections[fFaultSection].mName.c_str() : "";
    switch (fVerdict)
    {
    case EOSImageVerdict::kInstallable:
        std::snprintf(text, sizeof(text), "Installable (start address 0x%08X)", fStartAddress);
        break;
    case EOSImageVerdict::kShortHeader:
        std::snprintf(text, sizeof(text),
                      "Not installable: short header (%lld bytes, the header needs %d)",
                      static_cast<long long>(fImageSize), kOSHeaderSize);
        break;
    case EOSImageVerdict::kWrongKind:
        std::snprintf(text, sizeof(text), "Not installable: wrong image kind %u (must be %u)",
                      fHeader.mType, kOSImageTypeInstallable);
        break;
    case EOSImageVerdict::kTooManySections:
        std::snprintf(text, sizeof(text),
                      "Not installable: too many sections (%u listed, at most %d)",
                      fHeader.mSectCnt, kOSMaxSections);
        break;
    case EOSImageVerdict::kBadHeaderChecksum:
        std::snprintf(text, sizeof(text),
                      "Not installable: bad header checksum (stored 0x%04X, computed 0x%04X)",
                      fHeader.mChks, fComputedHeaderChecksum);
        break;
    case EOSImageVerdict::kNoCode:
        std::snprintf(text, sizeof(text), "Not installable: no \"CODE\" section");
        break;
    case EOSImageVerdict::kSectionOutside:
        std::snprintf(text, sizeof(text),
                      "Not installable: section %d \"%s\" lies outside the image",
                      fFaultSection + 1, name);
        break;
    case EOSImageVerdict::kBadSectionChecksum:
        std::snprintf(text, sizeof(text),
                      "Not installable: bad section checksum in section %d \"%s\"",
                      fFaultSection + 1, name);
        break;
    case EOSImageVerdict::kReservedStartAddress:
        std::snprintf(text, sizeof(text),
                      "Not installable: start address 0x%08X of the \"CODE\" section is "
                      "reserved (the updater's check takes it for a failure)",
                      fStartAddress);
        break;
    }
    return text;
}
