// The parts every version number of the framework has (major, minor, revision, the
// release stage and the number within it), their text form and their ordering.
#pragma once

#include "framework/media/VersionText.h"

#include <cstdint>
#include <tuple>

namespace NSWayfarer
{

// TVersion is the version class itself: versions compare only with their own kind.
// TPart is the width of a part: 8 bits for system versions, 16 for file versions.
// kStrict: a newer version must be strictly greater (file versions); otherwise an
// equal one is new enough (system versions).
template <typename TVersion, typename TPart, bool kStrict> class CVersionParts
{
public:
    enum EStage : uint8_t
    {
        kDevelopment = 1,
        kAlpha = 2,
        kBeta = 3,
        kRelease = 4
    };

    CVersionParts() = default;
    CVersionParts(TPart major, TPart minor) : fMajor(major), fMinor(minor) {}
    CVersionParts(TPart major, TPart minor, TPart revision)
        : fMajor(major), fMinor(minor), fRevision(revision)
    {
    }
    CVersionParts(TPart major, TPart minor, TPart revision, TPart internalStage, EStage stage)
        : fMajor(major), fMinor(minor), fRevision(revision), fInternalStage(internalStage),
          fStage(stage)
    {
    }

    TPart GetMajor() const { return fMajor; }
    TPart GetMinor() const { return fMinor; }
    TPart GetRevision() const { return fRevision; }
    TPart GetInternalStage() const { return fInternalStage; }
    EStage GetStage() const { return fStage; }

    // Comparisons take major, then minor, then revision; the stage never counts.
    bool IsNewEnough(const TVersion& other) const
    {
        return kStrict ? Key() > other.Key() : Key() >= other.Key();
    }
    bool IsCompatible(const TVersion& other) const { return fMajor == other.fMajor; }
    // New enough for oldest, and not of a later major version than newest.
    bool IsCompatible(const TVersion& oldest, const TVersion& newest) const
    {
        return IsNewEnough(oldest) && fMajor <= newest.fMajor;
    }

protected:
    // Not a type of its own: only the version classes are handed around.
    ~CVersionParts() = default;
    CVersionParts(const CVersionParts&) = default;
    CVersionParts& operator=(const CVersionParts&) = default;

    bool IsSameNumber(const CVersionParts& other) const { return Key() == other.Key(); }

    // out needs room for 32 bytes: "1.2", "1.2.3b4", "2.0Dev7".
    void FormatParts(char* out) const
    {
        FormatVersion(out, fMajor, fMinor, fRevision, fStage, fInternalStage);
    }

    TPart fMajor = 0;
    TPart fMinor = 0;
    TPart fRevision = 0;
    TPart fInternalStage = 0;
    EStage fStage = kRelease;

private:
    std::tuple<TPart, TPart, TPart> Key() const { return {fMajor, fMinor, fRevision}; }
};

} // namespace NSWayfarer
