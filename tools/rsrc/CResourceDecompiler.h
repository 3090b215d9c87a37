// Turns resources back into a description (the text format of FORMAT.md) that builds them
// again byte for byte; a typed form is written only where building it gives the same bytes.
#pragma once

#include "platform/resources/CResourceFork.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace NSResourceTool
{

class CResourceDecompiler
{
public:
    // A resource whose bytes go to a file of their own under the data folder.
    struct SDataFile
    {
        std::string mName;                      // within the data folder
        const std::vector<std::uint8_t>* mData; // the entry's bytes, owned by the caller
    };

    // Resources larger than this go to data files when there is a data folder.
    static constexpr std::size_t kInlineLimit = 4096;

    // `dataPath` is the data folder as the description names it (relative to the
    // description's own folder, or absolute); empty puts every resource inline.
    explicit CResourceDecompiler(std::string dataPath = "");

    // The description of `entries`, written sorted by type, then id. The data files it
    // refers to are listed by GetDataFiles() and stay valid while `entries` lives.
    std::string Decompile(const std::vector<NSPlatform::SResourceEntry>& entries);
    const std::vector<SDataFile>& GetDataFiles() const { return fDataFiles; }

    // The data file's name of a resource: the type with every byte outside [A-Za-z0-9_-]
    // as %XX, then "_", the id and ".bin".
    static std::string DataFileName(std::uint32_t type, std::int16_t id);
    // A double-quoted string of the description that reads back as `text`.
    static std::string Quote(const std::string& text);
    // The type as a description writes it: plain, in single or double quotes, or as a number.
    static std::string TypeToken(std::uint32_t type);
    // Empty when `built` holds exactly the resources of `expected` (type, id, name, attribute
    // byte and bytes, none missing, none more); otherwise the first difference.
    static std::string Compare(const std::vector<NSPlatform::SResourceEntry>& expected,
                               const NSPlatform::CResourceFork& built);

private:
    // The resource's contents in a typed form, or false with the reason it stays hex.
    struct STyped
    {
        std::string mBody; // from the contents kind on, ending with a line break
        std::string mNote; // a comment line for the description, or empty
    };
    using TTyper = bool (*)(const NSPlatform::SResourceEntry&, STyped*, std::string*);

    static std::string Header(const NSPlatform::SResourceEntry& entry);
    static std::string HexBody(const std::vector<std::uint8_t>& data);
    static bool Rebuilds(const std::string& header, const std::string& body,
                         const NSPlatform::SResourceEntry& entry);
    static TTyper TyperFor(std::uint32_t type);

    static bool TypeText(const NSPlatform::SResourceEntry&, STyped*, std::string*);
    static bool TypeVersion(const NSPlatform::SResourceEntry&, STyped*, std::string*);
    static bool TypeDialog(const NSPlatform::SResourceEntry&, STyped*, std::string*);
    static bool TypeItems(const NSPlatform::SResourceEntry&, STyped*, std::string*);
    static bool TypeStrings(const NSPlatform::SResourceEntry&, STyped*, std::string*);
    static bool TypeBundle(const NSPlatform::SResourceEntry&, STyped*, std::string*);

    std::string fDataPath;
    std::vector<SDataFile> fDataFiles;
};

} // namespace NSResourceTool
