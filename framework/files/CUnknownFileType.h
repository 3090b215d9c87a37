// A four-character file type or creator code, kept as text.
#pragma once

#include <cstdint>

namespace NSWayfarer
{

class CUnknownFileType
{
public:
    static constexpr int kMaxLength = 11;

    CUnknownFileType();
    explicit CUnknownFileType(const char* code);
    explicit CUnknownFileType(unsigned long code);
    CUnknownFileType(const CUnknownFileType&) = default;
    CUnknownFileType& operator=(const CUnknownFileType&) = default;
    virtual ~CUnknownFileType();

    // The buffer needs kMaxLength + 1 bytes.
    void Get(char* out) const;
    void Set(const char* code);
    // The first four characters, the first in the most significant byte.
    unsigned long MacGet() const;
    void MacSet(unsigned long code);
    // Whole strings, ignoring case.
    bool IsEqual(const char* code) const;
    bool IsEqual(const CUnknownFileType* other) const;

protected:
    char fCode[kMaxLength + 1];
};

} // namespace NSWayfarer
