// Clipboard records and volume information.

#include "framework/files/CClipping.h"
#include "framework/files/CDirSpec.h"
#include "framework/files/CDynamicClipping.h"
#include "framework/files/CVolumeInfo.h"
#include "framework/files/XBase.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <memory>

using namespace NSWayfarer;

TEST(Clippings, CopiesOwnTheirBytes)
{
    const unsigned char bytes[] = {1, 2, 3};
    CClipping original("TEXT", 3, bytes);
    CClipping copy(original);
    EXPECT_NE(copy.GetData(), original.GetData());
    EXPECT_EQ(0, std::memcmp(copy.GetData(), bytes, 3));
    CClipping assigned("PICT", 0, nullptr);
    assigned = original;
    assigned = assigned;
    EXPECT_EQ(assigned.GetSize(), 3);
    char kind[CClipping::kMaxKindLength + 1];
    assigned.GetKind(kind);
    EXPECT_STREQ(kind, "TEXT");
    CClipping longKind("ABCDEFGHIJ", 0, nullptr);
    longKind.GetKind(kind);
    EXPECT_STREQ(kind, "ABCDEFG");
}

TEST(Clippings, NoBytesMeansSizeZero)
{
    // A size without bytes (or a negative size) must not promise data that is not there.
    const CClipping missing("TEXT", 5, nullptr);
    EXPECT_EQ(missing.GetData(), nullptr);
    EXPECT_EQ(missing.GetSize(), 0);
    const unsigned char bytes[] = {7};
    const CClipping negative("TEXT", -4, bytes);
    EXPECT_EQ(negative.GetData(), nullptr);
    EXPECT_EQ(negative.GetSize(), 0);
    const CClipping copy(missing);
    EXPECT_EQ(copy.GetSize(), 0);
    CClipping assigned("TEXT", 1, bytes);
    assigned = missing;
    EXPECT_EQ(assigned.GetData(), nullptr);
    EXPECT_EQ(assigned.GetSize(), 0);
    CDynamicClipping dynamic("TEXT", 5, nullptr);
    long size = -1;
    unsigned char* data = nullptr;
    dynamic.Get("TEXT", &size, &data);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(data, nullptr);
}

namespace
{

// Offers its text upper-cased as "UPPR".
class CUpperClipping : public CDynamicClipping
{
public:
    using CDynamicClipping::CDynamicClipping;
    bool CanConvertToType(const char* kind) const override
    {
        return std::strcmp(kind, "UPPR") == 0;
    }
    void Convert(const char* kind, long* size, unsigned char** data) override
    {
        if (!CanConvertToType(kind))
            return;
        *size = fSize;
        *data = new unsigned char[std::size_t(fSize)];
        for (long i = 0; i < fSize; ++i)
            (*data)[i] = static_cast<unsigned char>(std::toupper(fData[i]));
    }
};

} // namespace

TEST(Clippings, DynamicKindsConvert)
{
    const unsigned char text[] = {'a', 'b'};
    CUpperClipping clipping("TEXT", 2, text);
    EXPECT_TRUE(clipping.CanType("TEXT"));
    EXPECT_TRUE(clipping.CanType("UPPR"));
    EXPECT_FALSE(clipping.CanType("PICT"));
    long size = 0;
    unsigned char* data = nullptr;
    clipping.Get("TEXT", &size, &data);
    std::unique_ptr<unsigned char[]> own(data);
    ASSERT_EQ(size, 2);
    EXPECT_EQ(data[0], 'a');
    clipping.Get("UPPR", &size, &data);
    std::unique_ptr<unsigned char[]> upper(data);
    EXPECT_EQ(data[1], 'B');
}

TEST(Volumes, EnumerationEndsAndTheRootComesFirst)
{
    CVolumeInfo* info = nullptr;
    ASSERT_TRUE(CVolumeInfo::CreateEnumVolumeInfo(0, &info));
    std::unique_ptr<CVolumeInfo> root(info);
    EXPECT_STREQ(root->mName, "/");
    EXPECT_TRUE(root->mValid);
    EXPECT_GT(root->mAllocationBlocks, 0u);
    EXPECT_FALSE(CVolumeInfo::CreateEnumVolumeInfo(60000, &info));
    EXPECT_EQ(info, nullptr);
    CVolumeInfo::EVolumeType type = CVolumeInfo::kUnknownVolume;
    EXPECT_TRUE(CVolumeInfo::GetVolumeType(0, &type));
    EXPECT_EQ(type, 13);
    EXPECT_FALSE(CVolumeInfo::GetVolumeType(60000, &type));
    std::unique_ptr<CVolumeInfo> boot(CVolumeInfo::CreateBootVolumeInfo());
    EXPECT_NE(boot, nullptr);
    std::unique_ptr<CDirSpec> first(CDirSpec::NewFromVolumeIndex(0));
    EXPECT_EQ(first->GetPath(), "/");
    EXPECT_THROW(delete CDirSpec::NewFromVolumeIndex(60000), XFile);
}
