#include "framework/files/CResourceItemSpec.h"

#include "framework/files/COpenResourceItem.h"

#include <cstring>

namespace NSWayfarer
{

CResourceItemSpec::CResourceItemSpec(const CFileSpec* file, const char* type, short id)
    : CFileSpec(*file), fID(id)
{
    std::strncpy(fType, type, 4);
    fType[4] = 0;
}

CMedia* CResourceItemSpec::CreateMedia() const
{
    return new COpenResourceItem(this);
}

CResourceItemSpec* CResourceItemSpec::Clone() const
{
    return new CResourceItemSpec(*this);
}

} // namespace NSWayfarer
