#include "framework/files/CResourceItemSpec.h"

#include "framework/files/COpenResourceItem.h"

#include <cstring>

namespace NSWayfarer
{

CResourceItemSpec::CResourceItemSpec(const CFileSpec* file, const char* type, short id)
    : CFileSpec(*file), fID(id)
{
    const std::size_t length = strnlen(type, 4);
    std::memcpy(fType, type, length);
    fType[length] = 0;
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
