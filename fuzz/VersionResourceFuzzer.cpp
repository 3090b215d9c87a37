// Feeds arbitrary bytes as the "vers" resource of a resource file and reads the
// file's version from it in every way the framework does (the version record,
// both version classes with their texts, the build number of the short
// version text); the same bytes also go to the packed form of a version.
// Nothing may be read outside the resource, and every text must fit the room
// its class promises.

#include "framework/files/COpenResourceFile.h"
#include "framework/files/XBase.h"
#include "framework/media/CMemoryMedia.h"
#include "framework/media/CVersion.h"
#include "platform/resources/CResourceFork.h"
#include "platform/resources/CResourceManager.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace NSWayfarer;
using NSPlatform::CResourceFork;
using NSPlatform::CResourceManager;

namespace
{

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// A text written into a block of exactly the promised room, so a longer one is caught.
template <typename TWrite> void CheckText(size_t room, TWrite write)
{
    std::unique_ptr<char[]> out(new char[room]);
    std::memset(out.get(), 'x', room);
    out[0] = 0;
    write(out.get());
    Require(strnlen(out.get(), room) < room);
}

void ReadPacked(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size]);
    if (size > 0)
        std::memcpy(copy.get(), data, size);
    CMemoryMedia media(static_cast<TMediaPos>(size), copy.get());
    try
    {
        const CVersion version(&media);
        Require(size >= 5 && data[0] == CVersion::kPackedTag);
        for (int format = 9; format <= 15; ++format)
            CheckText(32, [&](char* out)
                      { version.GetString(out, static_cast<CVersion::EStringFormat>(format)); });
        std::uint8_t packed[5];
        version.Pack(packed);
        Require(std::memcmp(packed, data, 4) == 0 && packed[4] == 0);
    }
    catch (const XBase&)
    {
        Require(size < 5 || data[0] != CVersion::kPackedTag);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ReadPacked(data, size);

    CResourceFork fork;
    NSPlatform::SResourceEntry vers;
    vers.mType = CResourceFork::PackCode("vers");
    vers.mID = 1;
    vers.mData.assign(data, data + size);
    fork.Add(vers);
    std::vector<std::uint8_t> file;
    std::string why;
    Require(fork.Serialize(&file, &why) == NSPlatform::kNoErr);
    const std::int16_t ref = CResourceManager::OpenResImage(file.data(), file.size());
    Require(ref != CResourceManager::kNoFile);
    {
        const COpenResourceFile resources(ref);
        try
        {
            const CFileVersion version = resources.GetFileVersion();
            Require(size >= 7);
            CheckText(32, [&](char* out) { version.GetString(out); });
        }
        catch (const XBadFormat&)
        {
            Require(size < 7);
        }
        const CWayfarerFileVersion wayfarer = resources.GetWayfarerFileVersion();
        CheckText(48, [&](char* out) { wayfarer.GetString(out); });

        try
        {
            unsigned short major = 0, minor = 0, bugFix = 0, nonRelease = 0;
            CFileVersion::EStage stage = CFileVersion::kRelease;
            std::unique_ptr<char[]> text(
                resources.MacGetFileVersion(&major, &minor, &bugFix, &nonRelease, &stage));
            const size_t length = std::strlen(text.get());
            Require(length <= 255 && length + 7 <= size);
            Require(std::memcmp(text.get(), data + 7, length) == 0);
            COpenResourceFile::BuildNumberFromVersionString(text.get());
        }
        catch (const XBadFormat&)
        {
            Require(size < 7);
        }
    }
    CResourceManager::CloseResFile(ref);

    // The build number is taken from any text, not only a well-formed record's.
    const std::string text(reinterpret_cast<const char*>(data), size);
    COpenResourceFile::BuildNumberFromVersionString(text.c_str());
    return 0;
}
