#include "tools/osimage/COSImageTool.h"

#include "Portable/update/COSImageBuilder.h"
#include "Portable/update/COSImageReport.h"
#include "framework/files/XBase.h"
#include "framework/media/CMemoryMedia.h"
#include "platform/files/CFileReplacer.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr const char* kProgram = "kelt-osimage";
constexpr int64_t kMaxFileSize = std::numeric_limits<int32_t>::max();

// Section names come from untrusted images; keep terminal control bytes out of the output.
std::string Printable(const std::string& text)
{
    std::string out;
    for (unsigned char c : text)
    {
        if (c >= 0x20 && c < 0x7F)
        {
            out += static_cast<char>(c);
        }
        else
        {
            char hex[8];
            std::snprintf(hex, sizeof(hex), "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

struct SSectionArg
{
    std::string mName;
    uint32_t mAddr;
    std::string mPath;
};

// Splits "--name=value" into name and value; plain options keep an empty value.
bool SplitInlineValue(const std::string& arg, std::string& name, std::string& value)
{
    const size_t eq = arg.find('=');
    if (arg.rfind("--", 0) != 0 || eq == std::string::npos)
    {
        name = arg;
        value.clear();
        return false;
    }
    name = arg.substr(0, eq);
    value = arg.substr(eq + 1);
    return true;
}

} // namespace

COSImageTool::COSImageTool(FILE* out, FILE* err) : fOut(out), fErr(err) {}

bool COSImageTool::ParseNumber(const std::string& text, uint32_t max, uint32_t& value)
{
    int base = 10;
    size_t start = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    {
        base = 16;
        start = 2;
    }
    if (start >= text.size())
        return false;
    uint64_t result = 0;
    for (size_t i = start; i < text.size(); ++i)
    {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        result = result * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (result > max)
            return false;
    }
    value = static_cast<uint32_t>(result);
    return true;
}

int COSImageTool::Run(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    if (args.empty())
        return UsageError("no command given");

    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help")
    {
        PrintHelp(fOut);
        return FinishOutput(kExitInstallable);
    }
    if (command != "check" && command != "build")
        return UsageError("unknown command '" + command + "'");
    try
    {
        return FinishOutput(command == "check" ? RunCheck(args) : RunBuild(args));
    }
    catch (const std::bad_alloc&)
    {
        std::fprintf(fErr, "%s: not enough memory\n", kProgram);
    }
    catch (const std::exception& e)
    {
        std::fprintf(fErr, "%s: %s\n", kProgram, e.what());
    }
    return kExitUsage;
}

int COSImageTool::FinishOutput(int exitCode) const
{
    // A verdict nobody could read is no verdict: a full disk or a closed pipe is an I/O error.
    errno = 0;
    if (std::fflush(fOut) != 0 || std::ferror(fOut))
    {
        const int error = errno != 0 ? errno : EIO;
        std::fprintf(fErr, "%s: cannot write standard output: %s\n", kProgram,
                     std::strerror(error));
        return kExitUsage;
    }
    return exitCode;
}

int COSImageTool::UsageError(const std::string& message) const
{
    std::fprintf(fErr, "%s: %s\nTry '%s --help'.\n", kProgram, message.c_str(), kProgram);
    return kExitUsage;
}

void COSImageTool::PrintHelp(FILE* to) const
{
    std::fprintf(
        to,
        "Usage:\n"
        "  %s check FILE\n"
        "  %s build -o OUT --version N --build N [--type N] [--allow-no-code]\n"
        "               --section NAME:ADDR:FILE [--section NAME:ADDR:FILE ...]\n"
        "  %s --help\n"
        "\n"
        "check   Verifies an OS image the way the updater does before sending it: the\n"
        "        image kind (must be 1), the header checksum, a section named CODE and\n"
        "        the checksum of every section. Prints the version as the updater shows\n"
        "        it, the image kind, one line per section and, last, whether the image\n"
        "        can be installed and if not, why.\n"
        "        Exit status: 0 installable, 1 not installable, 2 usage or I/O error.\n"
        "\n"
        "build   Writes an image: the 724-byte header, then the sections' data in the\n"
        "        order given, with correct header and section checksums.\n"
        "        -o OUT          the image file to write (replaced if it exists)\n"
        "        --version N     version times 100: 120 is shown as 1.20; an odd number\n"
        "                        is shown with its build (0-65535)\n"
        "        --build N       build number (0-65535)\n"
        "        --type N        image kind (0-255, default 1: installable)\n"
        "        --section NAME:ADDR:FILE\n"
        "                        a section named NAME (1 to 4 characters) loaded at ADDR\n"
        "                        (decimal or 0x-hex), holding the bytes of FILE; up to 16\n"
        "        --allow-no-code build even without a section named CODE\n"
        "        Exit status: 0 written, 2 usage or I/O error.\n",
        kProgram, kProgram, kProgram);
}

bool COSImageTool::ReadFile(const std::string& path, std::vector<uint8_t>& data, std::string& error)
{
    const auto tooLarge = [&](long long size)
    {
        error = "'" + path + "' is too large (" +
                (size < 0 ? std::string("more than ") + std::to_string(kMaxFileSize)
                          : std::to_string(size)) +
                " bytes; at most " + std::to_string(kMaxFileSize) + ")";
        return false;
    };
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
    {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    struct stat st = {};
    if (fstat(fileno(file), &st) == 0 && S_ISDIR(st.st_mode))
    {
        std::fclose(file);
        error = "cannot read '" + path + "': it is a folder";
        return false;
    }
    // A regular file's size is known before a byte is read, so an oversized one costs nothing.
    if (S_ISREG(st.st_mode) && st.st_size > kMaxFileSize)
    {
        std::fclose(file);
        return tooLarge(static_cast<long long>(st.st_size));
    }

    data.clear();
    if (S_ISREG(st.st_mode))
        data.reserve(static_cast<size_t>(st.st_size));
    uint8_t chunk[64 * 1024];
    bool ok = true;
    for (;;)
    {
        const size_t n = std::fread(chunk, 1, sizeof(chunk), file);
        if (static_cast<int64_t>(data.size() + n) > kMaxFileSize)
        {
            ok = tooLarge(-1); // a pipe or device that keeps giving
            break;
        }
        data.insert(data.end(), chunk, chunk + n);
        if (n < sizeof(chunk))
        {
            if (std::ferror(file))
            {
                error = "cannot read '" + path + "': " + std::strerror(errno);
                ok = false;
            }
            break;
        }
    }
    std::fclose(file);
    return ok;
}

int COSImageTool::RunCheck(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return UsageError(args.empty() ? "check needs a FILE" : "check takes exactly one FILE");
    const std::string& path = args[0];

    std::vector<uint8_t> data;
    std::string error;
    if (!ReadFile(path, data, error))
    {
        std::fprintf(fErr, "%s: %s\n", kProgram, error.c_str());
        return kExitUsage;
    }

    try
    {
        NSWayfarer::CMemoryMedia media(static_cast<NSWayfarer::TMediaPos>(data.size()),
                                       data.data());
        const COSImageReport report(media);

        std::fprintf(fOut, "File: %s (%lld bytes)\n", Printable(path).c_str(),
                     static_cast<long long>(report.GetImageSize()));
        if (report.HasHeader())
        {
            const SOSData& h = report.GetHeader();
            std::fprintf(fOut, "%s\n", report.GetVersionText().c_str());
            std::fprintf(fOut, "Image kind: %u (%s)\n", h.mType,
                         h.mType == kOSImageTypeInstallable ? "OS image"
                                                            : "not an installable OS image");
            if (h.mChks == report.GetComputedHeaderChecksum())
                std::fprintf(fOut, "Header checksum: 0x%04X OK\n", h.mChks);
            else
                std::fprintf(fOut, "Header checksum: 0x%04X BAD (computed 0x%04X)\n", h.mChks,
                             report.GetComputedHeaderChecksum());
            if (h.mSectCnt > kOSMaxSections)
                std::fprintf(fOut, "Sections: %u (the table holds %d; the first %d are shown)\n",
                             h.mSectCnt, kOSMaxSections, kOSMaxSections);
            else
                std::fprintf(fOut, "Sections: %u\n", h.mSectCnt);

            int index = 0;
            for (const SOSSectionReport& s : report.GetSections())
            {
                const char* verdict = !s.mInside      ? "BAD (outside the image)"
                                      : s.mChecksumOK ? "OK"
                                                      : "BAD";
                std::fprintf(fOut,
                             "  %2d %-4s  offset 0x%08X  size %u  address 0x%08X  "
                             "compressed %u  checksum %s\n",
                             ++index, Printable(s.mName).c_str(), s.mEntry.mOffs, s.mEntry.mSize,
                             s.mEntry.mAddr, s.mEntry.mComprSize, verdict);
            }
        }
        std::fprintf(fOut, "%s\n", Printable(report.GetVerdictText()).c_str());
        return report.IsInstallable() ? kExitInstallable : kExitNotInstallable;
    }
    catch (const NSWayfarer::XBase&)
    {
        // The report stays inside the media; reaching this means the tool itself is wrong.
        std::fprintf(fErr, "%s: internal error while reading '%s'\n", kProgram, path.c_str());
        return kExitUsage;
    }
}

int COSImageTool::RunBuild(const std::vector<std::string>& args)
{
    std::string output;
    bool haveVersion = false, haveBuild = false, haveType = false, allowNoCode = false;
    uint32_t version = 0, build = 0, type = kOSImageTypeInstallable;
    std::vector<SSectionArg> sections;

    for (size_t i = 0; i < args.size(); ++i)
    {
        std::string name, value;
        const bool inlineValue = SplitInlineValue(args[i], name, value);
        const auto takeValue = [&](std::string& out) -> bool
        {
            if (inlineValue)
            {
                out = value;
                return true;
            }
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        const auto number = [&](const char* what, uint32_t max, bool& seen, uint32_t& out) -> int
        {
            std::string text;
            if (seen)
                return UsageError(std::string(what) + " given more than once");
            if (!takeValue(text))
                return UsageError(std::string(what) + " needs a number");
            if (!ParseNumber(text, max, out))
                return UsageError("bad number for " + std::string(what) + ": '" + text +
                                  "' (0 to " + std::to_string(max) + ")");
            seen = true;
            return kExitInstallable;
        };

        if (name == "-o" || name == "--output")
        {
            if (!output.empty())
                return UsageError("-o given more than once");
            if (!takeValue(output) || output.empty())
                return UsageError("-o needs a file name");
        }
        else if (name == "--version")
        {
            if (int rc = number("--version", 0xFFFF, haveVersion, version); rc != kExitInstallable)
                return rc;
        }
        else if (name == "--build")
        {
            if (int rc = number("--build", 0xFFFF, haveBuild, build); rc != kExitInstallable)
                return rc;
        }
        else if (name == "--type")
        {
            if (int rc = number("--type", 0xFF, haveType, type); rc != kExitInstallable)
                return rc;
        }
        else if (name == "--allow-no-code" && !inlineValue)
        {
            allowNoCode = true;
        }
        else if (name == "--section")
        {
            std::string spec;
            if (!takeValue(spec))
                return UsageError("--section needs NAME:ADDR:FILE");
            const size_t first = spec.find(':');
            const size_t second = first == std::string::npos ? first : spec.find(':', first + 1);
            if (second == std::string::npos)
                return UsageError("bad section '" + spec + "': expected NAME:ADDR:FILE");
            SSectionArg section;
            section.mName = spec.substr(0, first);
            section.mPath = spec.substr(second + 1);
            if (section.mName.empty())
                return UsageError("bad section '" + spec + "': the name is empty");
            if (!COSImageBuilder::IsValidSectionName(section.mName))
                return UsageError("bad section name '" + section.mName + "': at most 4 characters");
            if (!ParseNumber(spec.substr(first + 1, second - first - 1), 0xFFFFFFFF, section.mAddr))
                return UsageError("bad load address in section '" + spec +
                                  "': decimal or 0x-hex, at most 0xFFFFFFFF");
            if (section.mPath.empty())
                return UsageError("bad section '" + spec + "': no file given");
            sections.push_back(section);
            if (sections.size() > static_cast<size_t>(kOSMaxSections))
                return UsageError("too many sections: an image holds at most 16");
        }
        else
        {
            return UsageError("unknown option '" + args[i] + "' for build");
        }
    }

    if (output.empty())
        return UsageError("build needs -o OUT");
    if (!haveVersion)
        return UsageError("build needs --version N");
    if (!haveBuild)
        return UsageError("build needs --build N");
    if (sections.empty() && !allowNoCode)
        return UsageError("build needs at least one --section");

    COSImageBuilder builder(static_cast<uint16_t>(version), static_cast<uint16_t>(build),
                            static_cast<uint8_t>(type));
    try
    {
        for (const SSectionArg& s : sections)
        {
            std::vector<uint8_t> data;
            std::string error;
            if (!ReadFile(s.mPath, data, error))
            {
                std::fprintf(fErr, "%s: %s\n", kProgram, error.c_str());
                return kExitUsage;
            }
            builder.AddSection(s.mName, s.mAddr, std::move(data));
        }
    }
    catch (const std::length_error&)
    {
        std::fprintf(fErr, "%s: the image would be larger than 2 GiB\n", kProgram);
        return kExitUsage;
    }
    if (!builder.HasCodeSection() && !allowNoCode)
        return UsageError("no section is named CODE (the updater needs one; --allow-no-code "
                          "builds anyway)");

    const std::vector<uint8_t> image = builder.Build();
    if (const int failure = NSPlatform::CFileReplacer::Write(output, image.data(), image.size());
        failure != 0)
    {
        std::fprintf(fErr, "%s: %s\n", kProgram,
                     NSPlatform::CFileReplacer::Describe(output, failure).c_str());
        return kExitUsage;
    }
    std::fprintf(fOut, "Wrote %s: %lld bytes, %d section%s, %s\n", output.c_str(),
                 static_cast<long long>(builder.GetImageSize()), builder.GetSectionCount(),
                 builder.GetSectionCount() == 1 ? "" : "s",
                 COSImageReport::FormatVersionText(static_cast<uint16_t>(version),
                                                   static_cast<uint16_t>(build))
                     .c_str());
    return kExitInstallable;
}
