// The application's identity, the start-up search for the resource file, code
// fragments and the assertion report.

#include "framework/application/CDLLClient.h"
#include "framework/application/CLowLevelApplication.h"
#include "framework/application/Verify.h"
#include "framework/files/CDirSpec.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/files/XBase.h"
#include "platform/files/CPosixFiles.h"
#include "platform/resources/CResourceFork.h"
#include "platform/resources/CResourceManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace NSWayfarer;
using NSPlatform::CResourceManager;

namespace
{

CFileSpec OwnFile()
{
    NSPlatform::SNativeFileSpec self;
    NSPlatform::CPosixFiles::GetExecutableSpec(&self);
    return CFileSpec(self);
}

std::vector<uint8_t> Image(bool withBundle)
{
    NSPlatform::CResourceFork fork;
    NSPlatform::SResourceEntry vers;
    vers.mType = NSPlatform::CResourceFork::PackCode("vers");
    vers.mID = 1;
    vers.mData = {0x02, 0x31, 0x40, 3,   0,   0,   12,  '2', '.', '3',
                  ' ',  'b',  'u',  'i', 'l', 'd', ' ', '4', '2', 0};
    fork.Add(vers);
    if (withBundle)
    {
        NSPlatform::SResourceEntry bundle;
        bundle.mType = NSPlatform::CResourceFork::PackCode("BNDL");
        bundle.mID = 128;
        bundle.mData = {'T', 'E', 'S', 'T', 0, 0, 0xFF, 0xFF};
        fork.Add(bundle);
    }
    std::vector<uint8_t> bytes;
    std::string why;
    fork.Serialize(&bytes, &why);
    return bytes;
}

class TempFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/kelt-app-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        fDir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(fDir); }
    std::string Put(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const std::string path = fDir + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }
    std::string fDir;
};

} // namespace

TEST(LowLevelApplication, IdentityFromTheResourceFile)
{
    for (bool withBundle : {true, false})
    {
        const std::vector<uint8_t> image = Image(withBundle);
        const int16_t ref = CResourceManager::OpenResImage(image.data(), image.size());
        ASSERT_NE(ref, CResourceManager::kNoFile);
        {
            CLowLevelApplication application("Identity", OwnFile(), ref);
            EXPECT_EQ(CLowLevelApplication::Get(), &application);
            EXPECT_EQ(application.MacGetResourceRefNum(), ref);
            EXPECT_TRUE(application.MacGetCreator().IsEqual(withBundle ? "TEST" : "????"));
            const CWayfarerFileVersion version = application.GetVersion();
            EXPECT_EQ(version.GetMajor(), 2);
            EXPECT_EQ(version.GetMinor(), 3);
            EXPECT_EQ(version.GetRevision(), 1);
            EXPECT_EQ(version.GetBuild(), 42);
            EXPECT_EQ(version.GetStage(), CWayfarerFileVersion::kAlpha);
            EXPECT_EQ(application.GetStartDirectory().GetPath(),
                      std::filesystem::path(OwnFile().GetPath()).parent_path().string());

            // The application's own file opens as its resource file, unowned.
            const CFileSpec own = OwnFile();
            COpenResourceFile again(&own);
            EXPECT_EQ(again.MacGetRefNum(), ref);
        }
        EXPECT_EQ(CLowLevelApplication::Get(), nullptr);
        // Still open: the application did not own it.
        CResourceManager::UseResFile(ref);
        EXPECT_EQ(CResourceManager::ResError(), NSPlatform::kNoErr);
        CResourceManager::CloseResFile(ref);
    }
}

TEST(LowLevelApplication, NamesUpToSixtyFiveCharacters)
{
    const std::vector<uint8_t> image = Image(false);
    const int16_t ref = CResourceManager::OpenResImage(image.data(), image.size());
    char name[CLowLevelApplication::kMaxNameLength + 1];
    {
        CLowLevelApplication fits(std::string(65, 'n').c_str(), OwnFile(), ref);
        fits.GetName(name);
        EXPECT_EQ(std::string(name), std::string(65, 'n'));
    }
    {
        CLowLevelApplication cut(std::string(80, 'm').c_str(), OwnFile(), ref);
        cut.GetName(name);
        EXPECT_EQ(std::string(name), std::string(65, 'm'));
    }
    CResourceManager::CloseResFile(ref);
}

TEST(LowLevelApplication, SystemVersions)
{
    const CVersion system = CLowLevelApplication::GetSystemVersion();
    EXPECT_GE(system.GetMajor(), 2);
    CVersion unused;
    EXPECT_FALSE(CLowLevelApplication::MacGetOpenTransportVersion(&unused));
    EXPECT_FALSE(CLowLevelApplication::MacGetAppearanceSDKVersion(&unused));
}

TEST(StartupResourceFile, CandidatesInSearchOrder)
{
    std::string error;
    const char* plain[] = {"app"};
    EXPECT_EQ(
        CLowLevelApplication::ResourceFileCandidates(1, plain, "/opt/kelt/bin/updater", &error),
        (std::vector<std::string>{"/opt/kelt/bin/updater.rsrc",
                                  "/opt/kelt/bin/../share/updater/updater.rsrc"}));
    const char* option[] = {"app", "-x", "--resources", "/some/file.rsrc"};
    EXPECT_EQ(CLowLevelApplication::ResourceFileCandidates(4, option, "/bin/app", &error),
              (std::vector<std::string>{"/some/file.rsrc"}));
    const char* joined[] = {"app", "--resources=r.rsrc"};
    EXPECT_EQ(CLowLevelApplication::ResourceFileCandidates(2, joined, "/bin/app", &error),
              (std::vector<std::string>{"r.rsrc"}));
    const char* dangling[] = {"app", "--resources"};
    EXPECT_TRUE(
        CLowLevelApplication::ResourceFileCandidates(2, dangling, "/bin/app", &error).empty());
    EXPECT_EQ(error, "--resources needs a file name");
}

TEST_F(TempFolder, StartupReportsMissingAndDamagedFilesWithTheirPath)
{
    std::ostringstream errors;
    const std::string missing = fDir + "/missing.rsrc";
    const char* argvMissing[] = {"app", "--resources", missing.c_str()};
    EXPECT_EQ(CLowLevelApplication::MacOpenStartupResourceFile(3, argvMissing, errors), -1);
    EXPECT_NE(errors.str().find(missing), std::string::npos) << errors.str();

    const std::string damaged = Put("damaged.rsrc", std::vector<uint8_t>(64, 0x41));
    const char* argvDamaged[] = {"app", "--resources", damaged.c_str()};
    errors.str("");
    EXPECT_EQ(CLowLevelApplication::MacOpenStartupResourceFile(3, argvDamaged, errors), -1);
    EXPECT_NE(errors.str().find(damaged + ": not a valid resource file"), std::string::npos)
        << errors.str();

    const std::string good = Put("good.rsrc", Image(true));
    const char* argvGood[] = {"app", "--resources", good.c_str()};
    errors.str("");
    const short ref = CLowLevelApplication::MacOpenStartupResourceFile(3, argvGood, errors);
    ASSERT_NE(ref, -1) << errors.str();
    EXPECT_EQ(CResourceManager::CurResFile(), ref);
    EXPECT_TRUE(errors.str().empty());
    CResourceManager::CloseResFile(ref);

    // Without the option, the executable's own folder is searched (and this test
    // program has no resource file beside it or under ../share).
    const char* argvNone[] = {"app"};
    errors.str("");
    EXPECT_EQ(CLowLevelApplication::MacOpenStartupResourceFile(1, argvNone, errors), -1);
    EXPECT_NE(errors.str().find("resource file not found (looked for "), std::string::npos);
    EXPECT_NE(errors.str().find("/../share/"), std::string::npos);
}

TEST_F(TempFolder, CodeFragments)
{
    Dl_info info;
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&dlopen), &info), 0);
    const CFileSpec library = CFileSpec::FromPath(info.dli_fname);
    {
        CDLLClient client(&library);
        EXPECT_NE(client.FindFunction("dlsym"), nullptr);
        EXPECT_TRUE(client.DoesFunctionExist("dlsym"));
        EXPECT_FALSE(client.DoesFunctionExist("no_such_function_here"));
        EXPECT_THROW(client.FindFunction("no_such_function_here"), XNotFound);
    }
    const CFileSpec missing = CFileSpec::FromPath(fDir + "/none.so");
    EXPECT_THROW(CDLLClient client(&missing), XFileNotFound);
    const CFileSpec text = CFileSpec::FromPath(Put("text.so", std::vector<uint8_t>(100, 'x')));
    EXPECT_THROW(CDLLClient client(&text), XBadFormat);

    Put("lib.so.rsrc", Image(false));
    const CFileSpec withVersion = CFileSpec::FromPath(fDir + "/lib.so");
    EXPECT_EQ(CDLLClient::GetDLLVersion(&withVersion).GetMajor(), 2);
    EXPECT_THROW(CDLLClient::GetDLLVersion(&missing), XFileNotFound);
}

namespace
{

std::string gReported;
short gAnswer = 1;

short Reporter(const char* text)
{
    gReported = text;
    return gAnswer;
}

} // namespace

TEST(Verify, ReportsTextAndLineAndKeepsTheCurrentFile)
{
    SetVerifyReporter(&Reporter);
    const int16_t before = CResourceManager::CurResFile();
    _Verify("count > 0", 42);
    EXPECT_EQ(gReported, "Verify failed: count > 0, line 42");
    EXPECT_EQ(CResourceManager::CurResFile(), before);
    SetVerifyReporter(nullptr);
}
