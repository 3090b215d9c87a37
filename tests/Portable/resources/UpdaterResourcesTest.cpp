// The updater's own resource file as the build makes it: identity, texts, the
// OS image and the two dialogs the windows are built from.

#include "framework/application/CLowLevelApplication.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/media/CMemoryMedia.h"
#include "framework/text/CStringManager.h"
#include "framework/text/StringResources.h"
#include "platform/files/CPosixFiles.h"
#include "platform/resources/CResourceManager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace NSWayfarer;

namespace
{

struct SItem
{
    int16_t mTop, mLeft, mBottom, mRight;
    uint8_t mType;
    std::string mText;
};

int16_t Host16(const uint8_t* p)
{
    int16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// Decodes an item list as the resource layer hands it over (host order).
std::vector<SItem> Items(const CMemoryMedia& media)
{
    const uint8_t* p = media.GetBufferPtr();
    const int count = Host16(p) + 1;
    std::vector<SItem> items;
    std::size_t at = 2;
    for (int i = 0; i < count; ++i)
    {
        SItem item{Host16(p + at + 4),  Host16(p + at + 6), Host16(p + at + 8),
                   Host16(p + at + 10), p[at + 12],         ""};
        const uint8_t length = p[at + 13];
        if (item.mType >= 4 && item.mType <= 16)
            item.mText.assign(reinterpret_cast<const char*>(p + at + 14), length);
        items.push_back(item);
        at += 14 + length + (length & 1);
    }
    EXPECT_EQ(at, std::size_t(media.GetSize()));
    return items;
}

class UpdaterResources : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string path = std::string(KELT_BINARY_DIR) + "/Portable/kelt-podium-update.rsrc";
        fRef = NSPlatform::CResourceManager::OpenResFile(path);
        ASSERT_NE(fRef, NSPlatform::CResourceManager::kNoFile)
            << path << ": " << NSPlatform::CResourceManager::GetOpenFailure();
        NSPlatform::SNativeFileSpec self;
        NSPlatform::CPosixFiles::GetExecutableSpec(&self);
        fApplication = std::make_unique<CLowLevelApplication>("Kelt Podium LX OS Update",
                                                              CFileSpec(self), fRef);
        CStringManager::gStringMgr = new CStringManager;
    }
    void TearDown() override
    {
        delete CStringManager::gStringMgr;
        CStringManager::gStringMgr = nullptr;
        fApplication.reset();
        if (fRef != NSPlatform::CResourceManager::kNoFile)
            NSPlatform::CResourceManager::CloseResFile(fRef);
    }
    COpenResourceFile& File() { return *fApplication->GetResourceFile(); }

    int16_t fRef = NSPlatform::CResourceManager::kNoFile;
    std::unique_ptr<CLowLevelApplication> fApplication;
};

} // namespace

TEST_F(UpdaterResources, VersionAndCreator)
{
    const CWayfarerFileVersion version = fApplication->GetVersion();
    EXPECT_EQ(version.GetMajor(), 1);
    EXPECT_EQ(version.GetMinor(), 0);
    EXPECT_EQ(version.GetRevision(), 0);
    EXPECT_EQ(version.GetBuild(), 1);
    EXPECT_EQ(version.GetStage(), CWayfarerFileVersion::kRelease);
    EXPECT_TRUE(fApplication->MacGetCreator().IsEqual("KPLU"));
}

TEST_F(UpdaterResources, AboutTexts)
{
    char text[256];
    GetMaxedResourceString(400128015, text, 255);
    EXPECT_STREQ(text, "About Kelt Podium LX OS Update...");
    // The About box names the version the "vers" resource carries (its short string,
    // after the numbers, stage and region): a new version must change both.
    std::unique_ptr<CMemoryMedia> vers(File().Read("vers", 1));
    ASSERT_GT(vers->GetSize(), 7);
    const uint8_t* v = vers->GetBufferPtr();
    ASSERT_LE(6 + 1 + v[6], vers->GetSize());
    const std::string shortVersion(reinterpret_cast<const char*>(v + 7), v[6]);
    EXPECT_FALSE(shortVersion.empty());
    GetAlertString(500128001, text, 255);
    const std::string script = text;
    EXPECT_EQ(script.rfind("[NOTE][Kelt Podium LX OS Update]Version " + shortVersion + ".\r", 0),
              0u)
        << script;
    EXPECT_EQ(script.substr(script.size() - 4), "[OK]");
}

TEST_F(UpdaterResources, FrameworkAlerts)
{
    // A failed check names itself in ^0 and offers to go on (the last, default button);
    // the low-memory warning needs no variable.
    char text[256];
    GetAlertString(510004001, text, 255);
    const std::string verify = text;
    EXPECT_EQ(verify.rfind("[WARN][^0]", 0), 0u) << verify;
    EXPECT_EQ(verify.substr(verify.size() - 10), "[Continue]") << verify;
    GetAlertString(510007001, text, 255);
    const std::string memory = text;
    EXPECT_EQ(memory.rfind("[WARN]", 0), 0u) << memory;
    EXPECT_EQ(memory.find('^'), std::string::npos) << memory;
}

TEST_F(UpdaterResources, OSImageAndBootBlock)
{
    ASSERT_TRUE(File().DoesExist("TQOS", 128));
    ASSERT_TRUE(File().DoesExist("BOOT", 128));
    std::unique_ptr<CMemoryMedia> image(File().Read("TQOS", 128));
    ASSERT_GT(image->GetSize(), 100 * 1024);
    image->SetPos(0);
    EXPECT_EQ(image->Read16Bit(), 120); // 1.20
    EXPECT_EQ(image->ReadByte(), 1);    // installable
    image->SetPos(4);
    EXPECT_EQ(image->Read16Bit(), 7); // build
    image->SetPos(19);
    const uint8_t sections = image->ReadByte();
    bool code = false;
    for (uint8_t s = 0; s < sections; ++s)
    {
        char name[5] = {};
        image->SetPos(20 + 44 * s);
        image->Read(4, name);
        code = code || std::string(name) == "CODE";
    }
    EXPECT_TRUE(code);
    EXPECT_GT(File().GetSize("BOOT", 128), 0);
}

TEST_F(UpdaterResources, MainWindowDialog)
{
    std::unique_ptr<CMemoryMedia> dialog(File().Read("DLOG", 128));
    const uint8_t* d = dialog->GetBufferPtr();
    const int width = Host16(d + 6) - Host16(d + 2);
    const int height = Host16(d + 4) - Host16(d);
    EXPECT_EQ(Host16(d + 18), 128);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 21), d[20]),
              "Kelt Podium LX OS Update");

    std::unique_ptr<CMemoryMedia> list(File().Read("DITL", 128));
    const std::vector<SItem> items = Items(*list);
    ASSERT_EQ(items.size(), 7u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(items[i].mType, 8) << "item " << i + 1 << " is a static text";
    EXPECT_EQ(items[4].mType, 0); // progress bar
    EXPECT_EQ(items[5].mType, 4);
    EXPECT_EQ(items[5].mText, "Update");
    EXPECT_EQ(items[6].mType, 4);
    EXPECT_EQ(items[6].mText, "Quit");
    for (const SItem& item : items)
    {
        EXPECT_GE(item.mLeft, 0);
        EXPECT_GE(item.mTop, 0);
        EXPECT_LE(item.mRight, width);
        EXPECT_LE(item.mBottom, height);
        EXPECT_GE(item.mBottom - item.mTop, 16); // room for an 11-12 point line
    }
    // The welcome text fits on its line at about 6 pixels a character.
    EXPECT_GE(items[0].mRight - items[0].mLeft, int(items[0].mText.size()) * 6);
}

TEST_F(UpdaterResources, AlertDialog)
{
    std::unique_ptr<CMemoryMedia> dialog(File().Read("DLOG", 10005));
    EXPECT_EQ(Host16(dialog->GetBufferPtr() + 18), 10005);
    std::unique_ptr<CMemoryMedia> list(File().Read("DITL", 10005));
    const std::vector<SItem> items = Items(*list);
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].mType, 4);
    EXPECT_EQ(items[1].mType, 4);
    EXPECT_EQ(items[2].mType, 4);
    EXPECT_EQ(items[3].mType, 8);
    EXPECT_EQ(items[4].mType, 32);
    EXPECT_EQ(items[5].mType, 8);
    // Item 1, the default button, is the rightmost.
    EXPECT_GT(items[0].mLeft, items[1].mLeft);
    EXPECT_GT(items[1].mLeft, items[2].mLeft);

    // Room for the toolkit's controls: buttons at the theme's sizes, a 48-pixel
    // icon, several lines of message; everything inside the client area and
    // nothing overlapping.
    const uint8_t* d = dialog->GetBufferPtr();
    const int width = Host16(d + 6) - Host16(d + 2);
    const int height = Host16(d + 4) - Host16(d);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_GE(items[i].mBottom - items[i].mTop, 28) << "button " << i + 1;
        EXPECT_GE(items[i].mRight - items[i].mLeft, 80) << "button " << i + 1;
    }
    EXPECT_EQ(items[4].mBottom - items[4].mTop, 48);
    EXPECT_EQ(items[4].mRight - items[4].mLeft, 48);
    EXPECT_GE(items[3].mBottom - items[3].mTop, 2 * 17); // two lines above a second message
    EXPECT_GE(items[5].mBottom - items[3].mTop, 5 * 17); // five lines for a message alone
    EXPECT_GE(items[3].mRight - items[3].mLeft, 300);
    for (std::size_t i = 0; i < items.size(); ++i)
    {
        EXPECT_GE(items[i].mLeft, 0);
        EXPECT_GE(items[i].mTop, 0);
        EXPECT_LE(items[i].mRight, width);
        EXPECT_LE(items[i].mBottom, height);
        for (std::size_t j = i + 1; j < items.size(); ++j)
        {
            const bool apart =
                items[i].mRight <= items[j].mLeft || items[j].mRight <= items[i].mLeft ||
                items[i].mBottom <= items[j].mTop || items[j].mBottom <= items[i].mTop;
            EXPECT_TRUE(apart) << "items " << i + 1 << " and " << j + 1 << " overlap";
        }
    }
}
