// The framework's abstract, positioned byte stream. Anything that reads or writes bytes
// (resource data, files, memory buffers) is handed around as a CMedia.
#pragma once

#include <cstdint>

namespace NSWayfarer
{

// Positions and sizes of every media: signed 32 bits.
using TMediaPos = int32_t;

class CMedia
{
public:
    CMedia() = default;
    CMedia(const CMedia&) = delete;
    CMedia& operator=(const CMedia&) = delete;
    virtual ~CMedia();

    virtual void Read(TMediaPos len, void* dst) = 0;
    virtual void Peek(TMediaPos len, void* dst);
    virtual void Write(TMediaPos len, const void* src) = 0;
    virtual TMediaPos GetPos() const = 0;
    virtual void SetPos(TMediaPos pos) = 0;
    virtual TMediaPos GetSize() const = 0;
    virtual void SetRelativePos(TMediaPos delta);

    virtual void WriteByte(uint8_t value);
    virtual uint8_t ReadByte();
    virtual uint8_t PeekByte();

    // Multi-byte numbers are big-endian on every media, whatever the host.
    virtual uint16_t Read16Bit();
    virtual void Write16Bit(uint16_t value);
    virtual uint32_t Read32Bit();
    virtual void Write32Bit(uint32_t value);

    virtual void ReadRange(TMediaPos pos, TMediaPos len, void* dst);
    virtual void WriteRange(TMediaPos pos, TMediaPos len, const void* src);

    // Writes count copies of value, at most 100 bytes per Write.
    void Fill(uint8_t value, TMediaPos count);
    void WriteZeros(TMediaPos count);
    void CopyRange(CMedia* src, TMediaPos srcPos, TMediaPos dstPos, TMediaPos len);
};

} // namespace NSWayfarer
