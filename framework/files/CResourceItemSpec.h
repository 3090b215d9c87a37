// Names one resource of a resource file so it can be opened like a file.
#pragma once

#include "framework/files/CFileSpec.h"

namespace NSWayfarer
{

class CResourceItemSpec : public CFileSpec
{
public:
    CResourceItemSpec(const CFileSpec* file, const char* type, short id);
    CResourceItemSpec(const CResourceItemSpec&) = default;
    CResourceItemSpec& operator=(const CResourceItemSpec&) = default;

    CMedia* CreateMedia() const override;
    CResourceItemSpec* Clone() const override;

    const char* GetResourceType() const { return fType; }
    short GetResourceID() const { return fID; }

private:
    char fType[5];
    short fID;
};

} // namespace NSWayfarer
