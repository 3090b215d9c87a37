#include "framework/files/CFileSpecList.h"

#include "framework/files/CFileSpec.h"

#include <memory>

namespace NSWayfarer
{

// Recently used documents come and go often: nodes come from a pool.
CFileSpecList::CFileSpecList() : CLinkedList<CFileSpec*>(kPoolSize) {}

CFileSpecList::CFileSpecList(const CFileSpecList& other) : CLinkedList<CFileSpec*>(kPoolSize)
{
    CopyFrom(other);
}

CFileSpecList& CFileSpecList::operator=(const CFileSpecList& other)
{
    if (this != &other)
    {
        DeleteAll();
        CopyFrom(other);
    }
    return *this;
}

CFileSpecList::~CFileSpecList()
{
    DeleteAll();
}

void CFileSpecList::CopyFrom(const CFileSpecList& other)
{
    try
    {
        for (CFileSpec* spec : other)
        {
            auto copy = std::make_unique<CFileSpec>(*spec);
            InsertAtTail(copy.get());
            copy.release();
        }
    }
    catch (...)
    {
        DeleteAll();
        throw;
    }
}

void CFileSpecList::DeleteAll()
{
    for (CFileSpec* spec : *this)
        delete spec;
    RemoveAll();
}

} // namespace NSWayfarer
