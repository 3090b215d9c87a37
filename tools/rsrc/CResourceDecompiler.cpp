#include "tools/rsrc/CResourceDecompiler.h"

#include "tools/rsrc/CResourceSource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

namespace NSResourceTool
{

using NSPlatform::CResourceFork;
using NSPlatform::SResourceEntry;

namespace
{

using Bytes = std::vector<std::uint8_t>;

unsigned Get16(const Bytes& data, std::size_t at)
{
    return unsigned(data[at]) << 8 | data[at + 1];
}

long Signed16(const Bytes& data, std::size_t at)
{
    return long(std::int16_t(Get16(data, at)));
}

std::string Hex2(unsigned byte)
{
    char text[3];
    std::snprintf(text, sizeof(text), "%02X", byte & 0xFFu);
    return text;
}

std::string Label(const SResourceEntry& entry)
{
    return CResourceDecompiler::TypeToken(entry.mType) + " " + std::to_string(entry.mID);
}

std::string Pascal(const Bytes& data, std::size_t at)
{
    return std::string(reinterpret_cast<const char*>(data.data()) + at + 1, data[at]);
}

std::string Rect(const Bytes& data, std::size_t at)
{
    std::string text = "rect";
    for (std::size_t k = 0; k < 4; ++k)
        text += " " + std::to_string(Signed16(data, at + 2 * k));
    return text;
}

// The number of bytes after the end of a record, or a missing pad byte, as a reason.
std::string TrailingReason(std::size_t size, std::size_t end, const char* what)
{
    if (size > end)
        return std::to_string(size - end) + " byte" + (size - end == 1 ? "" : "s") + " after " +
               what;
    return std::string("no pad byte after ") + what;
}

} // namespace

CResourceDecompiler::CResourceDecompiler(std::string dataPath) : fDataPath(std::move(dataPath)) {}

std::string CResourceDecompiler::DataFileName(std::uint32_t type, std::int16_t id)
{
    std::string name;
    for (unsigned char c : CResourceFork::CodeToString(type))
    {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '_' || c == '-')
            name += char(c);
        else
            name += "%" + Hex2(c);
    }
    return name + "_" + std::to_string(id) + ".bin";
}

std::string CResourceDecompiler::Quote(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text)
    {
        switch (c)
        {
        case '"':
        case '\\':
        case '$':
            out += '\\';
            out += char(c);
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c > 0x7E)
                out += "\\x" + Hex2(c);
            else
                out += char(c);
        }
    }
    return out + "\"";
}

std::string CResourceDecompiler::TypeToken(std::uint32_t type)
{
    const std::string text = CResourceFork::CodeToString(type);
    if (text.find('\0') != std::string::npos)
    {
        char number[11];
        std::snprintf(number, sizeof(number), "0x%08X", unsigned(type));
        return number;
    }
    // Unquoted only when no character could start a comment, a string or a text block.
    const bool plain =
        text[0] != '#' && std::all_of(text.begin(), text.end(),
                                      [](char c)
                                      {
                                          return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                                 (c >= '0' && c <= '9') ||
                                                 std::strchr("#_-.*+/", c) != nullptr;
                                      });
    if (plain)
        return text;
    const bool printable = std::all_of(text.begin(), text.end(),
                                       [](char c)
                                       {
                                           const auto u = static_cast<unsigned char>(c);
                                           return u >= 0x20 && u <= 0x7E && c != '\'';
                                       });
    return printable ? "'" + text + "'" : Quote(text);
}

std::string CResourceDecompiler::Header(const SResourceEntry& entry)
{
    std::string header = "resource " + Label(entry);
    if (entry.mHasName)
        header += " name " + Quote(entry.mName);
    if (entry.mAttributes != 0)
        header += " attributes 0x" + Hex2(entry.mAttributes);
    return header;
}

std::string CResourceDecompiler::HexBody(const Bytes& data)
{
    constexpr std::size_t kLine = 32;
    auto digits = [&data](std::size_t from, std::size_t to)
    {
        std::string text;
        for (std::size_t k = from; k < to; ++k)
        {
            if (k > from && (k - from) % 4 == 0)
                text += ' ';
            text += Hex2(data[k]);
        }
        return text;
    };
    if (data.size() <= kLine)
        return "hex \"" + digits(0, data.size()) + "\"\n";
    std::string body = "hex <<END\n";
    for (std::size_t at = 0; at < data.size(); at += kLine)
        body += "    " + digits(at, std::min(data.size(), at + kLine)) + "\n";
    return body + "END\n";
}

bool CResourceDecompiler::Rebuilds(const std::string& header, const std::string& body,
                                   const SResourceEntry& entry)
{
    CResourceSource source;
    try
    {
        source.Compile(header + " " + body, "decompiled", ".");
    }
    catch (const XSourceError&)
    {
        return false;
    }
    const auto& built = source.GetFork().GetEntries();
    return built.size() == 1 && built[0].mType == entry.mType && built[0].mID == entry.mID &&
           built[0].mHasName == entry.mHasName && built[0].mName == entry.mName &&
           built[0].mAttributes == entry.mAttributes && built[0].mData == entry.mData;
}

CResourceDecompiler::TTyper CResourceDecompiler::TyperFor(std::uint32_t type)
{
    static const std::pair<const char*, TTyper> kTypers[] = {
        {"SSTR", &TypeText},   {"SMNU", &TypeText},  {"SALR", &TypeText},    {"vers", &TypeVersion},
        {"DLOG", &TypeDialog}, {"DITL", &TypeItems}, {"STR#", &TypeStrings}, {"BNDL", &TypeBundle}};
    for (const auto& [code, typer] : kTypers)
    {
        if (CResourceFork::PackCode(code) == type)
            return typer;
    }
    return nullptr;
}

std::string CResourceDecompiler::Decompile(const std::vector<SResourceEntry>& entries)
{
    fDataFiles.clear();
    std::vector<const SResourceEntry*> sorted;
    sorted.reserve(entries.size());
    for (const SResourceEntry& entry : entries)
        sorted.push_back(&entry);
    std::sort(sorted.begin(), sorted.end(),
              [](const SResourceEntry* a, const SResourceEntry* b)
              { return a->mType != b->mType ? a->mType < b->mType : a->mID < b->mID; });

    std::string out = "# Made by kelt-rsrc decompile; kelt-rsrc build makes the same resources "
                      "from it.\n";
    for (const SResourceEntry* entry : sorted)
    {
        out += '\n';
        const std::string header = Header(*entry);
        std::string why;
        if (const TTyper typer = TyperFor(entry->mType))
        {
            STyped typed;
            // A typed form much larger than hex could make the description too large to build
            // (the compiler reads at most 64 MiB), so it is kept only within this bound.
            const bool decoded = typer(*entry, &typed, &why);
            if (decoded && typed.mBody.size() > 3 * entry->mData.size() + 1024)
                why = "its typed form would be more than three times its size";
            else if (decoded)
            {
                if (Rebuilds(header, typed.mBody, *entry))
                {
                    out += typed.mNote + header + " " + typed.mBody;
                    continue;
                }
                why = "its typed form would not build the same bytes";
            }
        }
        const bool toFile = !fDataPath.empty() && entry->mData.size() > kInlineLimit;
        if (!why.empty())
            out += std::string("# Kept as ") + (toFile ? "bytes" : "hex") + ": " + why + ".\n";
        if (toFile)
        {
            const std::string name = DataFileName(entry->mType, entry->mID);
            fDataFiles.push_back({name, &entry->mData});
            const std::string path =
                fDataPath.back() == '/' ? fDataPath + name : fDataPath + "/" + name;
            out += header + " file " + Quote(path) + "\n";
        }
        else
            out += header + " " + HexBody(entry->mData);
    }
    return out;
}

std::string CResourceDecompiler::Compare(const std::vector<SResourceEntry>& expected,
                                         const CResourceFork& built)
{
    std::map<std::pair<std::uint32_t, std::int16_t>, const SResourceEntry*> found;
    for (const SResourceEntry& entry : built.GetEntries())
        found[{entry.mType, entry.mID}] = &entry;
    if (built.GetEntries().size() != expected.size())
        return std::to_string(built.GetEntries().size()) + " resources instead of " +
               std::to_string(expected.size());
    for (const SResourceEntry& entry : expected)
    {
        const auto it = found.find({entry.mType, entry.mID});
        if (it == found.end())
            return Label(entry) + " is missing";
        const SResourceEntry& copy = *it->second;
        if (copy.mHasName != entry.mHasName || copy.mName != entry.mName)
            return "the name of " + Label(entry) + " differs";
        if (copy.mAttributes != entry.mAttributes)
            return "the attributes of " + Label(entry) + " differ";
        if (copy.mData != entry.mData)
            return "the bytes of " + Label(entry) + " differ";
    }
    return "";
}

// "SSTR", "SMNU", "SALR": a text block when the text has plain line feeds, a quoted text
// when it holds carriage returns (a text block's lines lose one before a line feed).
bool CResourceDecompiler::TypeText(const SResourceEntry& entry, STyped* typed, std::string* why)
{
    const Bytes& data = entry.mData;
    const bool control =
        std::any_of(data.begin(), data.end(),
                    [](std::uint8_t c)
                    { return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F; });
    if (control)
    {
        *why = "it holds control bytes, which a text would hide";
        return false;
    }
    const std::string text(data.begin(), data.end());
    if (text.empty())
    {
        typed->mBody = "text \"\"\n";
        return true;
    }
    if (text.find('\r') != std::string::npos)
    {
        typed->mNote =
            "# Its line breaks include carriage returns, kept as \\r in a quoted text.\n";
        typed->mBody = "text " + Quote(text) + "\n";
        return true;
    }
    // The block's end tag must not be one of its lines.
    std::vector<std::string> lines;
    for (std::size_t start = 0;;)
    {
        const std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        const std::size_t first = line.find_first_not_of(" \t");
        const std::size_t last = line.find_last_not_of(" \t");
        lines.push_back(first == std::string::npos ? "" : line.substr(first, last - first + 1));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    std::string tag = "END";
    for (int n = 2; std::find(lines.begin(), lines.end(), tag) != lines.end(); ++n)
        tag = "END" + std::to_string(n);
    typed->mBody = "text <<" + tag + "\n" + text + "\n" + tag + "\n";
    return true;
}

// "vers": BCD major, minor and fix nibbles, stage, prerelease, region, two short strings.
bool CResourceDecompiler::TypeVersion(const SResourceEntry& entry, STyped* typed, std::string* why)
{
    const Bytes& data = entry.mData;
    if (data.size() < 8)
    {
        *why = "it is shorter than a version record";
        return false;
    }
    if ((data[0] >> 4) > 9 || (data[0] & 0xF) > 9)
    {
        *why = "its major version byte 0x" + Hex2(data[0]) + " is not two decimal digits";
        return false;
    }
    static const std::map<int, const char*> kStages = {
        {0x20, "development"}, {0x40, "alpha"}, {0x60, "beta"}, {0x80, "final"}};
    const auto stage = kStages.find(data[2]);
    if (stage == kStages.end())
    {
        *why = "its release stage byte 0x" + Hex2(data[2]) +
               " is none of development, alpha, "
               "beta or final";
        return false;
    }
    const std::size_t longAt = 7 + std::size_t(data[6]);
    if (longAt >= data.size())
    {
        *why = "its short version runs past the end";
        return false;
    }
    const std::size_t end = longAt + 1 + data[longAt];
    if (end != data.size())
    {
        *why = end > data.size() ? "its long version runs past the end"
                                 : TrailingReason(data.size(), end, "the long version");
        return false;
    }
    typed->mBody = "version\n    number " + std::to_string((data[0] >> 4) * 10 + (data[0] & 0xF)) +
                   "." + std::to_string(data[1] >> 4) + "." + std::to_string(data[1] & 0xF) +
                   "\n    stage " + stage->second + "\n    prerelease " + std::to_string(data[3]) +
                   "\n    region " + std::to_string(Get16(data, 4)) + "\n    short " +
                   Quote(Pascal(data, 6)) + "\n    long " + Quote(Pascal(data, longAt)) + "\nend\n";
    return true;
}

// "DLOG": rectangle, window kind, two flag bytes with their pads, reference value, item
// list id, title, and a pad byte to an even length.
bool CResourceDecompiler::TypeDialog(const SResourceEntry& entry, STyped* typed, std::string* why)
{
    const Bytes& data = entry.mData;
    if (data.size() < 21)
    {
        *why = "it is shorter than a dialog record";
        return false;
    }
    if (data[10] > 1 || data[11] != 0 || data[12] > 1 || data[13] != 0)
    {
        *why = "its flag bytes are not 0 or 1 with a zero pad byte each";
        return false;
    }
    const std::size_t titleEnd = 21 + std::size_t(data[20]);
    if (titleEnd > data.size())
    {
        *why = "its title runs past the end";
        return false;
    }
    const std::size_t end = titleEnd + (titleEnd & 1);
    if (data.size() != end)
    {
        *why = TrailingReason(data.size(), end, "the title");
        return false;
    }
    if (end != titleEnd && data[titleEnd] != 0)
    {
        *why = "the pad byte after its title is not zero";
        return false;
    }
    const long refCon = long(std::int32_t(std::uint32_t(Get16(data, 14)) << 16 | Get16(data, 16)));
    typed->mBody =
        "dialog\n    " + Rect(data, 0) + "\n    procid " + std::to_string(Signed16(data, 8)) +
        "\n    visible " + (data[10] ? "yes" : "no") + "\n    goaway " + (data[12] ? "yes" : "no") +
        "\n    refcon " + std::to_string(refCon) + "\n    items " +
        std::to_string(Signed16(data, 18)) + "\n    title " + Quote(Pascal(data, 20)) + "\nend\n";
    return true;
}

// "DITL": a count less one, then per item a zero reserved word, rectangle, type byte, data
// and a zero pad byte after data of odd length.
bool CResourceDecompiler::TypeItems(const SResourceEntry& entry, STyped* typed, std::string* why)
{
    static const std::map<int, const char*> kKinds = {
        {0, "user"},   {4, "button"}, {5, "checkbox"}, {6, "radio"},   {7, "control"},
        {8, "static"}, {16, "edit"},  {32, "icon"},    {64, "picture"}};
    const Bytes& data = entry.mData;
    if (data.size() < 2)
    {
        *why = "it is shorter than an item list";
        return false;
    }
    const std::size_t count = std::size_t(Get16(data, 0)) + 1;
    std::string body = "items\n";
    std::size_t at = 2;
    for (std::size_t k = 1; k <= count; ++k)
    {
        const std::string item = "item " + std::to_string(k);
        if (at + 14 > data.size() || at + 14 + data[at + 13] > data.size())
        {
            *why = item + " runs past the end";
            return false;
        }
        if (data[at] != 0 || data[at + 1] != 0 || data[at + 2] != 0 || data[at + 3] != 0)
        {
            *why = item + " has reserved bytes that are not zero";
            return false;
        }
        const unsigned type = data[at + 12];
        const auto kind = kKinds.find(int(type & 0x7F));
        if (kind == kKinds.end())
        {
            *why = item + " has the type byte 0x" + Hex2(type) + ", which is no item kind";
            return false;
        }
        const std::size_t length = data[at + 13];
        const std::size_t dataAt = at + 14;
        const std::size_t next = dataAt + length + (length & 1);
        if (next > data.size() || ((length & 1) && data[next - 1] != 0))
        {
            *why = next > data.size() ? item + " has no pad byte after its data"
                                      : item + " has a pad byte that is not zero";
            return false;
        }
        body += "    item " + std::string(kind->second) + " " + Rect(data, at + 4);
        switch (type & 0x7F)
        {
        case 0:
            if (length != 0)
            {
                *why = item + " is a user item with data";
                return false;
            }
            break;
        case 7:
        case 32:
        case 64:
            if (length != 2)
            {
                *why = item + " has " + std::to_string(length) +
                       " data bytes instead of a resource id";
                return false;
            }
            body += " id " + std::to_string(Signed16(data, dataAt));
            break;
        default:
            body += " text " +
                    Quote(std::string(reinterpret_cast<const char*>(data.data()) + dataAt, length));
        }
        if (type & 0x80)
            body += " disabled";
        body += '\n';
        at = next;
    }
    if (at != data.size())
    {
        *why = TrailingReason(data.size(), at, "the last item");
        return false;
    }
    typed->mBody = body + "end\n";
    return true;
}

// "STR#": a count and that many length-prefixed strings.
bool CResourceDecompiler::TypeStrings(const SResourceEntry& entry, STyped* typed, std::string* why)
{
    const Bytes& data = entry.mData;
    if (data.size() < 2)
    {
        *why = "it is shorter than a string list";
        return false;
    }
    const std::size_t count = Get16(data, 0);
    std::string body = "strings\n";
    std::size_t at = 2;
    for (std::size_t k = 1; k <= count; ++k)
    {
        if (at >= data.size() || at + 1 + data[at] > data.size())
        {
            *why = "string " + std::to_string(k) + " runs past the end";
            return false;
        }
        body += "    " + Quote(Pascal(data, at)) + "\n";
        at += 1 + std::size_t(data[at]);
    }
    if (at != data.size())
    {
        *why = TrailingReason(data.size(), at, "the last string");
        return false;
    }
    typed->mBody = body + "end\n";
    return true;
}

// "BNDL": only the record the description's bundle form writes (a creator, a zero version
// id, no file types); a full bundle stays hex.
bool CResourceDecompiler::TypeBundle(const SResourceEntry& entry, STyped* typed, std::string* why)
{
    const Bytes& data = entry.mData;
    if (data.size() != 8 || data[4] != 0 || data[5] != 0 || data[6] != 0xFF || data[7] != 0xFF)
    {
        *why = "it is more than a creator code";
        return false;
    }
    typed->mBody = "bundle " + Quote(std::string(data.begin(), data.begin() + 4)) + "\n";
    return true;
}

} // namespace NSResourceTool
