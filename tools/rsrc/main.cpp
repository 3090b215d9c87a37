// kelt-rsrc: builds, lists, extracts and decompiles resource files.

#include "platform/files/CFileReplacer.h"
#include "platform/resources/CResourceFork.h"
#include "tools/rsrc/CResourceDecompiler.h"
#include "tools/rsrc/CResourceSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <map>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using NSPlatform::CResourceFork;
using NSPlatform::SResourceInfo;

namespace
{

const char* const kUsage = "usage: kelt-rsrc build -o OUT.rsrc [-D NAME=VALUE]... SOURCE\n"
                           "       kelt-rsrc list [-l] FILE.rsrc\n"
                           "       kelt-rsrc extract FILE.rsrc TYPE ID\n"
                           "       kelt-rsrc decompile FILE.rsrc [-o OUT.rdesc] [--data-dir DIR]\n";

int Usage()
{
    std::cerr << kUsage;
    return 2;
}

// Exit statuses: 1 a mistake in the contents (a description, a damaged file, a missing
// resource); 2 usage and input/output errors.
constexpr int kExitContents = 1;
constexpr int kExitIO = 2;

// The index of a resource file, whose bytes stay in the file until asked for.
class CResourceFileIndex
{
public:
    CResourceFileIndex() = default;
    CResourceFileIndex(const CResourceFileIndex&) = delete;
    CResourceFileIndex& operator=(const CResourceFileIndex&) = delete;
    ~CResourceFileIndex()
    {
        if (fFD >= 0)
            close(fFD);
    }

    // 0, or the exit status after the message is printed.
    int Open(const std::string& path)
    {
        fPath = path;
        fFD = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        struct stat info = {};
        if (fFD < 0 || fstat(fFD, &info) != 0)
            return Failure(std::strerror(errno), kExitIO);
        if (S_ISDIR(info.st_mode))
            return Failure("is a folder, not a resource file", kExitIO);
        // A device or pipe never ends, or ends where it likes: a resource file is a file.
        if (!S_ISREG(info.st_mode))
            return Failure("not a regular file", kExitIO);
        if (std::uint64_t(info.st_size) > kMaxFileSize)
            return Failure("too large for a resource file (" + std::to_string(info.st_size) +
                               " bytes; at most " + std::to_string(kMaxFileSize) + ")",
                           kExitIO);
        std::string why;
        std::uint16_t attributes = 0;
        const NSPlatform::TOSErr result = CResourceFork::ParseIndex(
            [this](std::uint64_t offset, std::size_t size, std::uint8_t* into)
            { return ReadAt(offset, size, into); },
            std::uint64_t(info.st_size), &fIndex, &attributes, &why);
        if (result == NSPlatform::kMapReadErr)
            return Failure("not a valid resource file: " + why, kExitContents);
        if (result != NSPlatform::kNoErr)
            return Failure(why, kExitIO);
        return 0;
    }

    const std::vector<SResourceInfo>& GetIndex() const { return fIndex; }

    bool ReadAt(std::uint64_t offset, std::size_t size, std::uint8_t* into) const
    {
        std::size_t done = 0;
        while (done < size)
        {
            const ssize_t got = pread(fFD, into + done, size - done, off_t(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            done += std::size_t(got);
        }
        return true;
    }

private:
    // The same limit the updater applies: 16 MiB of resources and a map, with room to spare.
    static constexpr std::uint64_t kMaxFileSize = 32u << 20;

    int Failure(const std::string& why, int status) const
    {
        std::cerr << "kelt-rsrc: " << fPath << ": " << why << '\n';
        return status;
    }

    std::string fPath;
    int fFD = -1;
    std::vector<SResourceInfo> fIndex;
};

// Flushes standard output; a listing nobody could read is an I/O error.
int FinishOutput(int status)
{
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout))
    {
        std::cerr << "kelt-rsrc: cannot write standard output: "
                  << std::strerror(errno != 0 ? errno : EIO) << '\n';
        return kExitIO;
    }
    return status;
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
            return kExitContents;
        }
    }
    catch (const NSResourceTool::XSourceInputError& error)
    {
        std::cerr << "kelt-rsrc: " << error.what() << '\n';
        return kExitIO;
    }
    catch (const NSResourceTool::XSourceError& error)
    {
        std::cerr << "kelt-rsrc: " << error.what() << '\n';
        return kExitContents;
    }
    // A regular file is written beside the target and renamed, so a failed build never leaves
    // half a file under the final name; a device or pipe is written in place.
    if (const int error = NSPlatform::CFileReplacer::Write(output, bytes.data(), bytes.size());
        error != 0)
    {
        std::cerr << "kelt-rsrc: " << NSPlatform::CFileReplacer::Describe(output, error) << '\n';
        return kExitIO;
    }
    return 0;
}

int List(int argc, char** argv)
{
    bool longForm = false;
    std::string path;
    for (int i = 2; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "-l")
            longForm = true;
        else if (!arg.empty() && arg[0] == '-')
            return Usage();
        else if (path.empty())
            path = arg;
        else
            return Usage();
    }
    if (path.empty())
        return Usage();
    CResourceFileIndex file;
    if (const int status = file.Open(path); status != 0)
        return status;
    std::vector<const SResourceInfo*> entries;
    for (const SResourceInfo& entry : file.GetIndex())
        entries.push_back(&entry);
    std::sort(entries.begin(), entries.end(),
              [](const SResourceInfo* a, const SResourceInfo* b)
              { return a->mType != b->mType ? a->mType < b->mType : a->mID < b->mID; });
    for (const SResourceInfo* entry : entries)
    {
        std::cout << ShowType(entry->mType) << ' ' << entry->mID << ' ' << entry->mSize;
        if (longForm)
        {
            char attributes[8];
            std::snprintf(attributes, sizeof(attributes), " 0x%02X", unsigned(entry->mAttributes));
            std::cout << attributes;
            // Quoted as a description writes it, so an empty name differs from none.
            if (entry->mHasName)
                std::cout << ' ' << NSResourceTool::CResourceDecompiler::Quote(entry->mName);
        }
        std::cout << '\n';
    }
    return FinishOutput(0);
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
    CResourceFileIndex file;
    if (const int status = file.Open(argv[2]); status != 0)
        return status;
    const std::uint32_t code = CResourceFork::PackCode(type.c_str());
    const auto found = std::find_if(file.GetIndex().begin(), file.GetIndex().end(),
                                    [&](const SResourceInfo& entry)
                                    { return entry.mType == code && entry.mID == id; });
    if (found == file.GetIndex().end())
    {
        std::cerr << "kelt-rsrc: " << argv[2] << ": no resource " << ShowType(code) << ' ' << id
                  << '\n';
        return kExitContents;
    }
    std::vector<std::uint8_t> data(found->mSize);
    if (!data.empty() && !file.ReadAt(found->mDataPos, data.size(), data.data()))
    {
        std::cerr << "kelt-rsrc: " << argv[2] << ": read error\n";
        return kExitIO;
    }
    std::size_t done = 0;
    while (done < data.size())
    {
        const ssize_t put = write(STDOUT_FILENO, data.data() + done, data.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
        {
            std::cerr << "kelt-rsrc: cannot write standard output: "
                      << std::strerror(put < 0 ? errno : ENOSPC) << '\n';
            return kExitIO;
        }
        done += std::size_t(put);
    }
    return 0;
}

int Decompile(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::string input, output, dataDir;
    bool haveDataDir = false;
    for (int i = 2; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "-o" && i + 1 < argc)
            output = argv[++i];
        else if (arg == "--data-dir" && i + 1 < argc)
        {
            dataDir = argv[++i];
            haveDataDir = true;
        }
        else if (arg.compare(0, 11, "--data-dir=") == 0)
        {
            dataDir = arg.substr(11);
            haveDataDir = true;
        }
        else if (!arg.empty() && arg[0] == '-')
            return Usage();
        else if (input.empty())
            input = arg;
        else
            return Usage();
    }
    if (input.empty() || (haveDataDir && dataDir.empty()))
        return Usage();

    CResourceFileIndex file;
    if (const int status = file.Open(input); status != 0)
        return status;
    std::vector<NSPlatform::SResourceEntry> entries;
    entries.reserve(file.GetIndex().size());
    for (const SResourceInfo& info : file.GetIndex())
    {
        NSPlatform::SResourceEntry entry;
        entry.mType = info.mType;
        entry.mID = info.mID;
        entry.mHasName = info.mHasName;
        entry.mName = info.mName;
        entry.mAttributes = info.mAttributes;
        entry.mData.resize(info.mSize);
        if (!entry.mData.empty() && !file.ReadAt(info.mDataPos, info.mSize, entry.mData.data()))
        {
            std::cerr << "kelt-rsrc: " << input << ": read error\n";
            return kExitIO;
        }
        entries.push_back(std::move(entry));
    }

    // "file" paths of a description start in its own folder; one on standard output is
    // taken to be read from the current folder.
    const fs::path base = output.empty() ? fs::path(".") : fs::path(output).parent_path();
    const fs::path baseFolder = base.empty() ? fs::path(".") : base;
    std::string dataPath;
    if (haveDataDir)
    {
        const fs::path relative =
            fs::weakly_canonical(fs::absolute(dataDir))
                .lexically_relative(fs::weakly_canonical(fs::absolute(baseFolder)));
        dataPath =
            fs::path(dataDir).is_absolute() || relative.empty() ? dataDir : relative.string();
    }
    NSResourceTool::CResourceDecompiler decompiler(dataPath);
    const std::string text = decompiler.Decompile(entries);

    if (!decompiler.GetDataFiles().empty())
    {
        std::error_code error;
        fs::create_directories(dataDir, error);
        if (error)
        {
            std::cerr << "kelt-rsrc: cannot make the folder " << dataDir << ": " << error.message()
                      << '\n';
            return kExitIO;
        }
        for (const auto& data : decompiler.GetDataFiles())
        {
            const std::string path = (fs::path(dataDir) / data.mName).string();
            if (const int failure =
                    NSPlatform::CFileReplacer::Write(path, data.mData->data(), data.mData->size());
                failure != 0)
            {
                std::cerr << "kelt-rsrc: " << NSPlatform::CFileReplacer::Describe(path, failure)
                          << '\n';
                return kExitIO;
            }
        }
    }

    // The description is built once before it is handed out: one that would not make the
    // same resources is never written.
    std::string difference;
    if (text.size() > NSResourceTool::CResourceSource::kMaxDescription)
        difference = "it would be larger than build reads";
    else
    {
        try
        {
            NSResourceTool::CResourceSource check;
            check.Compile(text, output.empty() ? "description" : output, baseFolder.string());
            difference = NSResourceTool::CResourceDecompiler::Compare(entries, check.GetFork());
        }
        catch (const NSResourceTool::XSourceError& error)
        {
            difference = error.what();
        }
    }
    if (!difference.empty())
    {
        std::cerr << "kelt-rsrc: " << input
                  << ": the description made would not build the same resources: " << difference
                  << '\n';
        return kExitIO;
    }

    if (output.empty())
    {
        std::cout << text;
        return FinishOutput(0);
    }
    if (const int error = NSPlatform::CFileReplacer::Write(output, text.data(), text.size());
        error != 0)
    {
        std::cerr << "kelt-rsrc: " << NSPlatform::CFileReplacer::Describe(output, error) << '\n';
        return kExitIO;
    }
    return 0;
}

int Run(int argc, char** argv)
{
    const std::string command = argv[1];
    if (command == "build")
        return Build(argc, argv);
    if (command == "list")
        return List(argc, argv);
    if (command == "extract")
        return Extract(argc, argv);
    if (command == "decompile")
        return Decompile(argc, argv);
    return Usage();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    // Nothing that goes wrong may end the tool by an abort: every failure is a message.
    try
    {
        return Run(argc, argv);
    }
    catch (const std::bad_alloc&)
    {
        std::cerr << "kelt-rsrc: not enough memory\n";
    }
    catch (const std::exception& error)
    {
        std::cerr << "kelt-rsrc: " << error.what() << '\n';
    }
    return kExitIO;
}
