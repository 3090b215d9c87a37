// Compiles a resource description (the text format of FORMAT.md) into the
// resources of one resource file.
#pragma once

#include "platform/resources/CResourceFork.h"

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace NSResourceTool
{

// A mistake in a description, with its file and line in the message.
class XSourceError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A description, or a file it names, that could not be read (a folder, a device, a file too
// large to be a resource, an I/O error): the fault is the input's, not the text's.
class XSourceInputError : public XSourceError
{
public:
    using XSourceError::XSourceError;
};

class CResourceSource
{
public:
    // `defines` are the values of ${NAME} in quoted strings.
    explicit CResourceSource(std::map<std::string, std::string> defines = {});

    // Adds every resource the text describes. `fileName` names the text in
    // messages; relative paths of "file" resources start in `baseFolder`.
    void Compile(const std::string& text, const std::string& fileName,
                 const std::string& baseFolder);
    void CompileFile(const std::string& path);

    const NSPlatform::CResourceFork& GetFork() const { return fFork; }

    // A whole number as descriptions write it: decimal (a leading zero does not
    // make it octal), or hexadecimal after "0x"; an optional sign. False for
    // anything else or a value outside long.
    static bool ParseNumber(const std::string& text, long* value);

    // A "file" resource can hold no more than a resource file's data area.
    static constexpr std::uint64_t kMaxResourceFile = NSPlatform::CResourceFork::kMaxDataArea;
    static constexpr std::uint64_t kMaxDescription = 64u << 20;

private:
    struct SToken
    {
        enum EKind
        {
            kWord,
            kString,
            kHeredoc
        } mKind;
        std::string mText;
    };

    std::vector<SToken> Tokenize(const std::string& line);
    [[noreturn]] void Fail(const std::string& message) const;
    std::string NextLine();
    bool AtEnd() const { return fLine >= fLines.size(); }
    std::string ReadHeredoc(const std::string& tag);
    std::string Expand(const std::string& text) const;

    long Number(const SToken& token, long low, long high, const char* what) const;
    std::string Str(const SToken& token, const char* what) const;
    std::uint32_t TypeCode(const SToken& token) const;
    std::vector<std::uint8_t> Hex(const std::string& text) const;
    std::vector<std::uint8_t> ReadFileBytes(const std::string& path) const;
    // The whole of a regular file of at most `limit` bytes; anything else is refused with an
    // XSourceInputError whose message starts with `context`.
    static std::string ReadRegularFile(const std::string& path, std::uint64_t limit,
                                       const std::string& context);

    void ParseResource(const std::vector<SToken>& tokens);
    std::vector<std::uint8_t> Dialog();
    std::vector<std::uint8_t> ItemList();
    std::vector<std::uint8_t> Version();
    std::vector<std::uint8_t> StringList();

    std::map<std::string, std::string> fDefines;
    NSPlatform::CResourceFork fFork;
    std::vector<std::string> fLines;
    std::size_t fLine = 0; // index of the next line to read
    std::string fFileName;
    std::string fBaseFolder;
};

} // namespace NSResourceTool
