// Names a bitmap: a resource number in the application's (or another application's) resource
// file. The bitmap cache keys on it.
#pragma once
#include <cstdint>

namespace NSWayfarer
{

class TBitmapID
{
public:
    TBitmapID() = default;
    explicit TBitmapID(uint32_t resourceNumber, uint32_t application = 0)
        : fResourceNumber(resourceNumber), fApplication(application)
    {
    }
    uint32_t GetResourceNumber() const { return fResourceNumber; }
    // 0 is this application.
    uint32_t GetApplication() const { return fApplication; }
    uint32_t GetReserved() const { return fReserved; }
    bool IsWayfarerBitmap() const { return false; }
    bool operator==(const TBitmapID& other) const
    {
        return fResourceNumber == other.fResourceNumber && fApplication == other.fApplication &&
               fReserved == other.fReserved;
    }
    bool operator!=(const TBitmapID& other) const { return !(*this == other); }
    // For ordered containers.
    bool operator<(const TBitmapID& other) const
    {
        if (fResourceNumber != other.fResourceNumber)
            return fResourceNumber < other.fResourceNumber;
        if (fApplication != other.fApplication)
            return fApplication < other.fApplication;
        return fReserved < other.fReserved;
    }

private:
    uint32_t fResourceNumber = 0;
    uint32_t fApplication = 0;
    uint32_t fReserved = 0;
};

} // namespace NSWayfarer
