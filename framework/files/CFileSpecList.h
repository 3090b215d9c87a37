// An ordered list of owned file specifications (the recently used documents).
#pragma once

#include "framework/text/CLinkedListTemplate.h"

namespace NSWayfarer
{

class CFileSpec;

class CFileSpecList : public CLinkedListTemplate<CFileSpec*>
{
public:
    static constexpr int kPoolSize = 64;

    CFileSpecList() = default;
    CFileSpecList(const CFileSpecList& other);
    CFileSpecList& operator=(const CFileSpecList& other);
    ~CFileSpecList() override;

    void DeleteAll();

private:
    void CopyFrom(const CFileSpecList& other);
};

} // namespace NSWayfarer
