// The numbered texts of one text resource ("SSTR", "SMNU", "SALR"), parsed
// from the form `15{About this program...}`.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace NSWayfarer
{

class CStringResource
{
public:
    static constexpr int kStringCount = 1000;
    static constexpr long kMaxStringLength = 3000;

    // Reads and parses the resource from the application's resource file.
    CStringResource(const char* type, short id);
    // Parses the given bytes as the resource's contents.
    CStringResource(const char* type, short id, const unsigned char* bytes, long size);
    ~CStringResource();
    CStringResource(const CStringResource&) = delete;
    CStringResource& operator=(const CStringResource&) = delete;

    bool Identify(const char* type, short id) const;
    // At most `max` characters (and at most kMaxStringLength), then a NUL;
    // empty for an index without text.
    void GetString(unsigned short index, char* out, long max) const;
    void Dispose();

private:
    void LoadAndParse();
    void Parse(const unsigned char* bytes, long size);

    std::array<std::unique_ptr<char[]>, kStringCount> fStrings;
    char fType[6];
    int16_t fID;
};

} // namespace NSWayfarer
