#include "framework/media/CMedia.h"

#include "framework/files/XBase.h"
#include "framework/media/BinaryPacking.h"

#include <cstring>
#include <limits>

namespace NSWayfarer
{

CMedia::~CMedia() = default;

void CMedia::Peek(TMediaPos len, void* dst)
{
    Read(len, dst);
    SetRelativePos(-len);
}

void CMedia::SetRelativePos(TMediaPos delta)
{
    if (delta == 0)
        return;
    const int64_t target = int64_t(GetPos()) + delta;
    if (target < std::numeric_limits<TMediaPos>::min() ||
        target > std::numeric_limits<TMediaPos>::max())
        throw XPosition();
    SetPos(static_cast<TMediaPos>(target));
}

void CMedia::WriteByte(uint8_t value)
{
    Write(1, &value);
}

uint8_t CMedia::ReadByte()
{
    uint8_t value = 0;
    Read(1, &value);
    return value;
}

uint8_t CMedia::PeekByte()
{
    uint8_t value = ReadByte();
    SetRelativePos(-1);
    return value;
}

uint16_t CMedia::Read16Bit()
{
    uint8_t bytes[2] = {0, 0};
    Read(2, bytes);
    return Unpack16BitUnsignedBig(bytes);
}

void CMedia::Write16Bit(uint16_t value)
{
    uint8_t bytes[2];
    Pack16BitUnsignedBig(bytes, value);
    Write(2, bytes);
}

uint32_t CMedia::Read32Bit()
{
    uint8_t bytes[4] = {0, 0, 0, 0};
    Read(4, bytes);
    return Unpack32BitUnsignedBig(bytes);
}

void CMedia::Write32Bit(uint32_t value)
{
    uint8_t bytes[4];
    Pack32BitUnsignedBig(bytes, value);
    Write(4, bytes);
}

void CMedia::ReadRange(TMediaPos pos, TMediaPos len, void* dst)
{
    SetPos(pos);
    Read(len, dst);
}

void CMedia::WriteRange(TMediaPos pos, TMediaPos len, const void* src)
{
    if (pos != GetPos())
        SetPos(pos);
    Write(len, src);
}

void CMedia::Fill(uint8_t value, TMediaPos count)
{
    constexpr TMediaPos kChunk = 100;
    uint8_t buffer[kChunk];
    std::memset(buffer, value, sizeof(buffer));
    while (count > 0)
    {
        const TMediaPos chunk = count < kChunk ? count : kChunk;
        Write(chunk, buffer);
        count -= chunk;
    }
}

void CMedia::WriteZeros(TMediaPos count)
{
    Fill(0, count);
}

void CMedia::CopyRange(CMedia*, TMediaPos, TMediaPos, TMediaPos) {}

} // namespace NSWayfarer
