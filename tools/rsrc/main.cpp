// kelt-rsrc: builds, lists and extracts resource files.

#include "platform/resources/CResourceFork.h"
#include "tools/rsrc/CResourceSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

using NSPlatform::CResourceFork;
using NSPlatform::SResourceEntry;

namespace
{

const char* const kUsage = "usage: kelt-rsrc build -o OUT.rsrc [-D NAME=VALUE]... SOURCE\n"
                           "       kelt-rsrc list FILE.rsrc\n"
                           "       kelt-rsrc extract FILE.rsrc TYPE ID\n";

int Usage()
{
    std::cerr << kUsage;
    return 2;
}

bool LoadFork(const std::string& path, CResourceFork* fork)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        std::cerr << "kelt-rsrc: " << path << ": " << std::strerror(errno) << '\n';
        return false;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    std::string why;
    if (CResourceFork::Parse(bytes.data(), bytes.size(), fork, &why) != NSPlatform::kNoErr)
    {
        std::cerr << "kelt-rsrc: " << path << ": not a valid resource file: " << why << '\n';
        return false;
    }
    return true;
}

// The type as the listing shows it: quoted when it holds a blank or a byte
// that does not print.
std::string ShowType(std::uint32_t code)
{
    const std::string text = CResourceFork::CodeToString(code);
    bool plain = true;
    std::string shown;
    for (unsigned char c : text)
    {
        if (c == ' ' || c < 0x21 || c > 0x7E || c == '\'')
            plain = false;
        if (c < 0x20 || c > 0x7E || c == '\'' || c == '\\')
        {
            char escaped[5];
            std::snprintf(escaped, sizeof(escaped), "\\x%02X", c);
            shown += escaped;
        }
        else
            shown += char(c);
    }
    return plain ? shown : "'" + shown + "'";
}

int Build(int argc, char** argv)
{
    std::string output;
    std::string source;
    std::map<std::string, std::string> defines;
    for (int i = 2; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "-o" && i + 1 < argc)
            output = argv[++i];
        else if ((arg == "-D" && i + 1 < argc) || (arg.size() > 2 && arg.compare(0, 2, "-D") == 0))
        {
            const std::string definition = arg == "-D" ? argv[++i] : arg.substr(2);
            const std::size_t equals = definition.find('=');
            if (equals == std::string::npos || equals == 0)
            {
                std::cerr << "kelt-rsrc: -D needs NAME=VALUE\n";
                return 2;
            }
            defines[definition.substr(0, equals)] = definition.substr(equals + 1);
        }
        else if (!arg.empty() && arg[0] == '-')
            return Usage();
        else if (source.empty())
            source = arg;
        else
            return Usage();
    }
    if (output.empty() || source.empty())
        return Usage();
    std::vector<std::uint8_t> bytes;
    try
    {
        NSResourceTool::CResourceSource compiler(defines);
        compiler.CompileFile(source);
        std::string why;
        if (compiler.GetFork().Serialize(&bytes, &why) != NSPlatform::kNoErr)
        {
            std::cerr << "kelt-rsrc: " << source << ": " << why << '\n';
            return 1;
        }
    }
    catch (const NSResourceTool::XSourceError& error)
    {
        std::cerr << "kelt-rsrc: " << error.what() << '\n';
        return 1;
    }
    // Written beside the target and renamed, so a failed build never leaves
    // half a file under the final name.
    const std::string temporary = output + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.close();
        if (!out)
        {
            std::cerr << "kelt-rsrc: cannot write " << temporary << ": " << std::strerror(errno)
                      << '\n';
            std::remove(temporary.c_str());
            return 1;
        }
    }
    if (std::rename(temporary.c_str(), output.c_str()) != 0)
    {
        std::cerr << "kelt-rsrc: cannot write " << output << ": " << std::strerror(errno) << '\n';
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}

int List(int argc, char** argv)
{
    if (argc != 3)
        return Usage();
    CResourceFork fork;
    if (!LoadFork(argv[2], &fork))
        return 1;
    std::vector<const SResourceEntry*> entries;
    for (const SResourceEntry& entry : fork.GetEntries())
        entries.push_back(&entry);
    std::sort(entries.begin(), entries.end(),
              [](const SResourceEntry* a, const SResourceEntry* b)
              { return a->mType != b->mType ? a->mType < b->mType : a->mID < b->mID; });
    for (const SResourceEntry* entry : entries)
        std::cout << ShowType(entry->mType) << ' ' << entry->mID << ' ' << entry->mData.size()
                  << '\n';
    return 0;
}

int Extract(int argc, char** argv)
{
    if (argc != 5)
        return Usage();
    std::string type = argv[3];
    if (type.empty() || type.size() > 4)
    {
        std::cerr << "kelt-rsrc: a resource type has one to four characters\n";
        return 2;
    }
    type.resize(4, ' ');
    long id = 0;
    if (!NSResourceTool::CResourceSource::ParseNumber(argv[4], &id) || id < -32768 || id > 32767)
    {
        std::cerr << "kelt-rsrc: bad resource id \"" << argv[4] << "\"\n";
        return 2;
    }
    CResourceFork fork;
    if (!LoadFork(argv[2], &fork))
        return 1;
    const SResourceEntry* entry =
        fork.Find(CResourceFork::PackCode(type.c_str()), std::int16_t(id));
    if (entry == nullptr)
    {
        std::cerr << "kelt-rsrc: " << argv[2] << ": no resource "
                  << ShowType(CResourceFork::PackCode(type.c_str())) << ' ' << id << '\n';
        return 1;
    }
    std::size_t done = 0;
    while (done < entry->mData.size())
    {
        const ssize_t put =
            write(STDOUT_FILENO, entry->mData.data() + done, entry->mData.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
        {
            std::cerr << "kelt-rsrc: write error: " << std::strerror(errno) << '\n';
            return 1;
        }
        done += std::size_t(put);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    if (command == "build")
        return Build(argc, argv);
    if (command == "list")
        return List(argc, argv);
    if (command == "extract")
        return Extract(argc, argv);
    return Usage();
}
