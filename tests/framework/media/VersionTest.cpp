#include "framework/files/XBase.h"
#include "framework/media/CFileVersion.h"
#include "framework/media/CMemoryMedia.h"
#include "framework/media/CVersion.h"
#include "framework/media/CWayfarerFileVersion.h"

#include <gtest/gtest.h>

#include <string>

using namespace NSWayfarer;

namespace
{

std::string Text(const CVersion& v, CVersion::EStringFormat format)
{
    char out[64] = "unchanged";
    v.GetString(out, format);
    return out;
}

template <class V> std::string Text(const V& v)
{
    char out[64] = "";
    v.GetString(out);
    return out;
}

} // namespace

TEST(CVersion, BuildsFromPackedPlatformForms)
{
    const CVersion a(uint16_t(0x0123));
    EXPECT_EQ(a.GetLongVersion(), 0x010203u);
    const CVersion b(uint16_t(0x1234));
    EXPECT_EQ(b.GetLongVersion(), 0x020304u);
    const CVersion c(SNumVersion{0x10528000});
    EXPECT_EQ(c.GetMajor(), 0x10);
    EXPECT_EQ(c.GetMinor(), 5);
    EXPECT_EQ(c.GetRevision(), 2);
    EXPECT_EQ(c.GetStage(), CVersion::kRelease);
    EXPECT_EQ(c.GetMajorMinorInHiLoByte(), 0x1005);
}

TEST(CVersion, FormatsEveryStringFormat)
{
    const CVersion release(1, 2, 0);
    EXPECT_EQ(Text(release, CVersion::kDefault), "1.2");
    EXPECT_EQ(Text(CVersion(1, 2, 3), CVersion::kDefault), "1.2.3");
    EXPECT_EQ(Text(CVersion(1, 2, 3, 4, CVersion::kBeta), CVersion::kDefault), "1.2.3b4");
    EXPECT_EQ(Text(CVersion(1, 0, 0, 2, CVersion::kAlpha), CVersion::kDefault), "1.0a2");
    EXPECT_EQ(Text(CVersion(2, 0, 0, 7, CVersion::kDevelopment), CVersion::kDefault), "2.0Dev7");
    EXPECT_EQ(Text(CVersion(1, 5, 9), CVersion::kMajorDotZeroPadMinor), "1.5");
    EXPECT_EQ(Text(CVersion(1, 5, 9), CVersion::kMajorDotMinor), "1.5");
    EXPECT_EQ(Text(release, CVersion::kMajorDotMinorDotRevision), "1.2.0");
    EXPECT_EQ(Text(CVersion(1, 5, 9), CVersion::kMajorDotZeroPadMinorDotZeroPadRevision), "1.5.9");
    EXPECT_EQ(Text(release, CVersion::EStringFormat(99)), "unchanged");
}

TEST(CVersion, PackedFormRoundTripsAndRejectsAWrongTag)
{
    uint8_t bytes[5] = {};
    const CVersion v(3, 4, 5, 6, CVersion::kBeta);
    v.Pack(bytes);
    const uint8_t expected[5] = {0xBC, 3, 4, 5, 0};
    EXPECT_EQ(std::string(bytes, bytes + 5), std::string(expected, expected + 5));

    CVersion back(1, 1, 1, 2, CVersion::kAlpha);
    ASSERT_TRUE(back.Unpack(bytes));
    EXPECT_TRUE(back.IsEqual(v));
    EXPECT_EQ(back.GetStage(), CVersion::kAlpha); // stage is not stored

    bytes[0] = 0xBD;
    CVersion unchanged(9, 9, 9);
    EXPECT_FALSE(unchanged.Unpack(bytes));
    EXPECT_EQ(unchanged.GetLongVersion(), 0x090909u);

    CMemoryMedia media(10);
    v.Write(&media);
    media.SetPos(0);
    EXPECT_TRUE(CVersion(&media).IsEqual(v));
    media.SetPos(1);
    EXPECT_THROW(CVersion{&media}, XBadFormat);
    media.SetPos(7);
    EXPECT_THROW(CVersion{&media}, XRead);

    uint8_t two[2];
    v.Pack2ByteMajorMinor(two);
    CVersion fromTwo(7, 7, 7, 1, CVersion::kBeta);
    fromTwo.Unpack2ByteMajorMinor(two);
    EXPECT_EQ(fromTwo.GetLongVersion(), 0x030400u);
    EXPECT_EQ(fromTwo.GetStage(), CVersion::kRelease);
}

TEST(CVersion, ComparisonsUseTheLongVersion)
{
    const CVersion v120(1, 2, 0);
    EXPECT_TRUE(v120.IsNewEnough(CVersion(1, 2, 0)));
    EXPECT_FALSE(v120.IsNewEnough(CVersion(1, 2, 1)));
    EXPECT_TRUE(v120.IsSupported(CVersion(1, 3)));
    EXPECT_FALSE(v120.IsSupported(CVersion(1, 1, 9)));
    EXPECT_TRUE(v120.IsEqual(CVersion(1, 2, 0, 5, CVersion::kBeta)));
    EXPECT_TRUE(v120.IsCompatible(CVersion(1, 9)));
    EXPECT_FALSE(v120.IsCompatible(CVersion(2, 0)));

    const CVersion oldest(1, 0), newest(2, 9);
    EXPECT_TRUE(CVersion(2, 0, 5).IsCompatible(oldest, newest));
    EXPECT_FALSE(CVersion(3, 0).IsCompatible(oldest, newest));
    EXPECT_FALSE(CVersion(0, 9).IsCompatible(oldest, newest));
}

TEST(CFileVersion, FormatsAndNeedsAStrictlyNewerVersion)
{
    EXPECT_EQ(Text(CFileVersion(1, 2, 0)), "1.2");
    EXPECT_EQ(Text(CFileVersion(1, 2, 3, 4, CFileVersion::kBeta)), "1.2.3b4");
    EXPECT_EQ(Text(CFileVersion(2, 0, 0, 7, CFileVersion::kDevelopment)), "2.0Dev7");
    EXPECT_EQ(Text(CFileVersion(1000, 2, 300)), "1000.2.300");

    const CFileVersion v120(1, 2, 0);
    EXPECT_FALSE(v120.IsNewEnough(CFileVersion(1, 2, 0)));
    EXPECT_TRUE(CFileVersion(1, 2, 1).IsNewEnough(v120));
    EXPECT_TRUE(CFileVersion(2, 0, 0).IsNewEnough(CFileVersion(1, 900, 900)));
    EXPECT_FALSE(CFileVersion(1, 1, 900).IsNewEnough(v120));
    EXPECT_TRUE(CFileVersion(1, 5).IsCompatible(CFileVersion(1, 0), CFileVersion(1, 9)));
    EXPECT_FALSE(CFileVersion(1, 0).IsCompatible(CFileVersion(1, 0), CFileVersion(1, 9)));
    EXPECT_FALSE(CFileVersion(2, 5).IsCompatible(CFileVersion(1, 0), CFileVersion(1, 9)));
}

TEST(CWayfarerFileVersion, AlwaysShowsTheBuildButIgnoresItInComparisons)
{
    EXPECT_EQ(Text(CWayfarerFileVersion(1, 2, 0)), "1.2 build 0");
    EXPECT_EQ(Text(CWayfarerFileVersion(1, 2, 3, 117, 4, CWayfarerFileVersion::kBeta)),
              "1.2.3b4 build 117");
    EXPECT_EQ(Text(CWayfarerFileVersion(65535, 65535, 65535, 65535, 65535,
                                        CWayfarerFileVersion::kDevelopment)),
              "65535.65535.65535Dev65535 build 65535");

    const CWayfarerFileVersion fromFile(CFileVersion(3, 1, 4, 1, CFileVersion::kAlpha));
    EXPECT_EQ(Text(fromFile), "3.1.4 build 0");

    const CWayfarerFileVersion a(1, 2, 0, 5, 0, CWayfarerFileVersion::kRelease);
    const CWayfarerFileVersion b(1, 2, 0, 900, 0, CWayfarerFileVersion::kRelease);
    EXPECT_FALSE(b.IsNewEnough(a));
    EXPECT_TRUE(CWayfarerFileVersion(1, 2, 1).IsNewEnough(a));
    CWayfarerFileVersion copy;
    copy = b;
    EXPECT_EQ(copy.GetBuild(), 900);
}
