// A file's version number with 16-bit parts and a release stage; formats and compares
// itself (here a newer version must be strictly greater).
#pragma once

#include <cstdint>

namespace NSWayfarer
{

class CFileVersion
{
public:
    enum EStage : uint8_t
    {
        kDevelopment = 1,
        kAlpha = 2,
        kBeta = 3,
        kRelease = 4
    };

    CFileVersion() = default;
    CFileVersion(uint16_t major, uint16_t minor);
    CFileVersion(uint16_t major, uint16_t minor, uint16_t revision);
    CFileVersion(uint16_t major, uint16_t minor, uint16_t revision, uint16_t internalStage,
                 EStage stage);
    virtual ~CFileVersion() = default;

    uint16_t GetMajor() const { return fMajor; }
    uint16_t GetMinor() const { return fMinor; }
    uint16_t GetRevision() const { return fRevision; }
    uint16_t GetInternalStage() const { return fInternalStage; }
    EStage GetStage() const { return fStage; }

    // out needs room for 32 bytes: "1.2", "1.2.3b4", "2.0Dev7".
    void GetString(char* out) const;

    // Strictly greater than other (major, then minor, then revision).
    bool IsNewEnough(const CFileVersion& other) const;
    bool IsCompatible(const CFileVersion& other) const;
    bool IsCompatible(const CFileVersion& oldest, const CFileVersion& newest) const;

private:
    uint16_t fMajor = 0;
    uint16_t fMinor = 0;
    uint16_t fRevision = 0;
    uint16_t fInternalStage = 0;
    EStage fStage = kRelease;
};

} // namespace NSWayfarer
