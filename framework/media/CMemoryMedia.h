// A media over one memory block of fixed size, owned or borrowed. Resources are read
// into these; accesses outside the block throw instead of touching other memory.
#pragma once

#include "framework/media/CMedia.h"

namespace NSWayfarer
{

class CMemoryMedia : public CMedia
{
public:
    // Allocates and owns a block of size bytes (contents undefined).
    explicit CMemoryMedia(TMediaPos size);
    // Wraps the caller's block; the caller keeps it alive and frees it.
    CMemoryMedia(TMediaPos size, uint8_t* block);
    // Owns a copy of source's bytes, read from source's current position.
    explicit CMemoryMedia(CMedia* source);
    ~CMemoryMedia() override;

    void Read(TMediaPos len, void* dst) override;
    void Write(TMediaPos len, const void* src) override;
    TMediaPos GetPos() const override;
    void SetPos(TMediaPos pos) override;
    TMediaPos GetSize() const override;

    uint8_t* GetBufferPtr() const { return fBuffer; }

private:
    // True when [fPos, fPos + len) lies inside the block.
    bool IsInside(TMediaPos len) const;

    TMediaPos fPos = 0;
    TMediaPos fBufferSize = 0;
    uint8_t* fBuffer = nullptr;
    bool fDisposeBufferFlag = false;
};

} // namespace NSWayfarer
