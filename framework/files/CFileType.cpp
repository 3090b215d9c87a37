#include "framework/files/CFileType.h"

#include "framework/files/CFileSpec.h"
#include "framework/files/FourCharCode.h"

#include <cctype>
#include <cstring>

namespace NSWayfarer
{

const CFileType CFileType::kTextFileType("Text File", ".txt;.doc", "TEXT");
const CFileType CFileType::kBMPFileType("BMP Bitmap", ".bmp", "BMP ");
const CFileType CFileType::kJPEGFileType("JPEG Bitmap", ".jpeg;.jpg", "JPEG");
const CFileType CFileType::kWaveType("Wave File", ".wav;.wave", "WAVE");
const CFileType CFileType::kAIFFType("Audio IFF", ".aif;.aiff", "AIFF");
const CFileType CFileType::kMIDIType("Standard MIDI File", ".mid;.midi", "Midi");
const CFileType CFileType::kUndefinedBinaryType("Undefined Binary", ".bin", "BINA");

namespace
{

void CopyLimited(char* out, const char* in, std::size_t limit)
{
    const char* const source = in != nullptr ? in : "";
    const std::size_t length = strnlen(source, limit);
    std::memcpy(out, source, length);
    out[length] = 0;
}

bool EqualIgnoringCase(const char* a, const char* b)
{
    if (std::strlen(a) != std::strlen(b))
        return false;
    for (; *a != 0; ++a, ++b)
    {
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b)))
            return false;
    }
    return true;
}

} // namespace

CFileType::CFileType(const char* name, const char* extensions, const char* typeCode)
{
    CopyLimited(fName, name, kMaxNameLength);
    CopyLimited(fExtensions, extensions, kMaxExtensionListLength);
    CopyLimited(fTypeCode, typeCode, 4);
}

void CFileType::GetName(char* out) const
{
    std::strcpy(out, fName);
}

unsigned long CFileType::MacGetFileType() const
{
    return PackFourCharCode(fTypeCode, 0);
}

unsigned short CFileType::CountExtensions() const
{
    unsigned short count = 1;
    for (const char* c = fExtensions; *c != 0; ++c)
    {
        if (*c == ';')
            ++count;
    }
    return count;
}

void CFileType::GetExtension(char* out, unsigned short index) const
{
    out[0] = 0;
    const char* item = fExtensions;
    for (unsigned short i = 0; i < index; ++i)
    {
        item = std::strchr(item, ';');
        if (item == nullptr)
            return;
        ++item;
    }
    std::size_t length = std::strcspn(item, ";");
    if (length > std::size_t(kMaxExtensionLength))
        length = kMaxExtensionLength;
    std::memcpy(out, item, length);
    out[length] = 0;
}

bool CFileType::IsEqual(const CFileType* other) const
{
    return other != nullptr && std::strcmp(fName, other->fName) == 0 &&
           std::strcmp(fExtensions, other->fExtensions) == 0 &&
           std::strcmp(fTypeCode, other->fTypeCode) == 0;
}

bool CFileType::IsEqual(const char* fileName, const char* typeCode) const
{
    if (typeCode != nullptr && std::strcmp(typeCode, fTypeCode) == 0)
        return true;
    if (fileName == nullptr)
        return false;
    char extension[CFileSpec::kMaxNameLength + 1];
    CFileSpec::ExtractExtension(fileName, extension);
    if (extension[0] == 0)
        return false;
    char candidate[kMaxExtensionLength + 1];
    for (unsigned short i = 0; i < CountExtensions(); ++i)
    {
        GetExtension(candidate, i);
        if (EqualIgnoringCase(candidate, extension))
            return true;
    }
    return false;
}

bool CFileType::IsEqual(const CFileSpec* file) const
{
    char code[CUnknownFileType::kMaxLength + 1];
    file->GetFileType().Get(code);
    char name[CFileSpec::kMaxNameLength + 1];
    file->GetFileNameWithExtension(name);
    return IsEqual(name, code);
}

} // namespace NSWayfarer
