// Text resources: the brace format's parsing rules, and the string manager
// loading each resource once from the application's resource file.

#include "framework/application/CLowLevelApplication.h"
#include "framework/files/XBase.h"
#include "framework/text/CStringManager.h"
#include "framework/text/CStringResource.h"
#include "framework/text/StringResources.h"
#include "platform/files/CPosixFiles.h"
#include "platform/resources/CResourceFork.h"
#include "platform/resources/CResourceManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace NSWayfarer;

namespace
{

std::string Text(const CStringResource& resource, unsigned short index, long max = 3000)
{
    std::string buffer(std::size_t(max) + 1, '#');
    resource.GetString(index, buffer.data(), max);
    return buffer.c_str();
}

CStringResource Parse(const std::string& bytes)
{
    return CStringResource("SSTR", 128, reinterpret_cast<const unsigned char*>(bytes.data()),
                           long(bytes.size()));
}

} // namespace

TEST(StringResourceParsing, TheDocumentedExample)
{
    const CStringResource r =
        Parse("1{Cancel} 2{Line one\\rLine two} {{ a comment } 15{About this program...}");
    EXPECT_EQ(Text(r, 1), "Cancel");
    EXPECT_EQ(Text(r, 2), "Line one\rLine two");
    EXPECT_EQ(Text(r, 15), "About this program...");
    EXPECT_EQ(Text(r, 0), "");
    EXPECT_EQ(Text(r, 3), "");
    EXPECT_EQ(Text(r, 999), "");
    EXPECT_EQ(Text(r, 1000), "");
}

TEST(StringResourceParsing, LineBreaksEscapesAndFirstCharacter)
{
    const CStringResource r = Parse("1{a\r\nb\tc} 2{x\\qy\\\\z} 3{\ttab first} 4{}after} 5{end\\");
    EXPECT_EQ(Text(r, 1), "abc");
    EXPECT_EQ(Text(r, 2), "xyz");         // a backslash drops itself and the next character
    EXPECT_EQ(Text(r, 3), "\ttab first"); // the first character is kept as it is
    EXPECT_EQ(Text(r, 4), "}after");
    EXPECT_EQ(Text(r, 5), ""); // never closed
}

TEST(StringResourceParsing, IndicesCommentsAndDuplicates)
{
    const CStringResource r = Parse("{skipped before any index} 7{first} 7{second} x{again} "
                                    "12345678901{eleven digits} 1000{too big} 0{zero} "
                                    "8 junk {keeps eight} 9{{ comment } 9{nine}");
    EXPECT_EQ(Text(r, 7), "first");
    EXPECT_EQ(Text(r, 0), "zero");
    EXPECT_EQ(Text(r, 8), "keeps eight"); // the index stays until the next one starts
    EXPECT_EQ(Text(r, 9), "nine");
    EXPECT_EQ(Text(r, 901), "");
}

TEST(StringResourceParsing, LimitsOnLengths)
{
    const std::string seventy(70, 'x');
    const CStringResource r = Parse("1{" + seventy + "}");
    EXPECT_EQ(Text(r, 1, 64), std::string(64, 'x'));
    EXPECT_EQ(Text(r, 1, 0), "");

    // A text over 3000 characters keeps its first 3000; the rest up to its
    // closing brace is not read as more strings.
    const std::string longText = std::string(3000, 'a') + "2{not a string}" + std::string(10, 'b');
    const CStringResource big = Parse("1{" + longText + "} 3{three}");
    EXPECT_EQ(Text(big, 1, 5000), std::string(3000, 'a'));
    EXPECT_EQ(Text(big, 2), "");
    EXPECT_EQ(Text(big, 3), "three");
}

TEST(StringResourceIDs, SplitIntoCategoryResourceAndIndex)
{
    unsigned char category;
    unsigned short id, index;
    SplitID(400128015, &category, &id, &index);
    EXPECT_EQ(category, 4);
    EXPECT_EQ(id, 128);
    EXPECT_EQ(index, 15);
    SplitID(500128001, &category, &id, &index);
    EXPECT_EQ(category, 5);
    EXPECT_EQ(index, 1);
}

namespace
{

class StringManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        NSPlatform::CResourceFork fork;
        auto add = [&](const char* type, int16_t id, const std::string& text)
        {
            NSPlatform::SResourceEntry entry;
            entry.mType = NSPlatform::CResourceFork::PackCode(type);
            entry.mID = id;
            entry.mData.assign(text.begin(), text.end());
            fork.Add(entry);
        };
        add("SSTR", 128, "15{About item}");
        add("SMNU", 128, "15{Menu fifteen}");
        add("SALR", 128, "1{[NOTE]Hello[OK]}");
        std::string why;
        ASSERT_EQ(fork.Serialize(&fImage, &why), NSPlatform::kNoErr);
        fRef = NSPlatform::CResourceManager::OpenResImage(fImage.data(), fImage.size());
        ASSERT_NE(fRef, NSPlatform::CResourceManager::kNoFile);
        NSPlatform::SNativeFileSpec self;
        NSPlatform::CPosixFiles::GetExecutableSpec(&self);
        fApplication = std::make_unique<CLowLevelApplication>("Strings", CFileSpec(self), fRef);
        CStringManager::gStringMgr = new CStringManager;
    }
    void TearDown() override
    {
        delete CStringManager::gStringMgr;
        CStringManager::gStringMgr = nullptr;
        fApplication.reset();
        NSPlatform::CResourceManager::CloseResFile(fRef);
    }

    std::vector<uint8_t> fImage;
    int16_t fRef = -1;
    std::unique_ptr<CLowLevelApplication> fApplication;
};

} // namespace

TEST_F(StringManagerTest, AccessorsChooseTheTypeAndLoadOnce)
{
    char text[65];
    GetMaxedResourceString(400128015, text, 64);
    EXPECT_STREQ(text, "About item");
    GetMenuScriptString(400128015, text, 64);
    EXPECT_STREQ(text, "Menu fifteen");
    GetAlertString(500128001, text, 64);
    EXPECT_STREQ(text, "[NOTE]Hello[OK]");
    EXPECT_EQ(CStringManager::gStringMgr->CountLoaded(), 3u);
    GetMaxedResourceString(400128014, text, 64);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(CStringManager::gStringMgr->CountLoaded(), 3u);
    EXPECT_NE(CStringManager::gStringMgr->FindStringResource("sstr", 128), nullptr);

    EXPECT_THROW(GetMaxedResourceString(400129001, text, 64), XNotFound);
    EXPECT_EQ(CStringManager::gStringMgr->CountLoaded(), 3u);
    EXPECT_TRUE(CStringManager::DoesExist("SALR", 128));
    EXPECT_FALSE(CStringManager::DoesExist("SALR", 129));

    CStringManager::gStringMgr->Flush();
    EXPECT_EQ(CStringManager::gStringMgr->CountLoaded(), 0u);
    GetMaxedResourceString(400128015, text, 5);
    EXPECT_STREQ(text, "About");
}
