// An open file's data seen as a byte stream; closes itself when destroyed.
#pragma once

#include "framework/media/CMedia.h"

#include <cstdint>

namespace NSWayfarer
{

class CFileCreator;
class CFileSpec;
class CFileType;
class CMemoryMedia;

class COpenFile : public CMedia
{
public:
    // Opens an existing file read-only.
    explicit COpenFile(const CFileSpec* spec);
    // Creates the file (replacing one of that name) and opens it write-only.
    COpenFile(const CFileSpec* spec, const CFileCreator* creator, const CFileType* type);
    ~COpenFile() override;

    void Read(TMediaPos len, void* dst) override;
    void Write(TMediaPos len, const void* src) override;
    TMediaPos GetPos() const override;
    void SetPos(TMediaPos pos) override;
    TMediaPos GetSize() const override;

    void Close();
    void CloseAndDelete(const CFileSpec* spec);
    int16_t MacGetRefNum() const { return fRefNum; }

    static long GetFileSize(const CFileSpec* spec);
    static CMemoryMedia* LoadFile(const CFileSpec* spec);
    // The first `count` bytes; a shorter file throws XRead.
    static void LoadFile(const CFileSpec* spec, unsigned char* out, long count);
    // The old file (if any) is replaced only once the new one is complete; a link is followed.
    static void SaveFile(const CFileSpec* spec, const CFileCreator* creator, const CFileType* type,
                         const unsigned char* bytes, long count);

private:
    void Create(const CFileSpec* spec, const CFileCreator* creator, const CFileType* type);

    int16_t fRefNum = 0;
};

} // namespace NSWayfarer
