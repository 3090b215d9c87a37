#include "framework/graphics/CPalette.h"

#include "framework/application/CLowLevelApplication.h"
#include "framework/files/CFileSpec.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/files/XBase.h"
#include "framework/graphics/CJPEGDecoder.h"
#include "framework/media/CMemoryMedia.h"
#include "platform/files/CPosixFiles.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace NSWayfarer
{

const uint16_t CPalette::gFixedWayfarerColors[kFixedColorCount] = {
    65535, 52428, 39321, 26214, 13107, 61166, 56797, 48059, 43690, 34952,
    30583, 21845, 17476, 8738,  4369,  0,     0,     0,     0,     0};

CRGBColor kWayfarerStandardPalette[CPalette::kFreeColorCount];

namespace
{

constexpr int kLowFixedCount = 5;
constexpr int kHighFixedStart = 241;
constexpr long kSCOLBytes = CPalette::kFreeColorCount * 3;

CFileSpec ApplicationFileSpec()
{
    if (CLowLevelApplication* application = CLowLevelApplication::Get())
        return application->GetFileSpec();
    NSPlatform::SNativeFileSpec self;
    NSPlatform::CPosixFiles::GetExecutableSpec(&self);
    return CFileSpec(self);
}

} // namespace

void CPalette::SetFixedColors()
{
    fTable.mSeed = SColorTable::NewSeed();
    fTable.mCount = 256;
    for (int i = 0; i < kLowFixedCount; ++i)
    {
        const uint16_t v = gFixedWayfarerColors[i];
        fTable.mEntries[static_cast<size_t>(i)] = SMacRGBColor{v, v, v};
    }
    for (int i = kLowFixedCount; i < kFixedColorCount; ++i)
    {
        const uint16_t v = gFixedWayfarerColors[i];
        fTable.mEntries[static_cast<size_t>(kHighFixedStart + i - kLowFixedCount)] =
            SMacRGBColor{v, v, v};
    }
}

CPalette::CPalette(const CRGBColor* freeColors)
{
    SetFixedColors();
    for (int i = 0; i < kFreeColorCount; ++i)
        fTable.mEntries[static_cast<size_t>(kFirstFreeIndex + i)] = freeColors[i].MacGetColor();
}

CPalette::CPalette(const SColorTable& table)
{
    fTable.mSeed = SColorTable::NewSeed();
    fTable.mCount = 256;
    const int count = std::min<int>(table.mCount, 256);
    for (int i = 0; i < count; ++i)
        fTable.mEntries[static_cast<size_t>(i)] = table.mEntries[static_cast<size_t>(i)];
}

CRGBColor CPalette::GetColor(unsigned short index) const
{
    return index < 256 ? CRGBColor(fTable.mEntries[index]) : CRGBColor();
}

void CPalette::GetPaletteArray(CRGBColor* colors) const
{
    for (size_t i = 0; i < 256; ++i)
        colors[i] = CRGBColor(fTable.mEntries[i]);
}

std::unique_ptr<SColorTable> CPalette::MacCreateColorTable() const
{
    auto table = std::make_unique<SColorTable>(fTable);
    table->mSeed = SColorTable::NewSeed();
    return table;
}

CPalette* CPalette::LoadWayfarerSCOL(short resourceNumber)
{
    const CFileSpec own = ApplicationFileSpec();
    COpenResourceFile file(&own);
    unsigned char bytes[kSCOLBytes] = {};
    long count = 0;
    file.Read("SCOL", resourceNumber, bytes, &count, kSCOLBytes);
    // A short resource leaves the colours past its end black.
    CRGBColor colors[kFreeColorCount];
    for (long i = 0; i < kFreeColorCount && (i + 1) * 3 <= count; ++i)
        colors[i] = CRGBColor(uint16_t(bytes[i * 3] << 8), uint16_t(bytes[i * 3 + 1] << 8),
                              uint16_t(bytes[i * 3 + 2] << 8));
    return new CPalette(colors);
}

CPalette* CPalette::MacLoadPict(short resourceNumber)
{
    const CFileSpec own = ApplicationFileSpec();
    COpenResourceFile file(&own);
    if (!file.DoesExist("PICT", resourceNumber))
        throw XNotFound();
    std::unique_ptr<CMemoryMedia> media(file.Read("PICT", resourceNumber));
    try
    {
        return MakeFromJPEG(media->GetBufferPtr(), static_cast<size_t>(media->GetSize()));
    }
    catch (const XBadFormat&)
    {
        // The picture is there but its colours cannot be had.
        throw XBase();
    }
}

CPalette* CPalette::MakeFromJPEG(const uint8_t* data, size_t length)
{
    std::vector<CRGBColor> colors = CJPEGDecoder::PickColors(data, length, kFreeColorCount);
    colors.resize(kFreeColorCount);
    return new CPalette(colors.data());
}

const CPalette& CPalette::GetStandardPalette()
{
    static const CPalette gStandard = []
    {
        CRGBColor ramp[kFreeColorCount];
        for (long i = 0; i < kFreeColorCount; ++i)
        {
            const auto v = static_cast<uint16_t>(i * 65535 / kFreeColorCount);
            ramp[i] = CRGBColor(v, v, v);
        }
        return CPalette(ramp);
    }();
    return gStandard;
}

} // namespace NSWayfarer
