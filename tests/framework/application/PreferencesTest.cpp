// Preference records and their file, the recently used list and open requests
// made from paths.
#include "framework/application/COpenDocumentRequest.h"
#include "framework/application/CPreferencesFile.h"
#include "framework/application/CRecentlyUsedDocList.h"
#include "framework/application/CWayfarerApplicationPreferences.h"
#include "framework/files/CDirSpec.h"
#include "framework/files/CFileSpec.h"
#include "framework/files/XBase.h"
#include "framework/media/CMemoryMedia.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using namespace NSWayfarer;
namespace fs = std::filesystem;

namespace
{

class PreferencesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/kelt-prefs-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        fRoot = pattern;
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            fOldConfig = old;
        ::setenv("XDG_CONFIG_HOME", (fRoot / "config").c_str(), 1);
        fs::create_directories(fRoot / "docs");
    }
    void TearDown() override
    {
        if (fOldConfig.empty())
            ::unsetenv("XDG_CONFIG_HOME");
        else
            ::setenv("XDG_CONFIG_HOME", fOldConfig.c_str(), 1);
        std::error_code ignored;
        fs::permissions(fRoot / "config", fs::perms::owner_all, ignored);
        fs::remove_all(fRoot, ignored);
    }

    CFileSpec Document(const std::string& name, bool create = true)
    {
        const fs::path path = fRoot / "docs" / name;
        if (create)
            std::ofstream(path) << name;
        return CFileSpec::FromPath(path.string());
    }

    static std::vector<uint8_t> Packed(const CWayfarerApplicationPreferences& preferences)
    {
        CMemoryMedia media(4096);
        preferences.Pack(&media);
        const auto* bytes = media.GetBufferPtr();
        return std::vector<uint8_t>(bytes, bytes + media.GetPos());
    }

    static std::vector<std::string> Paths(const CFileSpecList& list)
    {
        std::vector<std::string> paths;
        for (CFileSpec* spec : list)
            paths.push_back(spec->GetPath());
        return paths;
    }

    fs::path fRoot;
    std::string fOldConfig;
};

} // namespace

TEST_F(PreferencesTest, RecordsRoundTripThroughTheFile)
{
    CWayfarerApplicationPreferences empty;
    const std::vector<uint8_t> emptyBytes = Packed(empty);
    EXPECT_EQ(emptyBytes.size(), 6u);
    EXPECT_EQ(emptyBytes[5], 0);

    CPreferencesFile file("Kelt Test/App", CPreferencesFile::kApplicationPreferencesName);
    // The application's name makes one folder, never a path out of it.
    EXPECT_EQ(file.GetPath(), (fRoot / "config" / "Kelt Test_App" / "Preferences").string());
    CWayfarerApplicationPreferences loaded;
    EXPECT_FALSE(file.Load(&loaded)); // nothing saved yet

    CWayfarerApplicationPreferences saved;
    std::vector<std::string> names = {"one.txt", "two.txt", "three.txt"};
    for (const std::string& name : names)
        saved.fRecentlyUsedDocs.InsertAtTail(new CFileSpec(Document(name)));
    // A document that has gone since still reads back (its folder is there).
    saved.fRecentlyUsedDocs.InsertAtTail(new CFileSpec(Document("gone.txt", false)));
    file.Save(saved);
    ASSERT_TRUE(file.Load(&loaded));
    EXPECT_EQ(Paths(loaded.fRecentlyUsedDocs), Paths(saved.fRecentlyUsedDocs));
    // Written through a temporary file that took the name: nothing else is left.
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(file.GetPath()).parent_path()),
                            fs::directory_iterator()),
              1);

    // Same major version reads; another one is refused.
    std::vector<uint8_t> bytes = Packed(saved);
    CVersion(1, 4, 0).Pack(bytes.data());
    CMemoryMedia newer(static_cast<TMediaPos>(bytes.size()), bytes.data());
    EXPECT_EQ(CWayfarerApplicationPreferences(&newer).fRecentlyUsedDocs.CountObjects(), 4u);
    CVersion(2, 0, 0).Pack(bytes.data());
    CMemoryMedia future(static_cast<TMediaPos>(bytes.size()), bytes.data());
    EXPECT_THROW(CWayfarerApplicationPreferences{&future}, XBadFormat);

    // A folder that cannot be written: a clear failure, the old file kept.
    fs::permissions(fs::path(file.GetPath()).parent_path(),
                    fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(fs::path(file.GetPath()).parent_path().c_str(), W_OK) != 0)
    {
        EXPECT_THROW(file.Save(empty), XFile);
        ASSERT_TRUE(file.Load(&loaded));
        EXPECT_EQ(loaded.fRecentlyUsedDocs.CountObjects(), 4u);
    }
}

TEST_F(PreferencesTest, DamagedFilesAreIgnoredWithDefaults)
{
    CWayfarerApplicationPreferences saved;
    saved.fRecentlyUsedDocs.InsertAtTail(new CFileSpec(Document("a.txt")));
    saved.fRecentlyUsedDocs.InsertAtTail(new CFileSpec(Document("b.txt")));
    const std::vector<uint8_t> good = Packed(saved);
    CPreferencesFile file("Damaged", "Preferences");
    const auto write = [&](const std::vector<uint8_t>& bytes)
    {
        fs::create_directories(fs::path(file.GetPath()).parent_path());
        std::ofstream out(file.GetPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    };
    const auto loadsAsDefaults = [&]
    {
        CWayfarerApplicationPreferences loaded;
        loaded.fRecentlyUsedDocs.InsertAtTail(new CFileSpec(Document("stale.txt")));
        return !file.Load(&loaded) && loaded.fRecentlyUsedDocs.IsEmpty();
    };

    write({});
    EXPECT_TRUE(loadsAsDefaults());
    std::vector<uint8_t> truncated(good.begin(), good.end() - 3);
    write(truncated);
    EXPECT_TRUE(loadsAsDefaults());
    std::vector<uint8_t> moreThanThere = good;
    moreThanThere[5] = 200;
    write(moreThanThere);
    EXPECT_TRUE(loadsAsDefaults());
    std::vector<uint8_t> hugeLength = good;
    hugeLength[10] = 0x7F; // the first document's packed length
    write(hugeLength);
    EXPECT_TRUE(loadsAsDefaults());
    write(std::vector<uint8_t>(CPreferencesFile::kMaxFileSize + 1, 0xBC));
    EXPECT_TRUE(loadsAsDefaults());

    // Random damage anywhere: a record or defaults, never a crash or a read past the end.
    std::mt19937 random(12345);
    for (int round = 0; round < 200; ++round)
    {
        std::vector<uint8_t> bytes = good;
        const int flips = 1 + int(random() % 4);
        for (int i = 0; i < flips; ++i)
            bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
        if (random() % 3 == 0)
            bytes.resize(random() % bytes.size());
        write(bytes);
        CWayfarerApplicationPreferences loaded;
        if (file.Load(&loaded))
        {
            EXPECT_LE(loaded.fRecentlyUsedDocs.CountObjects(), 255u);
        }
    }

    // A folder in the file's place, or no place to keep files at all.
    fs::remove(file.GetPath());
    fs::create_directories(file.GetPath());
    EXPECT_TRUE(loadsAsDefaults());
    EXPECT_THROW(file.Save(saved), XFile);
    ::unsetenv("XDG_CONFIG_HOME");
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", "relative", 1);
    CPreferencesFile nowhere("Nowhere", "Preferences");
    EXPECT_EQ(nowhere.GetPath(), "");
    EXPECT_THROW(nowhere.Save(saved), XFile);
    CWayfarerApplicationPreferences loaded;
    EXPECT_FALSE(nowhere.Load(&loaded));
    ::setenv("HOME", home.c_str(), 1);
}

TEST_F(PreferencesTest, RecentlyUsedListKeepsTheNewestEightOnce)
{
    CRecentlyUsedDocList list;
    std::vector<CFileSpec> documents;
    for (int i = 0; i < 10; ++i)
        documents.push_back(Document("doc" + std::to_string(i)));
    for (int i = 0; i < 3; ++i)
        list.AddDocumentToRecentlyUsed(&documents[i]);
    list.AddDocumentToRecentlyUsed(&documents[0]);
    ASSERT_EQ(list.CountRecentlyUsedDocs(), 3);
    EXPECT_TRUE(list.GetRecentlyUsedDoc(2)->IsEqual(&documents[0]));
    EXPECT_TRUE(list.GetRecentlyUsedDoc(0)->IsEqual(&documents[1]));

    for (int i = 3; i < 10; ++i)
        list.AddDocumentToRecentlyUsed(&documents[i]);
    ASSERT_EQ(list.CountRecentlyUsedDocs(), 8);
    // The oldest made room (1, then 2; 0 was used again); the one added last is at the end.
    EXPECT_TRUE(list.GetRecentlyUsedDoc(0)->IsEqual(&documents[0]));
    EXPECT_TRUE(list.GetRecentlyUsedDoc(1)->IsEqual(&documents[3]));
    EXPECT_TRUE(list.GetRecentlyUsedDoc(7)->IsEqual(&documents[9]));
    EXPECT_EQ(list.GetRecentlyUsedDoc(8), nullptr);
    EXPECT_FALSE(list.ValidateRecentlyUsedDoc(8));
    EXPECT_TRUE(list.ValidateRecentlyUsedDoc(7));

    fs::remove(documents[5].GetPath());
    EXPECT_FALSE(list.ValidateRecentlyUsedDoc(3));
    const CWayfarerApplicationPreferences preferences = list.GetPreferences();
    EXPECT_EQ(preferences.fRecentlyUsedDocs.CountObjects(), 7u);
    EXPECT_FALSE(list.CheckRecentlyUsedDocs());

    list.DeleteAllRecentlyUsedDocuments();
    EXPECT_EQ(list.CountRecentlyUsedDocs(), 0);
    CWayfarerApplicationPreferences longer;
    for (const CFileSpec& document : documents)
        longer.fRecentlyUsedDocs.InsertAtTail(new CFileSpec(document));
    list.SetPreferences(longer);
    ASSERT_EQ(list.CountRecentlyUsedDocs(), 8);
    EXPECT_TRUE(list.GetRecentlyUsedDoc(7)->IsEqual(&documents[9]));
    EXPECT_EQ(longer.fRecentlyUsedDocs.CountObjects(), 10u);
}

TEST_F(PreferencesTest, OpenRequestsFromPaths)
{
    const CFileSpec file = Document("file.txt");
    fs::create_symlink(file.GetPath(), fRoot / "docs" / "link");
    const std::vector<std::string> paths = {file.GetPath(), (fRoot / "docs").string(),
                                            (fRoot / "docs" / "missing").string(),
                                            (fRoot / "docs" / "link").string(), ""};
    size_t skipped = 0;
    const auto requests = COpenDocumentRequest::NewFromPaths(paths, &skipped);
    EXPECT_EQ(skipped, 2u);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0]->GetType(), COpenDocumentRequest::kFile);
    EXPECT_EQ(requests[1]->GetType(), COpenDocumentRequest::kDirectory);
    EXPECT_EQ(requests[2]->GetType(), COpenDocumentRequest::kFile);
    std::unique_ptr<CFileSpec> linked(requests[2]->GetFile());
    EXPECT_TRUE(linked->IsEqual(&file));
    EXPECT_EQ(requests[1]->GetFile(), nullptr);
}
