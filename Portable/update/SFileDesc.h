// The state of one OS image being checked and sent, and the reader that serves it from a C stream
// or from memory.
#pragma once

#include "Portable/update/SOSData.h"

#include <cstdint>
#include <cstdio>

struct SFileDesc
{
    FILE* mFilePtr;     // source when reading a stream, else null
    uint8_t* mFileData; // source when reading memory (not owned)
    int32_t mFileOffs;  // read position within mFileData
    int32_t mType;      // kind of transfer; 0 for an OS image
    int32_t mFileLen;   // length of the source in bytes
    int32_t mTotLen;    // kept zero
    uint32_t mCurChks;  // running byte sum of the section being sent
    int32_t mCurSect;   // index of the section being sent
    int32_t mNextSect;  // index of the next section whose begin message is due
    int32_t mCurLen;    // bytes of the current section still to send
    int32_t mStartAddr; // 0: save to flash at the end; -1: finished
    char mName[256];    // file name; not used when sending from memory
    int32_t mBlock;     // messages produced so far; 0: header not read yet
    SOSData mOSData;    // working copy of the header (host order after the check)
    bool mUSB;          // armed for sending over USB
};

// Reads size bytes into dst from the descriptor's stream, or else from its memory at mFileOffs
// (advancing mFileOffs), and returns how many bytes came. Memory is never read outside
// [0, mFileLen); whatever could not be read is zero-filled in dst, so a short image never hands
// out stale bytes. Without a source nothing is read and 0 is returned (dst is left alone).
int dread(void* dst, int size, SFileDesc* fdp);

// Moves the read position to offset bytes from the start of the source. Returns false when the
// stream cannot seek or the offset lies outside the memory source (the position is then kept).
bool dseek(SFileDesc* fdp, int64_t offset);

// Length of the source in bytes: mFileLen for memory (never negative), the file's size for a
// stream, -1 when it cannot be told; 0 without a source.
int64_t dlength(const SFileDesc* fdp);
