// A bounded window onto another media: positions are relative to the window's offset in
// the base, and reads, writes and moves past the window's end throw.
#pragma once

#include "framework/media/CMedia.h"

namespace NSWayfarer
{

class CPartialMedia : public CMedia
{
public:
    // A size of 0 or less makes the window run to the end of the base. The base is not owned.
    CPartialMedia(CMedia* base, TMediaPos offset, TMediaPos size);
    ~CPartialMedia() override;

    void Read(TMediaPos len, void* dst) override;
    void Peek(TMediaPos len, void* dst) override;
    void Write(TMediaPos len, const void* src) override;
    TMediaPos GetPos() const override;
    void SetPos(TMediaPos pos) override;
    TMediaPos GetSize() const override;
    void SetRelativePos(TMediaPos delta) override;

    void WriteByte(uint8_t value) override;
    uint8_t ReadByte() override;
    uint8_t PeekByte() override;

    void ReadRange(TMediaPos pos, TMediaPos len, void* dst) override;
    void WriteRange(TMediaPos pos, TMediaPos len, const void* src) override;

private:
    bool IsBounded() const { return fSize > 0; }
    // Whether len bytes from the base's current position stay inside what may be read.
    bool CanRead(TMediaPos len) const;
    // pos + fOffset as a base position; throws XPosition when it does not fit.
    TMediaPos ToBase(TMediaPos pos) const;

    CMedia* fBase = nullptr;
    TMediaPos fOffset = 0;
    TMediaPos fSize = 0;
};

} // namespace NSWayfarer
