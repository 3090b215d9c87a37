// Abstract description of a place that can be opened as a media (a file specification
// is one); callers own what CreateMedia and Clone return.
#pragma once

namespace NSWayfarer
{

class CMedia;

class CABCMediaSpec
{
public:
    CABCMediaSpec() = default;
    CABCMediaSpec(const CABCMediaSpec&) = default;
    CABCMediaSpec& operator=(const CABCMediaSpec&) = default;
    virtual ~CABCMediaSpec();

    virtual CMedia* CreateMedia() const = 0;
    virtual CABCMediaSpec* Clone() const = 0;
};

} // namespace NSWayfarer
