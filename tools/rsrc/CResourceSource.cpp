#include "tools/rsrc/CResourceSource.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace NSResourceTool
{

using NSPlatform::CResourceFork;
using NSPlatform::SResourceEntry;

namespace
{

void Put16(std::vector<std::uint8_t>& out, long v)
{
    out.push_back(std::uint8_t((v >> 8) & 0xFF));
    out.push_back(std::uint8_t(v & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, long v)
{
    Put16(out, (v >> 16) & 0xFFFF);
    Put16(out, v & 0xFFFF);
}

void PutPascal(std::vector<std::uint8_t>& out, const std::string& text)
{
    out.push_back(std::uint8_t(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = char(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// "M.N" or "M.N.F", each part plain decimal digits; false for anything else. A part stops
// growing past 1000, so no value can wrap into range.
bool VersionParts(const std::string& text, unsigned parts[3])
{
    int count = 0;
    std::size_t i = 0;
    while (count < 3)
    {
        const std::size_t start = i;
        unsigned value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        {
            value = std::min(value * 10 + unsigned(text[i] - '0'), 1000u);
            ++i;
        }
        if (i == start)
            return false;
        parts[count++] = value;
        if (i == text.size())
            return count >= 2;
        if (text[i] != '.')
            return false;
        ++i;
    }
    return false;
}

} // namespace

CResourceSource::CResourceSource(std::map<std::string, std::string> defines)
    : fDefines(std::move(defines))
{
}

std::string CResourceSource::ReadRegularFile(const std::string& path, std::uint64_t limit,
                                             const std::string& context)
{
    // O_NONBLOCK: a named pipe must be refused, not waited on.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        throw XSourceInputError(context + "cannot read " + path + ": " + std::strerror(errno));
    struct stat info = {};
    std::string failure;
    if (fstat(fd, &info) != 0)
        failure = std::strerror(errno);
    else if (S_ISDIR(info.st_mode))
        failure = "it is a folder";
    else if (!S_ISREG(info.st_mode))
        failure = "not a regular file";
    else if (std::uint64_t(info.st_size) > limit)
        failure = "too large (" + std::to_string(info.st_size) + " bytes; at most " +
                  std::to_string(limit) + ")";
    std::string bytes;
    if (failure.empty())
    {
        bytes.resize(std::size_t(info.st_size));
        std::size_t done = 0;
        while (done < bytes.size())
        {
            const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
            {
                failure = std::strerror(errno);
                break;
            }
            if (got == 0)
                break; // shrank while read: take what is there
            done += std::size_t(got);
        }
        bytes.resize(done);
    }
    close(fd);
    if (!failure.empty())
        throw XSourceInputError(context + "cannot read " + path + ": " + failure);
    return bytes;
}

void CResourceSource::CompileFile(const std::string& path)
{
    const std::string text = ReadRegularFile(path, kMaxDescription, "");
    const std::size_t slash = path.find_last_of('/');
    Compile(text, path, slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash));
}

void CResourceSource::Compile(const std::string& text, const std::string& fileName,
                              const std::string& baseFolder)
{
    fFileName = fileName;
    fBaseFolder = baseFolder;
    fLines.clear();
    fLine = 0;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        fLines.push_back(line);
    }
    while (!AtEnd())
    {
        const std::vector<SToken> tokens = Tokenize(NextLine());
        if (tokens.empty())
            continue;
        if (tokens[0].mKind != SToken::kWord || tokens[0].mText != "resource")
            Fail("expected \"resource\"");
        ParseResource(tokens);
    }
}

void CResourceSource::Fail(const std::string& message) const
{
    throw XSourceError(fFileName + ":" + std::to_string(fLine) + ": " + message);
}

std::string CResourceSource::NextLine()
{
    return fLines[fLine++];
}

std::vector<CResourceSource::SToken> CResourceSource::Tokenize(const std::string& line)
{
    std::vector<SToken> tokens;
    std::size_t i = 0;
    while (i < line.size())
    {
        const char c = line[i];
        if (std::isspace(static_cast<unsigned char>(c)))
        {
            ++i;
            continue;
        }
        if (c == '#')
            break;
        if (c == '"')
        {
            std::string text;
            ++i;
            for (;;)
            {
                if (i >= line.size())
                    Fail("unterminated string");
                char d = line[i++];
                if (d == '"')
                    break;
                if (d != '\\')
                {
                    text += d;
                    continue;
                }
                if (i >= line.size())
                    Fail("unterminated string");
                d = line[i++];
                switch (d)
                {
                case 'n':
                    text += '\n';
                    break;
                case 'r':
                    text += '\r';
                    break;
                case 't':
                    text += '\t';
                    break;
                case '\\':
                case '"':
                case '$':
                    text += '\\';
                    text += d;
                    break;
                case 'x':
                {
                    const int hi = i < line.size() ? HexDigit(line[i]) : -1;
                    const int lo = i + 1 < line.size() ? HexDigit(line[i + 1]) : -1;
                    if (hi < 0 || lo < 0)
                        Fail("\\x needs two hex digits");
                    const char byte = char(hi * 16 + lo);
                    // Escaped so expansion keeps it literal.
                    text += byte == '\\' || byte == '$' ? std::string("\\") + byte
                                                        : std::string(1, byte);
                    i += 2;
                    break;
                }
                default:
                    Fail(std::string("unknown escape \\") + d);
                }
            }
            tokens.push_back({SToken::kString, Expand(text)});
            continue;
        }
        if (c == '\'')
        {
            const std::size_t close = line.find('\'', i + 1);
            if (close == std::string::npos)
                Fail("unterminated quoted type");
            tokens.push_back({SToken::kString, line.substr(i + 1, close - i - 1)});
            i = close + 1;
            continue;
        }
        std::size_t end = i;
        while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end])) &&
               line[end] != '"' && line[end] != '\'')
            ++end;
        const std::string word = line.substr(i, end - i);
        if (word.size() > 2 && word.compare(0, 2, "<<") == 0)
            tokens.push_back({SToken::kHeredoc, word.substr(2)});
        else
            tokens.push_back({SToken::kWord, word});
        i = end;
    }
    return tokens;
}

// Replaces ${NAME} by its definition and drops the escape backslashes the
// tokenizer left in front of '\\', '"' and '$'.
std::string CResourceSource::Expand(const std::string& text) const
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\\' && i + 1 < text.size())
        {
            out += text[++i];
            continue;
        }
        if (text[i] == '$' && i + 1 < text.size() && text[i + 1] == '{')
        {
            const std::size_t close = text.find('}', i + 2);
            if (close == std::string::npos)
                Fail("unterminated ${");
            const std::string name = text.substr(i + 2, close - i - 2);
            const auto found = fDefines.find(name);
            if (found == fDefines.end())
                Fail("${" + name + "} is not defined (use -D " + name + "=VALUE)");
            out += found->second;
            i = close;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::string CResourceSource::ReadHeredoc(const std::string& tag)
{
    std::string text;
    bool first = true;
    for (;;)
    {
        if (AtEnd())
            Fail("text block not closed by \"" + tag + "\"");
        std::string line = NextLine();
        std::size_t start = line.find_first_not_of(" \t");
        std::size_t end = line.find_last_not_of(" \t");
        if (start != std::string::npos && line.substr(start, end - start + 1) == tag)
            return text;
        if (!first)
            text += '\n';
        text += line;
        first = false;
    }
}

long CResourceSource::Number(const SToken& token, long low, long high, const char* what) const
{
    if (token.mKind != SToken::kWord || token.mText.empty())
        Fail(std::string("expected a number for ") + what);
    long value = 0;
    if (!ParseNumber(token.mText, &value))
        Fail(std::string("bad number \"") + token.mText + "\" for " + what);
    if (value < low || value > high)
        Fail(std::string(what) + " " + token.mText + " out of range " + std::to_string(low) + ".." +
             std::to_string(high));
    return value;
}

bool CResourceSource::ParseNumber(const std::string& text, long* value)
{
    std::size_t digits = 0;
    if (digits < text.size() && (text[digits] == '-' || text[digits] == '+'))
        ++digits;
    const bool hex = text.compare(digits, 2, "0x") == 0 || text.compare(digits, 2, "0X") == 0;
    const std::size_t first = digits + (hex ? 2 : 0);
    // strtol itself would accept blanks, a second sign or a second "0x" here.
    if (first >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[first])) ||
        (!hex && !std::isdigit(static_cast<unsigned char>(text[first]))))
        return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != 0)
        return false;
    *value = parsed;
    return true;
}

std::string CResourceSource::Str(const SToken& token, const char* what) const
{
    if (token.mKind != SToken::kString)
        Fail(std::string("expected a quoted string for ") + what);
    return token.mText;
}

std::uint32_t CResourceSource::TypeCode(const SToken& token) const
{
    // A type holding a NUL byte cannot be written as characters: 0x and eight hex digits.
    if (token.mKind == SToken::kWord && token.mText.size() == 10 &&
        (token.mText.compare(0, 2, "0x") == 0 || token.mText.compare(0, 2, "0X") == 0) &&
        std::all_of(token.mText.begin() + 2, token.mText.end(),
                    [](char c) { return HexDigit(c) >= 0; }))
        return std::uint32_t(std::stoul(token.mText.substr(2), nullptr, 16));
    if (token.mKind == SToken::kHeredoc || token.mText.size() != 4)
        Fail("a resource type has exactly four characters (quote it when it holds a blank)");
    if (token.mText.find('\0') != std::string::npos)
        Fail("a resource type cannot hold a NUL byte");
    return CResourceFork::PackCode(token.mText.c_str());
}

std::vector<std::uint8_t> CResourceSource::Hex(const std::string& text) const
{
    std::vector<std::uint8_t> bytes;
    int pending = -1;
    for (char c : text)
    {
        if (std::isspace(static_cast<unsigned char>(c)))
            continue;
        const int digit = HexDigit(c);
        if (digit < 0)
            Fail(std::string("bad hex digit '") + c + "'");
        if (pending < 0)
            pending = digit;
        else
        {
            bytes.push_back(std::uint8_t(pending * 16 + digit));
            pending = -1;
        }
    }
    if (pending >= 0)
        Fail("odd number of hex digits");
    return bytes;
}

std::vector<std::uint8_t> CResourceSource::ReadFileBytes(const std::string& path) const
{
    const std::string full = !path.empty() && path[0] == '/' ? path : fBaseFolder + "/" + path;
    const std::string bytes =
        ReadRegularFile(full, kMaxResourceFile, fFileName + ":" + std::to_string(fLine) + ": ");
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

void CResourceSource::ParseResource(const std::vector<SToken>& tokens)
{
    if (tokens.size() < 4)
        Fail("expected: resource TYPE ID [name \"...\"] [attributes N] KIND ...");
    SResourceEntry entry;
    entry.mType = TypeCode(tokens[1]);
    entry.mID = std::int16_t(Number(tokens[2], -32768, 32767, "the resource id"));
    std::size_t i = 3;
    for (;;)
    {
        if (i + 1 < tokens.size() && tokens[i].mKind == SToken::kWord && tokens[i].mText == "name")
        {
            entry.mName = Str(tokens[i + 1], "the name");
            if (entry.mName.size() > 255)
                Fail("resource name longer than 255 bytes");
            entry.mHasName = true;
            i += 2;
        }
        else if (i + 1 < tokens.size() && tokens[i].mKind == SToken::kWord &&
                 tokens[i].mText == "attributes")
        {
            entry.mAttributes = std::uint8_t(Number(tokens[i + 1], 0, 255, "the attributes"));
            i += 2;
        }
        else
            break;
    }
    if (i >= tokens.size() || tokens[i].mKind != SToken::kWord)
        Fail("expected the kind of the resource's contents");
    const std::string kind = tokens[i].mText;
    const std::vector<SToken> args(tokens.begin() + long(i) + 1, tokens.end());
    const std::string label =
        "'" + CResourceFork::CodeToString(entry.mType) + "' " + std::to_string(entry.mID);

    auto noArgs = [&]()
    {
        if (!args.empty())
            Fail("nothing may follow \"" + kind + "\" on its line");
    };
    if (kind == "file")
    {
        if (args.size() != 1)
            Fail("expected: file \"PATH\"");
        const std::string path = Str(args[0], "the path");
        if (path.find('\0') != std::string::npos)
            Fail("a path cannot hold a NUL byte");
        entry.mData = ReadFileBytes(path);
    }
    else if (kind == "text")
    {
        if (args.size() != 1)
            Fail("expected: text \"...\" or text <<TAG");
        const std::string text = args[0].mKind == SToken::kHeredoc ? ReadHeredoc(args[0].mText)
                                                                   : Str(args[0], "the text");
        entry.mData.assign(text.begin(), text.end());
    }
    else if (kind == "hex")
    {
        if (args.empty())
            Fail("expected: hex \"...\" or hex <<TAG");
        std::string digits;
        for (const SToken& arg : args)
            digits +=
                arg.mKind == SToken::kHeredoc ? ReadHeredoc(arg.mText) : Str(arg, "hex bytes");
        entry.mData = Hex(digits);
    }
    else if (kind == "bundle")
    {
        if (args.size() != 1)
            Fail("expected: bundle \"CREATOR\"");
        const std::string creator = Str(args[0], "the creator");
        if (creator.size() != 4)
            Fail("a creator code has exactly four characters");
        entry.mData.assign(creator.begin(), creator.end());
        Put16(entry.mData, 0);      // version resource id
        Put16(entry.mData, 0xFFFF); // no file types (count - 1)
    }
    else if (kind == "dialog")
    {
        noArgs();
        entry.mData = Dialog();
    }
    else if (kind == "items")
    {
        noArgs();
        entry.mData = ItemList();
    }
    else if (kind == "version")
    {
        noArgs();
        entry.mData = Version();
    }
    else if (kind == "strings")
    {
        noArgs();
        entry.mData = StringList();
    }
    else
        Fail("unknown contents kind \"" + kind +
             "\" (file, text, hex, bundle, dialog, items, version, strings)");

    if (!fFork.Add(std::move(entry)))
        Fail(label + " is defined twice");
}

// Reads the lines of a block up to "end", tokenized.
#define FOR_EACH_BLOCK_LINE(tokens)                                                                \
    for (std::vector<SToken> tokens;;)                                                             \
        if (AtEnd())                                                                               \
            Fail("block not closed by \"end\"");                                                   \
        else if ((tokens = Tokenize(NextLine())).empty())                                          \
            continue;                                                                              \
        else if (tokens[0].mKind == SToken::kWord && tokens[0].mText == "end")                     \
            break;                                                                                 \
        else

std::vector<std::uint8_t> CResourceSource::Dialog()
{
    long rect[4] = {0, 0, 0, 0};
    long procID = 4, refCon = 0, items = 0;
    bool visible = true, goAway = false, haveRect = false, haveItems = false;
    std::string title;
    auto boolean = [this](const SToken& token)
    {
        if (token.mText == "yes" || token.mText == "true")
            return true;
        if (token.mText == "no" || token.mText == "false")
            return false;
        Fail("expected yes or no");
    };
    FOR_EACH_BLOCK_LINE(tokens)
    {
        const std::string& field = tokens[0].mText;
        if (field == "rect" && tokens.size() == 5)
        {
            for (int k = 0; k < 4; ++k)
                rect[k] = Number(tokens[std::size_t(k) + 1], -32768, 32767, "a coordinate");
            haveRect = true;
        }
        else if (field == "procid" && tokens.size() == 2)
            procID = Number(tokens[1], -32768, 32767, "the window kind");
        else if (field == "visible" && tokens.size() == 2)
            visible = boolean(tokens[1]);
        else if (field == "goaway" && tokens.size() == 2)
            goAway = boolean(tokens[1]);
        else if (field == "refcon" && tokens.size() == 2)
            refCon = Number(tokens[1], -2147483647L - 1, 2147483647L, "the reference value");
        else if (field == "items" && tokens.size() == 2)
        {
            items = Number(tokens[1], -32768, 32767, "the item list id");
            haveItems = true;
        }
        else if (field == "title" && tokens.size() == 2)
        {
            title = Str(tokens[1], "the title");
            if (title.size() > 255)
                Fail("title longer than 255 bytes");
        }
        else
            Fail("expected one of: rect TOP LEFT BOTTOM RIGHT, procid N, visible yes|no, "
                 "goaway yes|no, refcon N, items ID, title \"...\", end");
    }
    if (!haveRect || !haveItems)
        Fail("a dialog needs a rect and an items id");
    std::vector<std::uint8_t> out;
    for (long v : rect)
        Put16(out, v);
    Put16(out, procID);
    out.push_back(visible ? 1 : 0);
    out.push_back(0);
    out.push_back(goAway ? 1 : 0);
    out.push_back(0);
    Put32(out, refCon);
    Put16(out, items);
    PutPascal(out, title);
    if (out.size() & 1)
        out.push_back(0);
    return out;
}

std::vector<std::uint8_t> CResourceSource::ItemList()
{
    static const std::map<std::string, int> kKinds = {
        {"user", 0},   {"button", 4}, {"checkbox", 5}, {"radio", 6},   {"control", 7},
        {"static", 8}, {"edit", 16},  {"icon", 32},    {"picture", 64}};
    std::vector<std::uint8_t> body;
    long count = 0;
    FOR_EACH_BLOCK_LINE(tokens)
    {
        if (tokens[0].mText != "item" || tokens.size() < 2)
            Fail("expected: item KIND rect TOP LEFT BOTTOM RIGHT [text \"...\"] [id N] "
                 "[disabled], or end");
        const auto kind = kKinds.find(tokens[1].mText);
        if (kind == kKinds.end())
            Fail("unknown item kind \"" + tokens[1].mText +
                 "\" (user, button, checkbox, radio, control, static, edit, icon, picture)");
        long rect[4] = {0, 0, 0, 0};
        bool haveRect = false, disabled = false, haveText = false;
        long id = 0;
        bool haveID = false;
        std::string text;
        for (std::size_t k = 2; k < tokens.size();)
        {
            const std::string& key = tokens[k].mText;
            if (key == "rect" && k + 4 < tokens.size())
            {
                for (int r = 0; r < 4; ++r)
                    rect[r] = Number(tokens[k + 1 + std::size_t(r)], -32768, 32767, "a coordinate");
                haveRect = true;
                k += 5;
            }
            else if (key == "text" && k + 1 < tokens.size())
            {
                text = Str(tokens[k + 1], "the item text");
                haveText = true;
                k += 2;
            }
            else if (key == "id" && k + 1 < tokens.size())
            {
                id = Number(tokens[k + 1], -32768, 32767, "the item's resource id");
                haveID = true;
                k += 2;
            }
            else if (key == "disabled")
            {
                disabled = true;
                k += 1;
            }
            else
                Fail("unexpected \"" + key + "\" in an item");
        }
        if (!haveRect)
            Fail("an item needs a rect");
        const int type = kind->second;
        const bool textual = type >= 4 && type <= 16 && type != 7;
        if (haveText && !textual)
            Fail("only button, checkbox, radio, static and edit items have text");
        if (haveID && textual)
            Fail("only control, icon and picture items have a resource id");
        if ((type == 7 || type == 32 || type == 64) && !haveID)
            Fail("control, icon and picture items need an id");
        if (text.size() > 255)
            Fail("item text longer than 255 bytes");
        if (++count > 0x10000)
            Fail("too many items");
        Put32(body, 0);
        for (long v : rect)
            Put16(body, v);
        body.push_back(std::uint8_t(type | (disabled ? 0x80 : 0)));
        std::vector<std::uint8_t> data(text.begin(), text.end());
        if (haveID)
            Put16(data, id);
        body.push_back(std::uint8_t(data.size()));
        body.insert(body.end(), data.begin(), data.end());
        if (data.size() & 1)
            body.push_back(0);
    }
    if (count == 0)
        Fail("an item list needs at least one item");
    std::vector<std::uint8_t> out;
    Put16(out, count - 1);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<std::uint8_t> CResourceSource::Version()
{
    long major = 0, minor = 0, bugFix = 0, prerelease = 0, region = 0;
    int stage = 0x80;
    std::string shortText, longText;
    bool haveVersion = false;
    FOR_EACH_BLOCK_LINE(tokens)
    {
        const std::string& field = tokens[0].mText;
        if (field == "number" && tokens.size() == 2 && tokens[1].mKind == SToken::kWord)
        {
            // Two or three parts and nothing after them ("1.2x" is a mistake,
            // not version 1.2); a part too large is refused, never wrapped.
            unsigned parts[3] = {0, 0, 0};
            if (!VersionParts(tokens[1].mText, parts) || parts[0] > 99 || parts[1] > 15 ||
                parts[2] > 15)
                Fail("expected number MAJOR.MINOR[.FIX] (major 0-99, minor and fix 0-15)");
            major = parts[0];
            minor = parts[1];
            bugFix = parts[2];
            haveVersion = true;
        }
        else if (field == "stage" && tokens.size() == 2)
        {
            static const std::map<std::string, int> kStages = {{"development", 0x20},
                                                               {"alpha", 0x40},
                                                               {"beta", 0x60},
                                                               {"final", 0x80},
                                                               {"release", 0x80}};
            const auto found = kStages.find(tokens[1].mText);
            if (found == kStages.end())
                Fail("stage is one of development, alpha, beta, final");
            stage = found->second;
        }
        else if (field == "prerelease" && tokens.size() == 2)
            prerelease = Number(tokens[1], 0, 255, "the prerelease number");
        else if (field == "region" && tokens.size() == 2)
            region = Number(tokens[1], 0, 65535, "the region code");
        else if (field == "short" && tokens.size() == 2)
            shortText = Str(tokens[1], "the short version");
        else if (field == "long" && tokens.size() == 2)
            longText = Str(tokens[1], "the long version");
        else
            Fail("expected one of: number M.N[.F], stage S, prerelease N, region N, short \"...\", "
                 "long \"...\", end");
    }
    if (!haveVersion)
        Fail("a version needs its number");
    if (shortText.size() > 255 || longText.size() > 255)
        Fail("version strings are at most 255 bytes");
    std::vector<std::uint8_t> out;
    out.push_back(std::uint8_t((major / 10) * 16 + major % 10));
    out.push_back(std::uint8_t(minor * 16 + bugFix));
    out.push_back(std::uint8_t(stage));
    out.push_back(std::uint8_t(prerelease));
    Put16(out, region);
    PutPascal(out, shortText);
    PutPascal(out, longText);
    return out;
}

std::vector<std::uint8_t> CResourceSource::StringList()
{
    std::vector<std::string> strings;
    FOR_EACH_BLOCK_LINE(tokens)
    {
        for (const SToken& token : tokens)
        {
            strings.push_back(Str(token, "a list entry"));
            if (strings.back().size() > 255)
                Fail("list entries are at most 255 bytes");
        }
    }
    if (strings.size() > 0xFFFF)
        Fail("too many list entries");
    std::vector<std::uint8_t> out;
    Put16(out, long(strings.size()));
    for (const std::string& text : strings)
        PutPascal(out, text);
    return out;
}

} // namespace NSResourceTool
