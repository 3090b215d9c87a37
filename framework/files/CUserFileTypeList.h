// The kinds of file a document dialog offers and recognises, in order.
#pragma once

#include "framework/text/CLinkedListTemplate.h"

namespace NSWayfarer
{

class CFileSpec;
class CFileType;

class CUserFileTypeList
{
public:
    CUserFileTypeList() = default;
    ~CUserFileTypeList();
    CUserFileTypeList(const CUserFileTypeList&) = delete;
    CUserFileTypeList& operator=(const CUserFileTypeList&) = delete;

    void AddFileType(const CFileType* type);
    unsigned short CountFileTypes() const;
    // Not a copy; null past the end.
    const CFileType* GetFileType(unsigned short index) const;
    unsigned long MacGetFileType(unsigned short index) const;
    // All type codes in order; `codes` needs CountFileTypes() entries.
    void MacGetFileTypeArray(unsigned long* codes, unsigned short* count) const;
    const CFileType* FindFileType(const char* fileName, char* typeCode) const;
    const CFileType* FindFileType(const CFileSpec* file) const;
    // A new copy (caller owns it) of the first type with that code, or null.
    CFileType* FindMacFileType(unsigned long code) const;
    void IncludeAllOption() { fIncludeAll = true; }
    bool IsAllIncluded() const { return fIncludeAll; }

private:
    CLinkedListTemplate<CFileType*> fTypes;
    bool fIncludeAll = false;
};

} // namespace NSWayfarer
