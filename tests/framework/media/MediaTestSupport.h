// A memory media that records every call the stream helpers make on it.
#pragma once

#include "framework/media/CMemoryMedia.h"

#include <vector>

class CRecordingMedia : public NSWayfarer::CMemoryMedia
{
public:
    explicit CRecordingMedia(NSWayfarer::TMediaPos size) : CMemoryMedia(size) {}

    void Write(NSWayfarer::TMediaPos len, const void* src) override
    {
        fWrites.push_back(len);
        CMemoryMedia::Write(len, src);
    }
    void SetPos(NSWayfarer::TMediaPos pos) override
    {
        ++fSetPosCalls;
        CMemoryMedia::SetPos(pos);
    }

    std::vector<NSWayfarer::TMediaPos> fWrites;
    int fSetPosCalls = 0;
};
