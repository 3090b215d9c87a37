#include "framework/files/COpenResourceItem.h"

#include "framework/files/COpenResourceFile.h"
#include "framework/files/CResourceItemSpec.h"

#include <cstring>

namespace NSWayfarer
{

COpenResourceItem::COpenResourceItem(const CResourceItemSpec* spec)
    : fID(spec->GetResourceID()), fFile(std::make_unique<COpenResourceFile>(spec))
{
    // A four-character code, possibly shorter when it came from text.
    const char* type = spec->GetResourceType();
    size_t n = 0;
    for (; n < 4 && type[n] != 0; ++n)
        fType[n] = type[n];
    fType[n] = 0;
}

COpenResourceItem::~COpenResourceItem() = default;

void COpenResourceItem::Read(TMediaPos len, void* dst)
{
    long count = 0;
    fFile->Read(fType, fID, static_cast<unsigned char*>(dst), &count, len);
}

TMediaPos COpenResourceItem::GetSize() const
{
    return static_cast<TMediaPos>(fFile->GetSize(fType, fID));
}

} // namespace NSWayfarer
