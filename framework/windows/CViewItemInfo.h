// Where a view goes in its window: the rectangle a view is built with, whether
// written by hand or read from a dialog item.
#pragma once

#include "framework/graphics/CLocalRect.h"

namespace NSWayfarer
{

class CViewItemInfo
{
public:
    CViewItemInfo() = default;
    explicit CViewItemInfo(const CLocalRect& rect) : fRect(rect) {}
    virtual ~CViewItemInfo() = default;

    CLocalRect fRect;
};

} // namespace NSWayfarer
