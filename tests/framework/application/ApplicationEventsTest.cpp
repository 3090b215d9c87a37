// High-level events, open requests, floaters and the in-process clipboard of the
// application object, without a display.
#include "framework/application/CApplication.h"
#include "framework/application/CApplicationToolbar.h"
#include "framework/application/CApplicationWindowSystem.h"
#include "framework/application/CKeySpec.h"
#include "framework/files/CClipping.h"
#include "framework/files/CDirSpec.h"
#include "framework/files/CFileSpec.h"
#include "framework/files/XBase.h"
#include "platform/display/SEventRecord.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace NSWayfarer;
namespace fs = std::filesystem;

namespace
{

class CRequestApp : public CApplication
{
public:
    explicit CRequestApp(const CApplicationStartupInfo* info) : CApplication(info) {}
    void OpenDragNDropFile(const CFileSpec* file, const CUnknownFileType*,
                           const CFileCreator*) override
    {
        fOpened.push_back("file:" + fs::path(file->GetPath()).filename().string());
        if (fThrowOnFile)
            throw XFile();
    }
    void OpenDragNDropDirectory(const CDirSpec*) override { fOpened.push_back("dir"); }
    void OpenDefaultDocument() override { fOpened.push_back("default"); }
    void HandleKeyDownUp(const CKeySpec* key) override { fKeys.push_back(*key); }
    void Idle() override
    {
        CApplication::Idle();
        if (fQuitAfterIdle)
            RequestQuit();
    }

    std::vector<std::string> fOpened;
    std::vector<CKeySpec> fKeys;
    bool fThrowOnFile = false;
    bool fQuitAfterIdle = false;
};

NSPlatform::SEventRecord AppleEvent(uint32_t id, std::vector<std::string> files = {})
{
    NSPlatform::SEventRecord event;
    event.mWhat = NSPlatform::kHighLevelEvent;
    event.mMessage = NSPlatform::kCoreEventClass;
    event.mHighLevelID = id;
    event.mFiles = std::move(files);
    return event;
}

class ApplicationEvents : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::snprintf(fInfo.fApplicationName, sizeof fInfo.fApplicationName, "Events Test");
        fApp = std::make_unique<CRequestApp>(&fInfo);
        fApp->Initialize();
        fDir = fs::temp_directory_path() / ("kelt-events-" + std::to_string(::getpid()));
        fs::create_directories(fDir / "folder");
        std::ofstream(fDir / "a.txt") << "a";
        std::ofstream(fDir / "b.txt") << "b";
    }
    void TearDown() override
    {
        fApp.reset();
        fs::remove_all(fDir);
    }

    CApplicationStartupInfo fInfo;
    std::unique_ptr<CRequestApp> fApp;
    fs::path fDir;
};

TEST_F(ApplicationEvents, CoreEventsAreAnsweredAndPrintIsNotHandled)
{
    EXPECT_EQ(fApp->MacHandleAppleEvent(AppleEvent(NSPlatform::kAEPrintDocuments)), -1708);
    EXPECT_EQ(fApp->MacHandleAppleEvent(AppleEvent(NSPlatform::FourChar("zzzz"))), -1708);
    EXPECT_EQ(fApp->MacHandleAppleEvent(AppleEvent(NSPlatform::kAEQuitApplication)), 0);
    EXPECT_EQ(fApp->GetRunState(), CApplication::kRequestingQuit);
}

TEST_F(ApplicationEvents, OpenDocumentsQueuesInOrderAndStopsAtAnUnreadableItem)
{
    fApp->MacHandleNativeEvent(AppleEvent(NSPlatform::kAEOpenApplication));
    const std::string missing = (fDir / "no-such-folder" / "x.txt").string();
    EXPECT_EQ(
        fApp->MacHandleAppleEvent(AppleEvent(NSPlatform::kAEOpenDocuments,
                                             {(fDir / "a.txt").string(), (fDir / "folder").string(),
                                              missing, (fDir / "b.txt").string()})),
        0);
    EXPECT_EQ(fApp->CountOpenDocumentRequests(), 3u);

    // Handled only by the running loop's idle pass, in arrival order.
    fApp->Idle();
    EXPECT_TRUE(fApp->fOpened.empty());
    fApp->fQuitAfterIdle = true;
    fApp->Run();
    EXPECT_EQ(fApp->fOpened, (std::vector<std::string>{"default", "file:a.txt", "dir"}));
    EXPECT_EQ(fApp->CountOpenDocumentRequests(), 0u);
}

TEST_F(ApplicationEvents, FailingOpenDropsThatRequestAndLeavesTheRestForTheNextPass)
{
    const CFileSpec a = CFileSpec::FromPath((fDir / "a.txt").string());
    const CFileSpec b = CFileSpec::FromPath((fDir / "b.txt").string());
    fApp->AddOpenDocumentRequestFile(&a);
    fApp->AddOpenDocumentRequestNone();
    fApp->fThrowOnFile = true;
    fApp->PollForDragNDropDocuments();
    EXPECT_EQ(fApp->fOpened, (std::vector<std::string>{"file:a.txt"}));
    EXPECT_EQ(fApp->CountOpenDocumentRequests(), 1u);
    fApp->PollForDragNDropDocuments();
    EXPECT_EQ(fApp->fOpened.back(), "default");
}

TEST_F(ApplicationEvents, KeysNobodyTookReachTheApplication)
{
    NSPlatform::SEventRecord key;
    key.mWhat = NSPlatform::kKeyDown;
    key.mMessage = (38 << 8) | 'a';
    key.mModifiers = 0x0100;
    fApp->MacHandleNativeEvent(key);
    ASSERT_EQ(fApp->fKeys.size(), 1u);
    EXPECT_EQ(fApp->fKeys[0].fVirtualKey, CKeySpec::kA);
    EXPECT_TRUE(fApp->fKeys[0].fModifiers.IsMenuShortcutKeyDown());

    struct CTaker : CApplicationWindowSystem
    {
        bool HandleNativeEvent(const NSPlatform::SEventRecord&) override { return true; }
    } taker;
    CApplication::RegisterWindowSystem(&taker);
    fApp->MacHandleNativeEvent(key);
    CApplication::UnregisterWindowSystem(&taker);
    EXPECT_EQ(fApp->fKeys.size(), 1u);
}

TEST_F(ApplicationEvents, FloatersHideByCountAndSuspendResumeFollowTheFocus)
{
    auto* toolbar = new CApplicationToolbar(30);
    fApp->SetToolbar(toolbar);
    EXPECT_TRUE(toolbar->IsVisible());
    fApp->HideFloaters();
    fApp->HideFloaters();
    fApp->ShowFloaters();
    EXPECT_FALSE(toolbar->IsVisible());
    fApp->ShowFloaters();
    EXPECT_TRUE(toolbar->IsVisible());
    fApp->ShowFloaters();
    EXPECT_EQ(fApp->GetHideFloatersCount(), 0);
    EXPECT_TRUE(toolbar->IsVisible());

    NSPlatform::SEventRecord suspend;
    suspend.mWhat = NSPlatform::kOSEvent;
    suspend.mMessage = NSPlatform::kSuspendResumeMessage << 24;
    fApp->MacHandleNativeEvent(suspend);
    EXPECT_FALSE(fApp->IsActive());
    EXPECT_FALSE(toolbar->IsVisible());
    suspend.mMessage |= NSPlatform::kResumeFlag;
    fApp->MacHandleNativeEvent(suspend);
    EXPECT_TRUE(fApp->IsActive());
    EXPECT_TRUE(toolbar->IsVisible());
}

TEST_F(ApplicationEvents, ClipboardKeepsKindsAndRefusesBadInput)
{
    EXPECT_FALSE(fApp->DoesClippingExist("PICT"));
    const unsigned char bytes[] = {1, 2, 0, 3};
    fApp->AddClipping("PICT", 4, bytes);
    ASSERT_TRUE(fApp->DoesClippingExist("PICT"));
    std::unique_ptr<CClipping> clip(fApp->GetClipping("PICT"));
    ASSERT_EQ(clip->GetSize(), 4);
    EXPECT_EQ(std::memcmp(clip->GetData(), bytes, 4), 0);
    EXPECT_THROW(fApp->GetClipping("snd "), XNotFound);
    EXPECT_THROW(fApp->AddClipping("PICT", -1, bytes), XInternalError);
    EXPECT_THROW(fApp->AddClipping("PICT", 3, nullptr), XInternalError);
}

} // namespace

#include "framework/application/CMacHelp.h"

namespace
{

TEST(MacHelpTest, BookIsFoundOnlyWhereItIsInstalledAndPagesStayInside)
{
    const fs::path folder = CMacHelp::GetHelpBookFolder();
    // share/<program name>/help beside the program's folder.
    EXPECT_EQ(folder.filename(), "help");
    EXPECT_EQ(folder.parent_path().filename(), "framework_application_tests");
    EXPECT_EQ(folder.parent_path().parent_path().filename(), "share");
    fs::remove_all(folder.parent_path());
    EXPECT_FALSE(CMacHelp::RegisterHelpBook());
    EXPECT_THROW(CMacHelp::OpenPage("index.html"), XFileNotFound);
    EXPECT_THROW(CMacHelp::OpenAnchor("start"), XFileNotFound);

    fs::create_directories(folder);
    std::ofstream(folder / "index.html") << "<html></html>";
    EXPECT_TRUE(CMacHelp::RegisterHelpBook());
    std::ofstream(folder.parent_path() / "secret.html") << "outside";
    EXPECT_THROW(CMacHelp::OpenPage("../secret.html"), XFileNotFound);
    EXPECT_THROW(CMacHelp::OpenPage("missing.html"), XFileNotFound);
    fs::remove_all(folder.parent_path());
}

} // namespace
