#include "Portable/update/COSImageBuilder.h"

#include "Portable/update/ByteOrder.h"
#include "Portable/update/SumBytes.h"
#include "framework/media/CMedia.h"
#include "framework/media/CMemoryMedia.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace
{

// Images travel through 32-bit signed media positions.
constexpr int64_t kMaxImageSize = std::numeric_limits<int32_t>::max();

} // namespace

COSImageBuilder::COSImageBuilder(uint16_t version, uint16_t build, uint8_t type)
    : fVersion(version), fBuild(build), fType(type)
{
}

bool COSImageBuilder::IsValidSectionName(std::string_view name)
{
    if (name.empty() || name.size() > sizeof(SSectData::mName))
        return false;
    for (char c : name)
    {
        if (c == '\0')
            return false;
    }
    return true;
}

void COSImageBuilder::AddSection(std::string_view name, uint32_t address, std::vector<uint8_t> data)
{
    if (!IsValidSectionName(name))
        throw std::invalid_argument("section name must have 1 to 4 characters");
    if (fSections.size() >= static_cast<size_t>(kOSMaxSections))
        throw std::invalid_argument("an image holds at most 16 sections");
    if (GetImageSize() + static_cast<int64_t>(data.size()) > kMaxImageSize)
        throw std::length_error("image would exceed 2 GiB");

    SSection section{};
    std::memcpy(section.mName, name.data(), name.size());
    section.mAddr = address;
    section.mData = std::move(data);
    fSections.push_back(std::move(section));
}

bool COSImageBuilder::HasCodeSection() const
{
    for (const SSection& s : fSections)
    {
        if (std::memcmp(s.mName, "CODE", 4) == 0)
            return true;
    }
    return false;
}

int64_t COSImageBuilder::GetImageSize() const
{
    int64_t size = kOSHeaderSize;
    for (const SSection& s : fSections)
        size += static_cast<int64_t>(s.mData.size());
    return size;
}

std::vector<uint8_t> COSImageBuilder::BuildHeader() const
{
    std::vector<uint8_t> header(kOSHeaderSize, 0);
    uint8_t* h = header.data();
    StoreBig16(h + offsetof(SOSData, mVersion), fVersion);
    h[offsetof(SOSData, mType)] = fType;
    StoreBig16(h + offsetof(SOSData, mBuild), fBuild);
    h[offsetof(SOSData, mSectCnt)] = static_cast<uint8_t>(fSections.size());

    uint32_t offset = kOSHeaderSize;
    for (size_t i = 0; i < fSections.size(); ++i)
    {
        const SSection& s = fSections[i];
        uint8_t* e = h + offsetof(SOSData, mSect) + i * sizeof(SSectData);
        const auto size = static_cast<uint32_t>(s.mData.size());
        std::memcpy(e + offsetof(SSectData, mName), s.mName, 4);
        StoreBig32(e + offsetof(SSectData, mOffs), offset);
        StoreBig32(e + offsetof(SSectData, mSize), size);
        StoreBig32(e + offsetof(SSectData, mAddr), s.mAddr);
        StoreBig32(e + offsetof(SSectData, mChks), ~SumBytes(s.mData.data(), s.mData.size()));
        offset += size;
    }
    StoreBig16(h + offsetof(SOSData, mChks), CalcOSHeaderChecksum(h));
    return header;
}

void COSImageBuilder::Write(NSWayfarer::CMedia& out) const
{
    const std::vector<uint8_t> header = BuildHeader();
    out.Write(kOSHeaderSize, header.data());
    for (const SSection& s : fSections)
    {
        if (!s.mData.empty())
            out.Write(static_cast<NSWayfarer::TMediaPos>(s.mData.size()), s.mData.data());
    }
}

std::vector<uint8_t> COSImageBuilder::Build() const
{
    std::vector<uint8_t> image(static_cast<size_t>(GetImageSize()));
    NSWayfarer::CMemoryMedia media(static_cast<NSWayfarer::TMediaPos>(image.size()), image.data());
    Write(media);
    return image;
}
