// An ordered list of owned file specifications (the recently used documents).
#pragma once

#include "framework/text/CLinkedList.h"

namespace NSWayfarer
{

class CFileSpec;

class CFileSpecList : public CLinkedList<CFileSpec*>
{
public:
    static constexpr int kPoolSize = 64;

    CFileSpecList();
    CFileSpecList(const CFileSpecList& other);
    CFileSpecList& operator=(const CFileSpecList& other);
    ~CFileSpecList() override;

    void DeleteAll();

private:
    void CopyFrom(const CFileSpecList& other);
};

} // namespace NSWayfarer
