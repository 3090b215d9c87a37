// How a view would follow its window's size: kept with the view for layouts that
// want it; nothing in the framework applies it.
#pragma once

#include "framework/graphics/CLocalRect.h"

#include <cstdint>

namespace NSWayfarer
{

class CSizerInfo
{
public:
    enum ESizeProperty
    {
        kGrow = 0,
        kKeep = 1
    };
    enum EAlign
    {
        kAlignBegin = 0,
        kAlignCenter = 1,
        kAlignEnd = 2
    };

    ESizeProperty fFrameSizeProp = kGrow;
    ESizeProperty fViewSizeProp = kGrow;
    EAlign fVerticalAlign = kAlignBegin;
    EAlign fHorizontalAlign = kAlignBegin;
    int16_t fVerticalBorder = 0;
    int16_t fHorizontalBorder = 0;
    CLocalRect fMinViewSize;
};

} // namespace NSWayfarer
