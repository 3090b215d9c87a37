#include "framework/files/CUserFileTypeList.h"

#include "framework/files/CFileType.h"

#include <memory>

namespace NSWayfarer
{

CUserFileTypeList::~CUserFileTypeList()
{
    for (CFileType* type : fTypes)
        delete type;
    fTypes.RemoveAll();
}

void CUserFileTypeList::AddFileType(const CFileType* type)
{
    auto copy = std::make_unique<CFileType>(*type);
    fTypes.TailInsert(copy.get());
    copy.release();
}

unsigned short CUserFileTypeList::CountFileTypes() const
{
    return static_cast<unsigned short>(fTypes.CountItems());
}

const CFileType* CUserFileTypeList::GetFileType(unsigned short index) const
{
    unsigned short i = 0;
    for (CFileType* type : fTypes)
    {
        if (i++ == index)
            return type;
    }
    return nullptr;
}

unsigned long CUserFileTypeList::MacGetFileType(unsigned short index) const
{
    const CFileType* type = GetFileType(index);
    return type != nullptr ? type->MacGetFileType() : 0;
}

void CUserFileTypeList::MacGetFileTypeArray(unsigned long* codes, unsigned short* count) const
{
    unsigned short n = 0;
    for (CFileType* type : fTypes)
        codes[n++] = type->MacGetFileType();
    *count = n;
}

const CFileType* CUserFileTypeList::FindFileType(const char* fileName, char* typeCode) const
{
    for (CFileType* type : fTypes)
    {
        if (type->IsEqual(fileName, typeCode))
            return type;
    }
    return nullptr;
}

const CFileType* CUserFileTypeList::FindFileType(const CFileSpec* file) const
{
    for (CFileType* type : fTypes)
    {
        if (type->IsEqual(file))
            return type;
    }
    return nullptr;
}

CFileType* CUserFileTypeList::FindMacFileType(unsigned long code) const
{
    for (CFileType* type : fTypes)
    {
        if (type->MacGetFileType() == code)
            return new CFileType(*type);
    }
    return nullptr;
}

} // namespace NSWayfarer
