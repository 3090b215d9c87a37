// Layout of the OS image header: a fixed 724-byte block describing up to 16 sections, stored
// big-endian at the start of every image.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int32_t kOSHeaderSize = 724;
constexpr int32_t kOSMaxSections = 16;
// Offset of the first header byte covered by the header checksum (everything after mChks).
constexpr int32_t kOSHeaderChecksumStart = 8;
// An image kind the instrument can install.
constexpr uint8_t kOSImageTypeInstallable = 1;
// What the image check returns for any failure.
constexpr uint32_t kOSCheckFailed = 0xFFFFFFFF;

// One section of the image. In the header the numbers are big-endian; the image check turns them
// into host order in place.
struct SSectData
{
    char mName[4];       // not terminated; "CODE" holds the start address
    uint32_t mOffs;      // offset of the stored data from the start of the image
    uint32_t mSize;      // size of the data
    uint32_t mAddr;      // load address in the instrument
    uint32_t mChks;      // inverted byte sum of the data
    uint32_t mComprSize; // size of the stored data when compressed, else 0
    uint32_t mComprChks; // inverted byte sum of the stored (compressed) data
    uint8_t mRes[16];
};

struct SOSData
{
    uint16_t mVersion; // shown as mVersion / 100 "." mVersion % 100
    uint8_t mType;     // 1 for an image that can be installed
    uint8_t mPad;
    uint16_t mBuild;
    uint16_t mChks; // inverted 16-bit byte sum of header bytes 8 to 723
    uint8_t mRes[11];
    uint8_t mSectCnt; // valid entries of mSect
    SSectData mSect[kOSMaxSections];
};

// The record is read and written as raw bytes, so its layout must be the stored one exactly.
static_assert(sizeof(SSectData) == 44);
static_assert(offsetof(SSectData, mOffs) == 4 && offsetof(SSectData, mComprChks) == 24 &&
              offsetof(SSectData, mRes) == 28);
static_assert(sizeof(SOSData) == kOSHeaderSize);
static_assert(offsetof(SOSData, mType) == 2 && offsetof(SOSData, mBuild) == 4 &&
              offsetof(SOSData, mChks) == 6 && offsetof(SOSData, mRes) == 8 &&
              offsetof(SOSData, mSectCnt) == 19 && offsetof(SOSData, mSect) == 20);

// The header checksum of 724 header bytes: the 16-bit sum of bytes 8 to 723, inverted. A byte
// sum does not depend on the byte order of the fields, so this works before and after the
// check's conversion.
uint16_t CalcOSHeaderChecksum(const uint8_t* header);
uint16_t CalcOSHeaderChecksum(const SOSData& header);
