#include "framework/media/CMemoryMedia.h"

#include "framework/files/XBase.h"

#include <cstring>
#include <memory>

namespace NSWayfarer
{

CMemoryMedia::CMemoryMedia(TMediaPos size)
{
    if (size < 0)
        throw XBase();
    fBuffer = new uint8_t[size > 0 ? size : 1];
    fBufferSize = size;
    fDisposeBufferFlag = true;
}

CMemoryMedia::CMemoryMedia(TMediaPos size, uint8_t* block)
{
    if (size < 0 || (size > 0 && block == nullptr))
        throw XBase();
    fBuffer = block;
    fBufferSize = size;
    fDisposeBufferFlag = false;
}

CMemoryMedia::CMemoryMedia(CMedia* source)
{
    const TMediaPos size = source->GetSize();
    if (size < 0)
        throw XBase();
    std::unique_ptr<uint8_t[]> block(new uint8_t[size > 0 ? size : 1]);
    source->Read(size, block.get());
    fBuffer = block.release();
    fBufferSize = size;
    fDisposeBufferFlag = true;
}

CMemoryMedia::~CMemoryMedia()
{
    if (fDisposeBufferFlag)
        delete[] fBuffer;
    fBuffer = nullptr;
    fBufferSize = 0;
    fDisposeBufferFlag = false;
}

bool CMemoryMedia::IsInside(TMediaPos len) const
{
    // Written so that no sum can overflow: fPos is checked first, then the room left.
    return len >= 0 && fPos >= 0 && fPos <= fBufferSize && len <= fBufferSize - fPos;
}

void CMemoryMedia::Read(TMediaPos len, void* dst)
{
    if (!IsInside(len))
        throw XRead();
    if (len == 0)
        return;
    std::memcpy(dst, fBuffer + fPos, static_cast<size_t>(len));
    fPos += len;
}

void CMemoryMedia::Write(TMediaPos len, const void* src)
{
    if (!IsInside(len))
        throw XWrite();
    if (len == 0)
        return;
    std::memcpy(fBuffer + fPos, src, static_cast<size_t>(len));
    fPos += len;
}

TMediaPos CMemoryMedia::GetPos() const
{
    return fPos;
}

void CMemoryMedia::SetPos(TMediaPos pos)
{
    fPos = pos;
}

TMediaPos CMemoryMedia::GetSize() const
{
    return fBufferSize;
}

} // namespace NSWayfarer
