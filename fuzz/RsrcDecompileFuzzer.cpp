// Feeds arbitrary bytes to kelt-rsrc decompile as a resource file: what the reader accepts
// must decompile into a description that the description compiler builds back into the
// same resources (type, id, name, attribute byte, bytes), and decompiling again must give
// the same text. With a data folder, the data files' names must be distinct and safe.

#include "tools/rsrc/CResourceDecompiler.h"
#include "tools/rsrc/CResourceSource.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

using NSPlatform::CResourceFork;
using NSResourceTool::CResourceDecompiler;
using NSResourceTool::CResourceSource;

namespace
{

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CResourceFork fork;
    std::string why;
    if (CResourceFork::Parse(data, size, &fork, &why) != NSPlatform::kNoErr)
        return 0;

    CResourceDecompiler decompiler;
    const std::string text = decompiler.Decompile(fork.GetEntries());
    Require(decompiler.GetDataFiles().empty());
    CResourceSource source;
    // Nothing inline may name a file, so the folder given is never read.
    source.Compile(text, "decompiled.rdesc", "/nonexistent");
    Require(CResourceDecompiler::Compare(fork.GetEntries(), source.GetFork()).empty());
    Require(CResourceDecompiler().Decompile(fork.GetEntries()) == text);

    CResourceDecompiler withFiles("data");
    withFiles.Decompile(fork.GetEntries());
    std::set<std::string> names;
    for (const CResourceDecompiler::SDataFile& file : withFiles.GetDataFiles())
    {
        Require(file.mData->size() > CResourceDecompiler::kInlineLimit);
        Require(names.insert(file.mName).second);
        for (char c : file.mName)
            Require((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-' || c == '%' || c == '.');
    }
    return 0;
}
