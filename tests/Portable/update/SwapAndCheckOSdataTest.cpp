#include "Portable/update/SwapAndCheckOSdata.h"

#include "Portable/update/COSImageBuilder.h"
#include "Portable/update/OSImageTestUtil.h"
#include "Portable/update/SumBytes.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <memory>

using namespace OSImageTest;

namespace
{

std::vector<uint8_t> TwoSectionImage()
{
    COSImageBuilder builder(123, 7);
    builder.AddSection("CODE", 0x00010000, Pattern(3000, 1));
    builder.AddSection("DATA", 0x00200000, Pattern(2048, 2));
    return builder.Build();
}

struct FileCloser
{
    void operator()(FILE* f) const { std::fclose(f); }
};

} // namespace

TEST(SwapAndCheckOSdata, ValidImageYieldsCodeAddressAndHostOrderHeader)
{
    std::vector<uint8_t> image = TwoSectionImage();
    SFileDesc desc;
    EXPECT_EQ(CheckInMemory(image, desc), 0x00010000u);

    const SOSData& h = desc.mOSData;
    EXPECT_EQ(h.mVersion, 123);
    EXPECT_EQ(h.mBuild, 7);
    EXPECT_EQ(h.mSectCnt, 2);
    EXPECT_EQ(h.mSect[0].mOffs, 724u);
    EXPECT_EQ(h.mSect[0].mSize, 3000u);
    EXPECT_EQ(h.mSect[1].mOffs, 3724u);
    EXPECT_EQ(h.mSect[1].mAddr, 0x00200000u);
    // Left just after the last section it summed.
    EXPECT_EQ(desc.mFileOffs, static_cast<int32_t>(image.size()));
}

TEST(SwapAndCheckOSdata, CodeSectionRules)
{
    {
        COSImageBuilder builder(120, 0);
        std::vector<uint8_t> image = builder.Build(); // no sections at all
        EXPECT_EQ(CheckInMemory(image), kOSCheckFailed);
    }
    {
        COSImageBuilder builder(120, 0);
        builder.AddSection("DATA", 0x100, Pattern(10, 3));
        builder.AddSection("COD", 0x200, Pattern(10, 4)); // not the full name
        std::vector<uint8_t> image = builder.Build();
        EXPECT_EQ(CheckInMemory(image), kOSCheckFailed);
    }
    {
        COSImageBuilder builder(120, 0);
        builder.AddSection("CODE", 0x100, Pattern(10, 5));
        builder.AddSection("DATA", 0x200, {}); // an empty section sums to 0
        builder.AddSection("CODE", 0x300, Pattern(10, 6));
        std::vector<uint8_t> image = builder.Build();
        EXPECT_EQ(CheckInMemory(image), 0x300u) << "the last CODE section gives the address";
    }
}

TEST(SwapAndCheckOSdata, HeaderChecksumOffByOneFailsBeforeAnySectionIsRead)
{
    std::vector<uint8_t> image = TwoSectionImage();
    const uint16_t good = LoadBig16(image.data() + offsetof(SOSData, mChks));
    for (uint16_t bad : {static_cast<uint16_t>(good + 1), static_cast<uint16_t>(good - 1)})
    {
        StoreBig16(image.data() + offsetof(SOSData, mChks), bad);
        SFileDesc desc;
        EXPECT_EQ(CheckInMemory(image, desc), kOSCheckFailed);
        EXPECT_EQ(desc.mFileOffs, kOSHeaderSize) << "a section was read";
    }

    // A changed reserved byte is covered by the header checksum too.
    image = TwoSectionImage();
    image[offsetof(SOSData, mRes) + 3] ^= 0x01;
    EXPECT_EQ(CheckInMemory(image), kOSCheckFailed);
}

TEST(SwapAndCheckOSdata, SectionDataAndChecksumMismatchesFail)
{
    std::vector<uint8_t> image = TwoSectionImage();
    image[724 + 3000 + 2047] ^= 0x80; // last byte of the last section
    EXPECT_EQ(CheckInMemory(image), kOSCheckFailed);

    image = TwoSectionImage();
    SetEntry32(image, 0, offsetof(SSectData, mChks),
               GetEntry32(image, 0, offsetof(SSectData, mChks)) + 1);
    FixHeaderChecksum(image);
    EXPECT_EQ(CheckInMemory(image), kOSCheckFailed);

    // Swapping two bytes keeps the sum: an additive checksum cannot see it, and neither may we.
    image = TwoSectionImage();
    std::swap(image[800], image[801]);
    EXPECT_EQ(CheckInMemory(image), 0x00010000u);
}

TEST(SwapAndCheckOSdata, CompressedSectionIsCheckedOverItsStoredBytesOnly)
{
    std::vector<uint8_t> image = TwoSectionImage();
    // Turn section 1 into a "compressed" one: its stored 2048 bytes and their checksum move to
    // the compressed fields, while mSize and mChks describe a bigger unpacked form that is not
    // in the image at all.
    const uint32_t storedChks = GetEntry32(image, 1, offsetof(SSectData, mChks));
    SetEntry32(image, 1, offsetof(SSectData, mComprSize), 2048);
    SetEntry32(image, 1, offsetof(SSectData, mComprChks), storedChks);
    SetEntry32(image, 1, offsetof(SSectData, mSize), 0x00100000);
    SetEntry32(image, 1, offsetof(SSectData, mChks), 0x12345678);
    FixHeaderChecksum(image);
    SFileDesc desc;
    EXPECT_EQ(CheckInMemory(image, desc), 0x00010000u);
    EXPECT_EQ(desc.mFileOffs, static_cast<int32_t>(image.size()));

    SetEntry32(image, 1, offsetof(SSectData, mComprChks), storedChks ^ 1);
    FixHeaderChecksum(image);
    EXPECT_EQ(CheckInMemory(image), kOSCheckFailed);

    // Fewer stored bytes than the section really has: the sum covers only mComprSize bytes.
    image = TwoSectionImage();
    const std::vector<uint8_t> head(image.begin() + 3724, image.begin() + 3724 + 1000);
    SetEntry32(image, 1, offsetof(SSectData, mComprSize), 1000);
    SetEntry32(image, 1, offsetof(SSectData, mComprChks), ~SumBytes(head.data(), head.size()));
    FixHeaderChecksum(image);
    EXPECT_EQ(CheckInMemory(image), 0x00010000u);
}

TEST(SwapAndCheckOSdata, WholeChunkSectionsAndDataBeyondTheSections)
{
    COSImageBuilder builder(200, 0);
    builder.AddSection("CODE", 0x40, Pattern(4096, 9));
    std::vector<uint8_t> image = builder.Build();
    SFileDesc desc;
    EXPECT_EQ(CheckInMemory(image, desc), 0x40u);
    EXPECT_EQ(desc.mFileOffs, 724 + 4096);

    // Trailing bytes after the last section are not covered and do not matter.
    image.resize(image.size() + 100, 0xEE);
    EXPECT_EQ(CheckInMemory(image), 0x40u);
}

// Images are untrusted input: whatever the header claims, nothing outside the image is read.
// The vectors are sized exactly, so AddressSanitizer reports any read past them.
TEST(SwapAndCheckOSdata, HeaderClaimsBeyondTheImageFailWithoutReadingOutside)
{
    // More sections than the table holds; the checksum is made to match so only the count fails.
    std::vector<uint8_t> image = TwoSectionImage();
    for (uint8_t count : {17, 255})
    {
        image[offsetof(SOSData, mSectCnt)] = count;
        FixHeaderChecksum(image);
        EXPECT_EQ(CheckInMemory(image), kOSCheckFailed) << int{count};
    }

    // A section whose data runs one byte past the end.
    image = TwoSectionImage();
    SetEntry32(image, 1, offsetof(SSectData, mSize), 2049);
    FixHeaderChecksum(image);
    EXPECT_EQ(CheckInMemory(image), kOSCheckFailed);

    // Offsets and sizes whose 32-bit sum wraps around to a small number.
    image = TwoSectionImage();
    SetEntry32(image, 1, offsetof(SSectData, mOffs), 0xFFFFFF00u);
    SetEntry32(image, 1, offsetof(SSectData, mSize), 0x00000200u);
    FixHeaderChecksum(image);
    EXPECT_EQ(CheckInMemory(image), kOSCheckFailed);

    image = TwoSectionImage();
    SetEntry32(image, 0, offsetof(SSectData, mComprSize), 0xFFFFFFFFu);
    FixHeaderChecksum(image);
    EXPECT_EQ(CheckInMemory(image), kOSCheckFailed);

    // The image cut short inside its last section.
    image = TwoSectionImage();
    std::vector<uint8_t> shorter(image.begin(), image.end() - 1);
    EXPECT_EQ(CheckInMemory(shorter), kOSCheckFailed);

    // Shorter than the header, down to nothing; the bytes present form a valid header start.
    const std::vector<uint8_t> full = TwoSectionImage();
    for (size_t size : {size_t{723}, size_t{100}, size_t{3}, size_t{0}})
    {
        std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(size));
        cut.shrink_to_fit();
        EXPECT_EQ(CheckInMemory(cut), kOSCheckFailed) << size;
    }

    // A descriptor with no source at all, and none at all.
    SFileDesc empty{};
    EXPECT_EQ(SwapAndCheckOSdata(&empty), kOSCheckFailed);
    EXPECT_EQ(SwapAndCheckOSdata(nullptr), kOSCheckFailed);
}

TEST(SwapAndCheckOSdata, SecondCheckOfTheSameDescriptorFails)
{
    std::vector<uint8_t> image = TwoSectionImage();
    SFileDesc desc;
    ASSERT_EQ(CheckInMemory(image, desc), 0x00010000u);
    if constexpr (std::endian::native == std::endian::little)
    {
        // The header goes back to the stored order, whose numbers make no sense.
        EXPECT_EQ(SwapAndCheckOSdata(&desc), kOSCheckFailed);
        EXPECT_EQ(desc.mOSData.mVersion, swap16(123));
    }

    // Reading the header afresh makes the check pass again.
    desc.mFileOffs = 0;
    dread(&desc.mOSData, kOSHeaderSize, &desc);
    EXPECT_EQ(SwapAndCheckOSdata(&desc), 0x00010000u);
}

TEST(SwapAndCheckOSdata, ReadsFromAStream)
{
    std::vector<uint8_t> image = TwoSectionImage();
    for (size_t cut : {size_t{0}, size_t{1}})
    {
        std::unique_ptr<FILE, FileCloser> file(std::tmpfile());
        ASSERT_TRUE(file);
        ASSERT_EQ(std::fwrite(image.data(), 1, image.size() - cut, file.get()), image.size() - cut);
        std::rewind(file.get());

        SFileDesc desc{};
        desc.mFilePtr = file.get();
        ASSERT_EQ(dread(&desc.mOSData, kOSHeaderSize, &desc), kOSHeaderSize);
        EXPECT_EQ(SwapAndCheckOSdata(&desc), cut == 0 ? 0x00010000u : kOSCheckFailed) << cut;
    }
}

TEST(SFileDesc, MemoryReaderStaysInsideTheSource)
{
    std::vector<uint8_t> data = Pattern(10, 1);
    SFileDesc desc{};
    desc.mFileData = data.data();
    desc.mFileLen = 10;

    uint8_t out[8];
    std::memset(out, 0xAA, sizeof(out));
    EXPECT_EQ(dread(out, 6, &desc), 6);
    EXPECT_EQ(std::memcmp(out, data.data(), 6), 0);
    EXPECT_EQ(desc.mFileOffs, 6);

    // Four bytes are left; the rest of the request comes back as zeros.
    std::memset(out, 0xAA, sizeof(out));
    EXPECT_EQ(dread(out, 8, &desc), 4);
    EXPECT_EQ(std::memcmp(out, data.data() + 6, 4), 0);
    for (int i = 4; i < 8; ++i)
        EXPECT_EQ(out[i], 0) << i;
    EXPECT_EQ(dread(out, 8, &desc), 0);

    EXPECT_TRUE(dseek(&desc, 10));
    EXPECT_FALSE(dseek(&desc, 11));
    EXPECT_FALSE(dseek(&desc, -1));
    EXPECT_EQ(desc.mFileOffs, 10);

    // A position set from outside (negative, past the end) yields zeros, not memory.
    desc.mFileOffs = -5;
    EXPECT_EQ(dread(out, 4, &desc), 0);
    desc.mFileLen = -3;
    desc.mFileOffs = 0;
    EXPECT_EQ(dread(out, 4, &desc), 0);
    EXPECT_EQ(dlength(&desc), 0);
}
