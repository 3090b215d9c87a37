// The four-character code of the application that owns a file.
#pragma once

#include "framework/files/CUnknownFileType.h"

namespace NSWayfarer
{

class CFileCreator : public CUnknownFileType
{
public:
    using CUnknownFileType::CUnknownFileType;
    CFileCreator() = default;
    CFileCreator(const CFileCreator&) = default;
    CFileCreator& operator=(const CFileCreator&) = default;
};

} // namespace NSWayfarer
