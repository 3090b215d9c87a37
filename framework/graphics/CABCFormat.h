// The base of format descriptions: holds nothing yet, so that descriptions can be handed
// around and deleted through it.
#pragma once

namespace NSWayfarer
{

class CABCFormat
{
public:
    CABCFormat() = default;
    virtual ~CABCFormat() = default;
    CABCFormat(const CABCFormat&) = default;
    CABCFormat& operator=(const CABCFormat&) = default;
};

} // namespace NSWayfarer
