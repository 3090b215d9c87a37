#include "Portable/update/COSImageReport.h"

#include "Portable/update/COSImageBuilder.h"
#include "Portable/update/OSImageTestUtil.h"
#include "framework/media/CMemoryMedia.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

using namespace OSImageTest;
using NSWayfarer::CMemoryMedia;
using NSWayfarer::TMediaPos;

namespace
{

COSImageReport Inspect(std::vector<uint8_t>& image)
{
    CMemoryMedia media(static_cast<TMediaPos>(image.size()), image.data());
    return COSImageReport(media);
}

std::vector<uint8_t> GoodImage()
{
    COSImageBuilder builder(123, 7);
    builder.AddSection("BOOT", 0x100, Pattern(500, 1));
    builder.AddSection("CODE", 0x8000, Pattern(5000, 2));
    builder.AddSection("TAB", 0x20000, Pattern(64, 3));
    return builder.Build();
}

// What the updater itself decides: the kind byte first, then the check.
bool UpdaterWouldInstall(std::vector<uint8_t>& image)
{
    if (image.size() < 3 || image[offsetof(SOSData, mType)] != kOSImageTypeInstallable)
        return false;
    return CheckInMemory(image) != kOSCheckFailed;
}

} // namespace

TEST(COSImageBuilder, LaysSectionsOutAfterTheHeaderInOrder)
{
    std::vector<uint8_t> image = GoodImage();
    ASSERT_EQ(image.size(), 724u + 500 + 5000 + 64);
    EXPECT_EQ(LoadBig16(image.data()), 123);
    EXPECT_EQ(image[2], 1);
    EXPECT_EQ(LoadBig16(image.data() + 4), 7);
    EXPECT_EQ(image[19], 3);
    EXPECT_EQ(GetEntry32(image, 0, offsetof(SSectData, mOffs)), 724u);
    EXPECT_EQ(GetEntry32(image, 1, offsetof(SSectData, mOffs)), 1224u);
    EXPECT_EQ(GetEntry32(image, 2, offsetof(SSectData, mOffs)), 6224u);
    EXPECT_EQ(GetEntry32(image, 1, offsetof(SSectData, mAddr)), 0x8000u);
    EXPECT_EQ(std::memcmp(image.data() + EntryOffset(2, 0), "TAB\0", 4), 0);
    EXPECT_EQ(image[EntryOffset(3, 0)], 0) << "unused entries stay zero";
    EXPECT_EQ(std::memcmp(image.data() + 1224, Pattern(5000, 2).data(), 5000), 0);
}

TEST(COSImageBuilder, WritesThroughAMediaAtItsPosition)
{
    COSImageBuilder builder(120, 0);
    builder.AddSection("CODE", 1, Pattern(33, 4));
    std::vector<uint8_t> buffer(10 + builder.GetImageSize(), 0x55);
    CMemoryMedia media(static_cast<TMediaPos>(buffer.size()), buffer.data());
    media.SetPos(10);
    builder.Write(media);
    EXPECT_EQ(media.GetPos(), static_cast<TMediaPos>(buffer.size()));
    EXPECT_EQ(buffer[9], 0x55);
    const std::vector<uint8_t> built = builder.Build();
    EXPECT_TRUE(std::equal(built.begin(), built.end(), buffer.begin() + 10));
}

TEST(COSImageBuilder, RejectsBadNamesAndTooManySections)
{
    COSImageBuilder builder(120, 0);
    EXPECT_THROW(builder.AddSection("", 0, {}), std::invalid_argument);
    EXPECT_THROW(builder.AddSection("CODES", 0, {}), std::invalid_argument);
    EXPECT_THROW(builder.AddSection(std::string("A\0B", 3), 0, {}), std::invalid_argument);
    EXPECT_FALSE(builder.HasCodeSection());
    for (int i = 0; i < 16; ++i)
        builder.AddSection(i == 15 ? "CODE" : "DATA", static_cast<uint32_t>(i), {1, 2});
    EXPECT_TRUE(builder.HasCodeSection());
    EXPECT_THROW(builder.AddSection("MORE", 0, {}), std::invalid_argument);
    EXPECT_EQ(builder.GetSectionCount(), 16);
    std::vector<uint8_t> image = builder.Build();
    EXPECT_EQ(CheckInMemory(image), 15u);
}

TEST(COSImageReport, InstallableImageIsDescribedCompletely)
{
    std::vector<uint8_t> image = GoodImage();
    const COSImageReport report = Inspect(image);
    EXPECT_TRUE(report.IsInstallable());
    EXPECT_EQ(report.GetVersionText(), "OS version 1.23, build 7");
    EXPECT_EQ(report.GetHeader().mType, 1);
    ASSERT_EQ(report.GetSections().size(), 3u);
    EXPECT_EQ(report.GetSections()[2].mName, "TAB");
    EXPECT_EQ(report.GetSections()[1].mEntry.mOffs, 1224u);
    EXPECT_EQ(report.GetSections()[1].mEntry.mSize, 5000u);
    for (const SOSSectionReport& s : report.GetSections())
        EXPECT_TRUE(s.mInside && s.mChecksumOK) << s.mName;
    EXPECT_EQ(report.GetStartAddress(), 0x8000u);
    EXPECT_EQ(report.GetVerdictText(), "Installable (start address 0x00008000)");
}

TEST(COSImageReport, VersionTextFollowsTheUpdatersRule)
{
    EXPECT_EQ(COSImageReport::FormatVersionText(120, 7), "OS version 1.20");
    EXPECT_EQ(COSImageReport::FormatVersionText(123, 7), "OS version 1.23, build 7");
    EXPECT_EQ(COSImageReport::FormatVersionText(5, 0), "OS version 0.05, build 0");
    EXPECT_EQ(COSImageReport::FormatVersionText(200, 65535), "OS version 2.00");
    EXPECT_EQ(COSImageReport::FormatVersionText(65535, 65535), "OS version 655.35, build 65535");
}

// Each kind of fault is named, at the section that has it, and the report agrees with the
// updater's own check on every one of them.
TEST(COSImageReport, NamesEachFaultAndAgreesWithTheUpdater)
{
    struct SCase
    {
        const char* mWhat;
        std::function<void(std::vector<uint8_t>&)> mBreak;
        EOSImageVerdict mVerdict;
        int mSection;
        const char* mText;
    };
    const std::vector<SCase> cases = {
        {"intact", [](std::vector<uint8_t>&) {}, EOSImageVerdict::kInstallable, -1, "Installable"},
        {"short", [](std::vector<uint8_t>& im) { im.resize(723); }, EOSImageVerdict::kShortHeader,
         -1, "short header"},
        {"kind",
         [](std::vector<uint8_t>& im)
         {
             im[2] = 2;
             FixHeaderChecksum(im);
         },
         EOSImageVerdict::kWrongKind, -1, "wrong image kind 2"},
        {"count",
         [](std::vector<uint8_t>& im)
         {
             im[19] = 17;
             FixHeaderChecksum(im);
         },
         EOSImageVerdict::kTooManySections, -1, "too many sections"},
        {"header", [](std::vector<uint8_t>& im) { im[100] ^= 4; },
         EOSImageVerdict::kBadHeaderChecksum, -1, "bad header checksum"},
        {"nocode",
         [](std::vector<uint8_t>& im)
         {
             im[EntryOffset(1, 0)] = 'K';
             FixHeaderChecksum(im);
         },
         EOSImageVerdict::kNoCode, -1, "no \"CODE\" section"},
        {"outside",
         [](std::vector<uint8_t>& im)
         {
             SetEntry32(im, 2, offsetof(SSectData, mOffs), 0xFFFFFFF0u);
             FixHeaderChecksum(im);
         },
         EOSImageVerdict::kSectionOutside, 2, "section 3 \"TAB\" lies outside the image"},
        {"truncated", [](std::vector<uint8_t>& im) { im.pop_back(); },
         EOSImageVerdict::kSectionOutside, 2, "outside"},
        {"data", [](std::vector<uint8_t>& im) { im[1224 + 17] ^= 1; },
         EOSImageVerdict::kBadSectionChecksum, 1, "bad section checksum in section 2 \"CODE\""},
    };
    for (const SCase& c : cases)
    {
        std::vector<uint8_t> image = GoodImage();
        c.mBreak(image);
        image.shrink_to_fit();
        const COSImageReport report = Inspect(image);
        EXPECT_EQ(report.GetVerdict(), c.mVerdict) << c.mWhat;
        EXPECT_EQ(report.GetFaultSection(), c.mSection) << c.mWhat;
        EXPECT_NE(report.GetVerdictText().find(c.mText), std::string::npos)
            << c.mWhat << ": " << report.GetVerdictText();
        EXPECT_EQ(report.IsInstallable(), UpdaterWouldInstall(image)) << c.mWhat;
    }
}

// Found by fuzzing: a "CODE" section loaded at 0xFFFFFFFF passed every checksum and was
// reported installable, but the updater's check returns that address as its failure.
TEST(COSImageReport, StartAddressOfTheFailureValueIsNotInstallable)
{
    COSImageBuilder builder(120, 1);
    builder.AddSection("CODE", 0xFFFFFFFF, Pattern(100, 4));
    std::vector<uint8_t> image = builder.Build();
    const COSImageReport report = Inspect(image);
    EXPECT_FALSE(UpdaterWouldInstall(image));
    EXPECT_EQ(report.GetVerdict(), EOSImageVerdict::kReservedStartAddress);
    EXPECT_FALSE(report.IsInstallable());
    EXPECT_EQ(report.GetFaultSection(), -1);
    EXPECT_NE(report.GetVerdictText().find("start address 0xFFFFFFFF"), std::string::npos);
    EXPECT_LT(report.GetVerdictText().size(), 159u); // not cut by the text buffer
}

TEST(COSImageReport, BadSectionsAreAllMarkedNotJustTheFirst)
{
    std::vector<uint8_t> image = GoodImage();
    image[724] ^= 1;       // BOOT
    image[6224 + 63] ^= 1; // TAB
    const COSImageReport report = Inspect(image);
    EXPECT_EQ(report.GetFaultSection(), 0);
    EXPECT_FALSE(report.GetSections()[0].mChecksumOK);
    EXPECT_TRUE(report.GetSections()[1].mChecksumOK);
    EXPECT_FALSE(report.GetSections()[2].mChecksumOK);
}
