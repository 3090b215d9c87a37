// The last single click, for telling a double click: where (window-local), in
// which window and when (ticks).
#pragma once

#include <cstdint>

namespace NSWayfarer
{

class CABCWindow;

class CPreviousMouseDown
{
public:
    void Reset()
    {
        fX = 0;
        fY = 0;
        fWindow = nullptr;
        fTime = 0;
    }

    int16_t fX = -1000;
    int16_t fY = -1000;
    CABCWindow* fWindow = nullptr;
    uint32_t fTime = 0;
};

extern CPreviousMouseDown gPreviousMouseDown;

} // namespace NSWayfarer
