// Feeds arbitrary text to the resource description compiler: it must either
// compile it or refuse it with a message that names the file and line; what it
// compiles must make a resource file that reads back to the same resources.
//
// "file" entries are read relative to a folder made for the run, which holds
// one small file ("data.bin") and one folder ("folder").

#include "tools/rsrc/CResourceSource.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using NSPlatform::CResourceFork;
using NSPlatform::SResourceEntry;
using NSResourceTool::CResourceSource;
using NSResourceTool::XSourceError;

namespace
{

std::string gBaseFolder;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void RemoveBaseFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(gBaseFolder, ignored);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char pattern[] = "/tmp/kelt-fuzz-rsrc-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        std::abort();
    gBaseFolder = pattern;
    std::ofstream(gBaseFolder + "/data.bin", std::ios::binary) << "\x01\x02\x03 data";
    std::filesystem::create_directory(gBaseFolder + "/folder");
    std::atexit(RemoveBaseFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CResourceSource source({{"NAME", "Podium"}, {"EMPTY", ""}, {"HEX", "0a0b"}});
    try
    {
        source.Compile(text, "fuzz.rdesc", gBaseFolder);
    }
    catch (const XSourceError& error)
    {
        Require(std::string(error.what()).rfind("fuzz.rdesc:", 0) == 0);
        return 0;
    }

    const CResourceFork& fork = source.GetFork();
    std::vector<std::uint8_t> written;
    std::string why;
    if (fork.Serialize(&written, &why) != NSPlatform::kNoErr)
    {
        Require(!why.empty());
        return 0;
    }
    CResourceFork again;
    Require(CResourceFork::Parse(written.data(), written.size(), &again, &why) ==
            NSPlatform::kNoErr);
    Require(again.GetEntries().size() == fork.GetEntries().size());
    for (const SResourceEntry& entry : fork.GetEntries())
    {
        const SResourceEntry* copy = again.Find(entry.mType, entry.mID);
        Require(copy != nullptr && copy->mData == entry.mData && copy->mName == entry.mName &&
                copy->mAttributes == entry.mAttributes);
    }
    return 0;
}
