// The POSIX file layer's result codes: what the framework's exception choice
// rests on.

#include "platform/files/CPosixFiles.h"
#include "platform/files/MacResultCodes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace NSPlatform;

TEST(ResultCodes, ErrnoMapsToTheClassicCodes)
{
    EXPECT_EQ(ResultFromErrno(ENOENT), kFileNotFoundErr);
    EXPECT_EQ(ResultFromErrno(EACCES), kPermissionErr);
    EXPECT_EQ(ResultFromErrno(ENOSPC), kDiskFullErr);
    EXPECT_EQ(ResultFromErrno(EDQUOT), kDiskFullErr);
    EXPECT_EQ(ResultFromErrno(EROFS), kWritePermissionErr);
    EXPECT_EQ(ResultFromErrno(EEXIST), kDuplicateNameErr);
    EXPECT_EQ(ResultFromErrno(EMFILE), kTooManyFilesOpenErr);
    EXPECT_EQ(ResultFromErrno(EIO), kIOErr);
}

TEST(PosixFiles, FullDeviceReportsDiskFull)
{
    SNativeFileSpec spec;
    ASSERT_EQ(CPosixFiles::MakeSpec("/dev/full", &spec), kNoErr);
    int16_t ref = 0;
    ASSERT_EQ(CPosixFiles::OpenDataFork(spec, true, &ref), kNoErr);
    int32_t count = 4;
    EXPECT_EQ(CPosixFiles::Write(ref, &count, "abcd"), kDiskFullErr);
    EXPECT_LT(count, 4);
    CPosixFiles::Close(ref);
}

TEST(PosixFiles, SpecificationsAreNormalisedPaths)
{
    SNativeFileSpec spec;
    EXPECT_EQ(CPosixFiles::MakeSpec("/tmp/./a/../no-such-file-here", &spec), kFileNotFoundErr);
    EXPECT_EQ(spec.mDirectory, "/tmp");
    EXPECT_EQ(spec.mName, "no-such-file-here");
    EXPECT_EQ(spec.Path(), "/tmp/no-such-file-here");
    EXPECT_EQ(CPosixFiles::MakeSpec("/no/such/folder/x", &spec), kDirNotFoundErr);
    EXPECT_EQ(CPosixFiles::MakeSpec("", &spec), kBadNameErr);
    EXPECT_EQ(CPosixFiles::MakeSpec("/", &spec), kNoErr);
    EXPECT_EQ(spec.Path(), "/");
    const SNativeFileSpec root = CPosixFiles::SpecForDirectoryPath("/usr/..");
    EXPECT_EQ(root.Path(), "/");

    // Relative paths start in the current folder.
    EXPECT_EQ(CPosixFiles::MakeSpec("relative-name", &spec), kFileNotFoundErr);
    EXPECT_EQ(spec.mDirectory, std::filesystem::current_path().string());
}

TEST(PosixFiles, AliasRecordsArePathsAndRejectOtherBytes)
{
    SNativeFileSpec spec;
    const std::vector<uint8_t> alias =
        CPosixFiles::MakeAlias(CPosixFiles::SpecForDirectoryPath("/tmp"));
    EXPECT_EQ(std::string(alias.begin(), alias.end()), "/tmp");
    EXPECT_EQ(CPosixFiles::ResolveAlias(alias.data(), alias.size(), &spec), kNoErr);
    const std::string gone = "/tmp/kelt-surely-missing-file";
    EXPECT_EQ(CPosixFiles::ResolveAlias(reinterpret_cast<const uint8_t*>(gone.data()), gone.size(),
                                        &spec),
              kFileNotFoundErr);
    EXPECT_EQ(spec.Path(), gone);
    const uint8_t withNul[] = {'/', 't', 0, 'x'};
    EXPECT_EQ(CPosixFiles::ResolveAlias(withNul, sizeof(withNul), &spec), kParamErr);
    EXPECT_EQ(CPosixFiles::ResolveAlias(withNul, 0, &spec), kParamErr);
}

TEST(PosixFiles, ReadsReportEndOfFileAndBadReferences)
{
    char pattern[] = "/tmp/kelt-posix-XXXXXX";
    const int fd = mkstemp(pattern);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "hello", 5), 5);
    close(fd);
    SNativeFileSpec spec;
    ASSERT_EQ(CPosixFiles::MakeSpec(pattern, &spec), kNoErr);
    int16_t ref = 0;
    ASSERT_EQ(CPosixFiles::OpenDataFork(spec, false, &ref), kNoErr);
    EXPECT_GT(ref, 0);
    char buffer[8];
    int32_t count = 8;
    EXPECT_EQ(CPosixFiles::Read(ref, &count, buffer), kEOFErr);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(CPosixFiles::SetPosition(ref, 5), kNoErr);
    EXPECT_EQ(CPosixFiles::SetPosition(ref, 6), kEOFErr);
    EXPECT_EQ(CPosixFiles::Close(ref), kNoErr);
    count = 1;
    EXPECT_EQ(CPosixFiles::Read(0, &count, buffer), kRefNumErr);
    int32_t position = -1;
    EXPECT_EQ(CPosixFiles::GetPosition(0, &position), kRefNumErr); // 0 is "not open"
    EXPECT_EQ(CPosixFiles::SetPosition(0, 0), kRefNumErr);
    EXPECT_EQ(CPosixFiles::Delete(spec), kNoErr);
    EXPECT_EQ(CPosixFiles::Delete(spec), kFileNotFoundErr);
}

TEST(PosixFiles, TypeFromExtensionIgnoresCase)
{
    EXPECT_EQ(CPosixFiles::TypeFromExtension("a.TXT"), 0x54455854u);
    EXPECT_EQ(CPosixFiles::TypeFromExtension("b.jpeg"), 0x4A504547u);
    EXPECT_EQ(CPosixFiles::TypeFromExtension("noext"), 0x3F3F3F3Fu);
    EXPECT_EQ(CPosixFiles::TypeFromExtension("x.unknown"), 0x3F3F3F3Fu);
}
