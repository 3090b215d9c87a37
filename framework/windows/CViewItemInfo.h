// What any view can be built from: its rectangle in the window's client area.
// Dialog items derive from it, so every view can be placed by a dialog item.
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
