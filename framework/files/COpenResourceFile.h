// Reads typed, numbered resources from one resource file: existence, size,
// bytes, indexed strings and the version record.
#pragma once

#include "framework/media/CFileVersion.h"
#include "framework/media/CWayfarerFileVersion.h"

#include <cstdint>

namespace NSWayfarer
{

class CFileSpec;
class CMemoryMedia;

class COpenResourceFile
{
public:
    // At most this much of the version record is read.
    static constexpr long kMaxVersionRecord = 518;

    // Wraps a resource file that is already open; does not own it.
    explicit COpenResourceFile(short refNum);
    // The application's own file is wrapped without owning it; any other file
    // is opened read-only and owned. XFileNotFound for a missing file,
    // XBadFormat for a malformed one, XOpenFailed otherwise.
    explicit COpenResourceFile(const CFileSpec* spec);
    ~COpenResourceFile();
    COpenResourceFile(const COpenResourceFile&) = delete;
    COpenResourceFile& operator=(const COpenResourceFile&) = delete;

    bool DoesExist(const char* type, short id) const;
    long GetSize(const char* type, short id) const;
    // A new stream holding the resource's bytes (caller owns it); XBase for an
    // empty resource.
    CMemoryMedia* Read(const char* type, short id) const;
    // The first min(size, max) bytes into dst; the count into *count.
    void Read(const char* type, short id, unsigned char* dst, long* count, long max) const;
    // String k is entry k % 100 of string list k / 100 + 128; dst needs max + 1 bytes.
    void ReadString(short number, char* dst, long max) const;
    // Decodes "vers" 1; returns the short version string (caller deletes it).
    char* MacGetFileVersion(unsigned short* major, unsigned short* minor, unsigned short* bugFix,
                            unsigned short* nonRelease, CFileVersion::EStage* stage) const;
    CFileVersion GetFileVersion() const;
    CWayfarerFileVersion GetWayfarerFileVersion() const;
    short MacGetRefNum() const { return fRefNum; }

    // The build number of a version string such as "1.02 build 57b": the
    // digits after the first blank that follows "build"; 666 without one.
    static unsigned short BuildNumberFromVersionString(const char* text);

private:
    // Makes this file current; XFileNotFound when it is not open.
    void MakeCurrent() const;

    bool fOwns = false;
    int16_t fRefNum = -1;
};

} // namespace NSWayfarer
