// A kind of file: a name for users, the extensions it goes by and its type code.
#pragma once

namespace NSWayfarer
{

class CFileSpec;

class CFileType
{
public:
    static constexpr int kMaxNameLength = 64;
    static constexpr int kMaxExtensionListLength = 90;
    static constexpr int kMaxExtensionLength = 10;

    CFileType(const char* name, const char* extensions, const char* typeCode);
    CFileType(const CFileType&) = default;
    CFileType& operator=(const CFileType&) = default;
    void Dispose() {}

    void GetName(char* out) const;
    unsigned long MacGetFileType() const;
    unsigned short CountExtensions() const;
    // Extension `index` (from 0) with its dot; empty past the last one. The
    // buffer needs kMaxExtensionLength + 1 bytes.
    void GetExtension(char* out, unsigned short index) const;

    bool IsEqual(const CFileType* other) const;
    // By type code (exact) or by the name's extension (ignoring case).
    bool IsEqual(const char* fileName, const char* typeCode) const;
    bool IsEqual(const CFileSpec* file) const;

    static const CFileType kTextFileType;
    static const CFileType kBMPFileType;
    static const CFileType kJPEGFileType;
    static const CFileType kWaveType;
    static const CFileType kAIFFType;
    static const CFileType kMIDIType;
    static const CFileType kUndefinedBinaryType;

private:
    char fName[kMaxNameLength + 1];
    char fExtensions[kMaxExtensionListLength + 1];
    char fTypeCode[5];
};

} // namespace NSWayfarer
