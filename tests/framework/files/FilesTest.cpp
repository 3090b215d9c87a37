// Files and folders against a temporary folder: creating, writing, reading to
// the end, deleting, types and creators, packed specifications, folder walks.

#include "framework/files/CDirScanner.h"
#include "framework/files/CDirSpec.h"
#include "framework/files/CFileCreator.h"
#include "framework/files/CFileInfo.h"
#include "framework/files/CFileSpec.h"
#include "framework/files/CFileSpecList.h"
#include "framework/files/CFileType.h"
#include "framework/files/COpenFile.h"
#include "framework/files/CUserFileTypeList.h"
#include "framework/files/FileDates.h"
#include "framework/files/FourCharCode.h"
#include "framework/files/XBase.h"
#include "framework/media/CMemoryMedia.h"
#include "platform/files/CPosixFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

using namespace NSWayfarer;
namespace fs = std::filesystem;

namespace
{

class FilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/kelt-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        fDir = pattern;
    }
    void TearDown() override;

    CFileSpec Spec(const std::string& name) const { return CFileSpec::FromPath(fDir + "/" + name); }
    void WriteRaw(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(fDir + "/" + name, std::ios::binary) << bytes;
    }
    bool HasUserAttributes() const
    {
        const std::string probe = fDir + "/.probe";
        WriteRaw(".probe", "");
        const bool ok = setxattr(probe.c_str(), "user.probe", "x", 1, 0) == 0;
        fs::remove(probe);
        return ok;
    }

    std::string fDir;
};

} // namespace

TEST_F(FilesTest, WritesAndReadsBackExactlyToTheEnd)
{
    const CFileSpec spec = Spec("data.bin");
    const unsigned char bytes[] = {1, 2, 3, 4, 5};
    COpenFile::SaveFile(&spec, nullptr, &CFileType::kUndefinedBinaryType, bytes, sizeof(bytes));
    EXPECT_TRUE(spec.DoesFileExist());
    EXPECT_EQ(COpenFile::GetFileSize(&spec), 5);

    COpenFile file(&spec);
    unsigned char back[5] = {};
    file.Read(5, back);
    EXPECT_EQ(0, std::memcmp(back, bytes, 5));
    EXPECT_EQ(file.GetPos(), 5);
    unsigned char extra = 0;
    EXPECT_THROW(file.Read(1, &extra), XRead);

    file.SetPos(1);
    EXPECT_EQ(file.ReadByte(), 2);
    EXPECT_THROW(file.SetPos(6), XPosition);
    EXPECT_THROW(file.SetPos(-1), XPosition);

    std::unique_ptr<CMemoryMedia> loaded(COpenFile::LoadFile(&spec));
    ASSERT_EQ(loaded->GetSize(), 5);
    EXPECT_EQ(0, std::memcmp(loaded->GetBufferPtr(), bytes, 5));
    unsigned char first[3];
    COpenFile::LoadFile(&spec, first, 3);
    EXPECT_EQ(first[2], 3);
    unsigned char tooMany[6];
    EXPECT_THROW(COpenFile::LoadFile(&spec, tooMany, 6), XRead);
}

TEST_F(FilesTest, CreatingReplacesAndOpensWriteOnly)
{
    const CFileSpec spec = Spec("out.txt");
    WriteRaw("out.txt", "old contents that must go");
    COpenFile file(&spec, nullptr, &CFileType::kTextFileType);
    file.Write(3, "new");
    unsigned char c;
    EXPECT_THROW(file.Read(1, &c), XRead);
    file.Close();
    file.Close(); // a second close does nothing
    // Closed means reference 0, which must not reach standard input.
    EXPECT_THROW(file.GetPos(), XPosition);
    EXPECT_THROW(file.SetPos(0), XPosition);
    EXPECT_THROW(file.GetSize(), XFile);
    EXPECT_EQ(COpenFile::GetFileSize(&spec), 3);
    file.CloseAndDelete(&spec);
    EXPECT_FALSE(spec.DoesFileExist());
}

TEST_F(FilesTest, OpenAndDeleteFailuresMapToTheirTypes)
{
    const CFileSpec missing = Spec("missing");
    EXPECT_THROW(COpenFile file(&missing), XFileNotFound);
    EXPECT_NO_THROW(missing.DeletePhysicalFile());
    EXPECT_THROW(missing.GetFileType(), XFileNotFound);
    EXPECT_THROW(missing.GetFileInfo(), XFileNotFound);
    EXPECT_THROW(CFileSpec::FromPath(fDir + "/no/such/folder/file"), XFileNotFound);

    // A folder is not a file: it cannot be opened and does not "exist" as one.
    fs::create_directory(fDir + "/folder");
    const CFileSpec folder = Spec("folder");
    EXPECT_FALSE(folder.DoesFileExist());
    EXPECT_THROW(COpenFile file(&folder), XFile);

    // A named pipe has no end: refused at once instead of waiting for a writer.
    ASSERT_EQ(mkfifo((fDir + "/pipe").c_str(), 0600), 0);
    const CFileSpec pipe = Spec("pipe");
    EXPECT_FALSE(pipe.DoesFileExist());
    EXPECT_THROW(COpenFile file(&pipe), XOpenFailed);

    // A file inside a folder that is not a folder cannot be created.
    WriteRaw("plain", "x");
    const CFileSpec inside(NSPlatform::SNativeFileSpec{fDir + "/plain", "child"});
    const unsigned char byte = 0;
    EXPECT_THROW(COpenFile::SaveFile(&inside, nullptr, nullptr, &byte, 1), XCreateFailed);
}

TEST_F(FilesTest, UnwritableFolderRefusesChangesUnlessRoot)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    fs::create_directory(fDir + "/locked");
    WriteRaw("locked/file", "x");
    fs::permissions(fDir + "/locked", fs::perms::owner_read | fs::perms::owner_exec);
    const CFileSpec spec = Spec("locked/file");
    EXPECT_THROW(spec.DeletePhysicalFile(), XFileLocked);
    const CFileSpec fresh = Spec("locked/new");
    EXPECT_THROW(COpenFile file(&fresh, nullptr, nullptr), XCreateFailed);
    fs::permissions(fDir + "/locked", fs::perms::owner_all);
}

namespace
{

// Sets or clears the immutable flag; false where the file system or the
// process's privileges do not allow it.
bool SetImmutable(const std::string& path, bool on)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok)
    {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return ok;
}

} // namespace

void FilesTest::TearDown()
{
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(fDir, error))
    {
        if (entry.is_regular_file())
            SetImmutable(entry.path().string(), false);
    }
    fs::remove_all(fDir, error);
}

TEST_F(FilesTest, LockedFileIsNeitherDeletedNorReplaced)
{
    WriteRaw("locked.txt", "keep");
    const std::string path = fDir + "/locked.txt";
    if (!SetImmutable(path, true))
        GTEST_SKIP() << "cannot lock files here";
    const CFileSpec spec = Spec("locked.txt");
    EXPECT_THROW(spec.DeletePhysicalFile(), XFileLocked);
    const unsigned char bytes[] = {'n', 'e', 'w'};
    EXPECT_THROW(COpenFile::SaveFile(&spec, nullptr, nullptr, bytes, 3), XFileLocked);
    std::unique_ptr<CFileInfo> info(spec.GetFileInfo());
    EXPECT_THROW(spec.SetFileInfo(info.get()), XFile);
    // Still there, unchanged, and readable.
    std::unique_ptr<CMemoryMedia> contents(COpenFile::LoadFile(&spec));
    ASSERT_EQ(contents->GetSize(), 4);
    EXPECT_EQ(0, std::memcmp(contents->GetBufferPtr(), "keep", 4));
    NSPlatform::SNativeFileSpec native;
    spec.MacGetFSSpec(&native);
    int16_t ref = 0;
    EXPECT_EQ(NSPlatform::CPosixFiles::OpenDataFork(native, true, &ref),
              NSPlatform::kPermissionErr);
    SetImmutable(path, false);
}

TEST_F(FilesTest, UnreadableFileFailsToOpenUnlessRoot)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    WriteRaw("secret", "x");
    fs::permissions(fDir + "/secret", fs::perms::none);
    const CFileSpec spec = Spec("secret");
    EXPECT_THROW(COpenFile file(&spec), XOpenFailed);
    EXPECT_FALSE(spec.DoesFileExist());
}

TEST_F(FilesTest, TypeAndCreatorRoundTripThroughAttributes)
{
    if (!HasUserAttributes())
        GTEST_SKIP() << "file system keeps no user attributes";
    const CFileSpec spec = Spec("image.dat");
    const CFileCreator creator("KPLU");
    const unsigned char byte = 7;
    COpenFile::SaveFile(&spec, &creator, &CFileType::kJPEGFileType, &byte, 1);
    EXPECT_TRUE(spec.GetFileType().IsEqual("JPEG"));
    EXPECT_TRUE(spec.MacGetCreator().IsEqual("kplu"));
    // The stored type wins over the extension.
    EXPECT_TRUE(CFileType::kJPEGFileType.IsEqual(&spec));
    EXPECT_FALSE(CFileType::kTextFileType.IsEqual(&spec));

    std::unique_ptr<CFileInfo> info(spec.GetFileInfo());
    EXPECT_STREQ(info->mName, "image.dat");
    EXPECT_FALSE(info->mIsDirectory);
    EXPECT_EQ(info->mDataForkSize, 1);
    info->mType.Set("TEXT");
    info->mCreator.Set("ABCD");
    info->mModificationDate = 3000000000u;
    info->mCreationDate = 2900000000u;
    info->mInvisible = true;
    spec.SetFileInfo(info.get());
    std::unique_ptr<CFileInfo> again(spec.GetFileInfo());
    EXPECT_TRUE(again->mType.IsEqual("TEXT"));
    EXPECT_TRUE(again->mCreator.IsEqual("ABCD"));
    EXPECT_EQ(again->mModificationDate, 3000000000u);
    EXPECT_EQ(again->mCreationDate, 2900000000u);
    EXPECT_TRUE(again->mInvisible);
}

TEST_F(FilesTest, DatesAreSecondsSince1904OnTheHostClock)
{
    // Reading and writing share the epoch, so only the host's own clock can pin it.
    using namespace std::chrono;
    const int64_t unixFrom1904 =
        -duration_cast<seconds>(sys_days{year{1904} / January / 1}.time_since_epoch()).count();
    WriteRaw("dated", "x");
    const std::string path = fDir + "/dated";
    const timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    struct stat status;
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    const CFileSpec spec = Spec("dated");
    std::unique_ptr<CFileInfo> info(spec.GetFileInfo());
    EXPECT_EQ(int64_t(info->mModificationDate), int64_t(status.st_mtime) + unixFrom1904);

    const int64_t before = int64_t(time(nullptr)) + unixFrom1904;
    const int64_t now = GetNowDate();
    EXPECT_GE(now, before);
    EXPECT_LE(now, int64_t(time(nullptr)) + unixFrom1904);

    if (!HasUserAttributes())
        return; // the other attributes of a file info need them to be written
    info->mModificationDate = uint32_t(1600000000 + unixFrom1904);
    spec.SetFileInfo(info.get());
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, 1600000000);
}

TEST_F(FilesTest, TypeFallsBackToTheExtension)
{
    WriteRaw("PHOTO.JPG", "x");
    WriteRaw("notes", "x");
    const CFileSpec photo = Spec("PHOTO.JPG");
    EXPECT_TRUE(photo.GetFileType().IsEqual("JPEG"));
    EXPECT_TRUE(photo.MacGetCreator().IsEqual("????"));
    EXPECT_TRUE(CFileType::kJPEGFileType.IsEqual(&photo));
    EXPECT_TRUE(Spec("notes").GetFileType().IsEqual("????"));
    EXPECT_TRUE(CFileType::kTextFileType.IsEqual("notes", "TEXT"));
    // An extension of more than eight characters is none: only the code matches.
    EXPECT_FALSE(CFileType::kTextFileType.IsEqual("a.txtxtxtxt", "????"));
}

TEST_F(FilesTest, PackedSpecificationsSurviveAndReportMissingFiles)
{
    WriteRaw("kept", "x");
    const CFileSpec spec = Spec("kept");
    unsigned char* raw = nullptr;
    const long length = spec.Pack(&raw);
    std::unique_ptr<unsigned char[]> packed(raw);
    ASSERT_GT(length, 8);
    EXPECT_EQ(packed[0], 0xF1);
    EXPECT_EQ(packed[3], 0xEC);

    const CFileSpec fromBuffer(packed.get(), length);
    EXPECT_TRUE(fromBuffer.IsEqual(&spec));

    CMemoryMedia media(static_cast<TMediaPos>(length));
    spec.Write(&media);
    EXPECT_EQ(media.GetPos(), length);

    fs::remove(fDir + "/kept");
    media.SetPos(0);
    const CFileSpec fromStream(&media); // names the missing file
    EXPECT_TRUE(fromStream.IsEqual(&spec));
    EXPECT_THROW(CFileSpec(packed.get(), length), XFileNotFound);

    // Damaged records.
    packed[0] = 0;
    EXPECT_THROW(CFileSpec(packed.get(), length), XBadFormat);
    unsigned char lying[12] = {0xF1, 0x1E, 0x54, 0xEC, 0x7F, 0xFF, 0xFF, 0xFF, '/', 't', 'm', 'p'};
    EXPECT_THROW(CFileSpec(lying, sizeof(lying)), XBadFormat);
    CMemoryMedia lyingMedia(sizeof(lying), lying);
    EXPECT_THROW(CFileSpec spec2(&lyingMedia), XBadFormat);
    // A length within the cap that still claims more than is there: 100 bytes, 4 given.
    // The block is the record's exact size, so reading on would leave it.
    const std::vector<unsigned char> shortRecord = {0xF1, 0x1E, 0x54, 0xEC, 0,   0,
                                                    0,    100,  '/',  't',  'm', 'p'};
    EXPECT_THROW(CFileSpec(shortRecord.data(), long(shortRecord.size())), XBadFormat);
    std::vector<unsigned char> shortCopy = shortRecord;
    CMemoryMedia shortMedia(TMediaPos(shortCopy.size()), shortCopy.data());
    EXPECT_THROW(CFileSpec spec4(&shortMedia), XBadFormat);
    // Longer than any path: damage, from a buffer as from a stream.
    std::vector<unsigned char> huge(8 + 5000, 'a');
    std::memcpy(huge.data(), "\xF1\x1E\x54\xEC\x00\x00\x13\x88", 8);
    huge[8] = '/';
    EXPECT_THROW(CFileSpec(huge.data(), long(huge.size())), XBadFormat);
    CMemoryMedia hugeMedia(TMediaPos(huge.size()), huge.data());
    EXPECT_THROW(CFileSpec spec3(&hugeMedia), XBadFormat);
    unsigned char relative[12] = {0xF1, 0x1E, 0x54, 0xEC, 0, 0, 0, 4, 'a', '/', 'b', 'c'};
    EXPECT_THROW(CFileSpec(relative, sizeof(relative)), XFileNotFound);
}

TEST(FileNames, SplitIntoBaseAndExtension)
{
    char base[CFileSpec::kMaxNameLength + 1];
    char ext[CFileSpec::kMaxNameLength + 1];
    CFileSpec::FilenameWithExtensionToParts("readme.txt", base, ext);
    EXPECT_STREQ(base, "readme");
    EXPECT_STREQ(ext, ".txt");
    CFileSpec::FilenameWithExtensionToParts("archive.tar.gz", base, ext);
    EXPECT_STREQ(base, "archive.tar");
    EXPECT_STREQ(ext, ".gz");
    CFileSpec::FilenameWithExtensionToParts("notes.textfile1", base, ext);
    EXPECT_STREQ(base, "notes.textfile1");
    EXPECT_STREQ(ext, "");
    CFileSpec::FilenameWithExtensionToParts("README", base, ext);
    EXPECT_STREQ(ext, "");
    CFileSpec::ExtractExtension("trailing.", ext);
    EXPECT_STREQ(ext, ".");

    CFileSpec spec = CFileSpec::FromPath("/tmp/x");
    spec.SetFileNameWithExtension("a/b");
    char name[CFileSpec::kMaxNameLength + 1];
    spec.GetFileNameWithExtension(name);
    EXPECT_STREQ(name, "a:b"); // never a path into another folder
}

TEST_F(FilesTest, FoldersNavigateListAndScan)
{
    std::unique_ptr<CDirSpec> root(
        CDirSpec::NewParentDirForFile(std::make_unique<CFileSpec>(Spec("x")).get()));
    std::unique_ptr<CDirSpec> sub(root->CreatePhysicalDirectory("sub"));
    EXPECT_THROW(delete root->CreatePhysicalDirectory("sub"), XBase);
    EXPECT_TRUE(root->DoesDirItemExist("sub"));
    EXPECT_FALSE(root->DoesDirItemExist("nothing"));
    char name[CFileSpec::kMaxNameLength + 1];
    sub->GetDirectoryName(name);
    EXPECT_STREQ(name, "sub");
    EXPECT_GT(sub->MacGetDirID(), 0);
    EXPECT_EQ(sub->MacGetParentDirID(), root->MacGetDirID());

    CDirSpec walker(*root);
    walker.GoDownTree("sub");
    EXPECT_TRUE(walker.IsEqual(sub.get()));
    walker.GoUpTree();
    EXPECT_TRUE(walker.IsEqual(root.get()));
    walker.GoDownTree("not-yet");
    EXPECT_THROW(walker.MacGetDirID(), XFile);

    WriteRaw("b.txt", "bb");
    WriteRaw("a.bin", "a");
    std::unique_ptr<CFileSpec> inDir(root->BuildFileSpecForFileInDir("b.txt"));
    EXPECT_TRUE(inDir->DoesFileExist());

    CFileInfo* info = nullptr;
    ASSERT_TRUE(root->MacGetFileInfoByIndex(0, &info));
    EXPECT_STREQ(info->mName, "a.bin");
    delete info;
    EXPECT_FALSE(root->MacGetFileInfoByIndex(3, &info));
    EXPECT_EQ(info, nullptr);

    CDirScanner scanner(root.get());
    std::vector<std::string> names;
    while (std::unique_ptr<CFileInfo> entry{scanner.CreateFileInfoAndStepToNext()})
    {
        names.push_back(entry->mName);
        if (entry->mIsDirectory)
        {
            std::unique_ptr<CDirSpec> child(entry->CreateDirSpec(root.get()));
            EXPECT_TRUE(child->IsEqual(sub.get()));
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"a.bin", "b.txt", "sub"}));
    EXPECT_EQ(scanner.GetIndex(), 3);
    EXPECT_EQ(scanner.CreateFileInfoAndStepToNext(), nullptr);
    EXPECT_EQ(scanner.GetIndex(), 3);
}

TEST_F(FilesTest, SpecialFoldersFollowTheEnvironment)
{
    setenv("XDG_CONFIG_HOME", (fDir + "/config").c_str(), 1);
    setenv("TMPDIR", fDir.c_str(), 1);
    std::unique_ptr<CFileSpec> prefs(CDirSpec::NewFromPreferenceFolder("settings"));
    EXPECT_EQ(prefs->GetPath().rfind(fDir + "/config/", 0), 0u);
    EXPECT_TRUE(fs::is_directory(fs::path(prefs->GetPath()).parent_path()));
    std::unique_ptr<CDirSpec> temp(CDirSpec::NewFromTemporaryFolder());
    EXPECT_EQ(temp->GetPath(), fDir);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("TMPDIR");
}

TEST(FileTypes, ExtensionsAndLists)
{
    char ext[CFileType::kMaxExtensionLength + 1];
    EXPECT_EQ(CFileType::kJPEGFileType.CountExtensions(), 2);
    CFileType::kJPEGFileType.GetExtension(ext, 1);
    EXPECT_STREQ(ext, ".jpg");
    CFileType::kJPEGFileType.GetExtension(ext, 2);
    EXPECT_STREQ(ext, "");
    EXPECT_EQ(CFileType::kBMPFileType.MacGetFileType(), 0x424D5020u);
    // Short codes end at their terminator: nothing after it is read into the code.
    const char shortCode[5] = {'B', 'M', 0, 'X', 'Y'};
    EXPECT_EQ(PackFourCharCode(shortCode, 0), 0x424D0000u);
    EXPECT_EQ(PackFourCharCode(shortCode, ' '), 0x424D2020u);
    EXPECT_EQ(PackFourCharCode("", ' '), 0x20202020u);

    CUnknownFileType text("TEXT");
    EXPECT_TRUE(text.IsEqual("text"));
    EXPECT_FALSE(text.IsEqual("TEX"));
    EXPECT_EQ(CUnknownFileType(0x424F4F54ul).MacGet(), 0x424F4F54ul);

    CUserFileTypeList list;
    list.AddFileType(&CFileType::kTextFileType);
    list.AddFileType(&CFileType::kJPEGFileType);
    EXPECT_EQ(list.CountFileTypes(), 2);
    char code[] = "????";
    EXPECT_TRUE(list.FindFileType("PHOTO.JPG", code)->IsEqual(&CFileType::kJPEGFileType));
    EXPECT_EQ(list.FindFileType("x.wav", code), nullptr);
    std::unique_ptr<CFileType> found(list.FindMacFileType(0x54455854)); // TEXT
    ASSERT_NE(found, nullptr);
    EXPECT_NE(found.get(), list.GetFileType(0));
    unsigned long codes[2];
    unsigned short count = 0;
    list.MacGetFileTypeArray(codes, &count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(codes[1], 0x4A504547u);
}

TEST(FileSpecLists, CopiesAreIndependentAndInOrder)
{
    CFileSpecList list;
    for (const char* name : {"/tmp/one", "/tmp/two", "/tmp/three"})
        list.InsertAtTail(new CFileSpec(CFileSpec::FromPath(name)));
    CFileSpecList copy(list);
    ASSERT_EQ(copy.CountObjects(), 3u);
    auto a = list.begin();
    for (CFileSpec* spec : copy)
    {
        EXPECT_NE(spec, *a);
        EXPECT_TRUE(spec->IsEqual(*a));
        ++a;
    }
    list.DeleteAll();
    EXPECT_EQ(copy.CountObjects(), 3u);
    copy = copy;
    EXPECT_EQ(copy.CountObjects(), 3u);
}

TEST_F(FilesTest, SavingOverAFileLosesNothingWhenTheWriteFails)
{
    WriteRaw("doc.txt", "keep");
    fs::permissions(fDir + "/doc.txt", fs::perms(0640));
    const CFileSpec spec = Spec("doc.txt");

    // A file-size limit makes the write fail part-way; the old contents must survive it.
    struct rlimit before = {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit small = before;
    small.rlim_cur = 100;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::vector<unsigned char> large(1000, 'n');
    bool threw = false;
    try
    {
        COpenFile::SaveFile(&spec, nullptr, nullptr, large.data(), long(large.size()));
    }
    catch (const XBase&) // XWrite, or XDiskFull on a file system that says so
    {
        threw = true;
    }
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(threw);
    std::unique_ptr<CMemoryMedia> contents(COpenFile::LoadFile(&spec));
    ASSERT_EQ(contents->GetSize(), 4);
    EXPECT_EQ(0, std::memcmp(contents->GetBufferPtr(), "keep", 4));

    // A save that succeeds replaces the contents, keeps the permissions and follows a link.
    fs::create_symlink("doc.txt", fDir + "/link.txt");
    const CFileSpec link = Spec("link.txt");
    const CFileCreator creator("KPLU");
    COpenFile::SaveFile(&link, &creator, &CFileType::kTextFileType, large.data(), 10);
    EXPECT_TRUE(fs::is_symlink(fDir + "/link.txt"));
    contents.reset(COpenFile::LoadFile(&spec));
    EXPECT_EQ(contents->GetSize(), 10);
    EXPECT_EQ(fs::status(fDir + "/doc.txt").permissions(), fs::perms(0640));
    if (HasUserAttributes())
    {
        EXPECT_TRUE(spec.GetFileType().IsEqual("TEXT"));
        EXPECT_TRUE(spec.MacGetCreator().IsEqual("KPLU"));
    }
    // No temporary file is left beside it, after the failure or the success.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fDir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"doc.txt", "link.txt"}));
}
