#include "framework/media/CPartialMedia.h"

#include "framework/files/XBase.h"

#include <limits>

namespace NSWayfarer
{

CPartialMedia::CPartialMedia(CMedia* base, TMediaPos offset, TMediaPos size)
    : fBase(base), fOffset(offset), fSize(size)
{
}

CPartialMedia::~CPartialMedia()
{
    fBase = nullptr;
}

bool CPartialMedia::CanRead(TMediaPos len) const
{
    // 64-bit sums: offsets and lengths near the 32-bit limits must not wrap around.
    const int64_t b = fBase->GetPos();
    const int64_t end = IsBounded() ? int64_t(fOffset) + fSize : int64_t(fBase->GetSize());
    return len >= 0 && b >= fOffset && b + len <= end;
}

TMediaPos CPartialMedia::ToBase(TMediaPos pos) const
{
    const int64_t basePos = int64_t(pos) + fOffset;
    if (basePos < std::numeric_limits<TMediaPos>::min() ||
        basePos > std::numeric_limits<TMediaPos>::max())
        throw XPosition();
    return static_cast<TMediaPos>(basePos);
}

void CPartialMedia::Read(TMediaPos len, void* dst)
{
    if (!CanRead(len))
        throw XRead();
    fBase->Read(len, dst);
}

void CPartialMedia::Peek(TMediaPos len, void* dst)
{
    if (!CanRead(len))
        throw XRead();
    fBase->Peek(len, dst);
}

void CPartialMedia::Write(TMediaPos len, const void* src)
{
    if (IsBounded() && int64_t(fBase->GetPos()) + len > int64_t(fOffset) + fSize)
        throw XWrite();
    fBase->Write(len, src);
}

TMediaPos CPartialMedia::GetPos() const
{
    return static_cast<TMediaPos>(int64_t(fBase->GetPos()) - fOffset);
}

void CPartialMedia::SetPos(TMediaPos pos)
{
    const bool inside = !IsBounded() || pos <= fSize;
    if (!inside || int64_t(pos) + fOffset < 0)
        throw XPosition();
    fBase->SetPos(ToBase(pos));
}

TMediaPos CPartialMedia::GetSize() const
{
    if (IsBounded())
        return fSize;
    return static_cast<TMediaPos>(int64_t(fBase->GetSize()) - fOffset);
}

void CPartialMedia::SetRelativePos(TMediaPos delta)
{
    const int64_t target = int64_t(fBase->GetPos()) + delta;
    if (target < fOffset || (IsBounded() && target > int64_t(fOffset) + fSize))
        throw XBase();
    fBase->SetRelativePos(delta);
}

void CPartialMedia::WriteByte(uint8_t value)
{
    fBase->WriteByte(value);
}

uint8_t CPartialMedia::ReadByte()
{
    return fBase->ReadByte();
}

uint8_t CPartialMedia::PeekByte()
{
    return fBase->PeekByte();
}

void CPartialMedia::ReadRange(TMediaPos pos, TMediaPos len, void* dst)
{
    fBase->ReadRange(ToBase(pos), len, dst);
}

void CPartialMedia::WriteRange(TMediaPos pos, TMediaPos len, const void* src)
{
    fBase->WriteRange(ToBase(pos), len, src);
}

} // namespace NSWayfarer
