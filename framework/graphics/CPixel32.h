// The one place that knows how a 32-bit bitmap pixel holds its components: the word
// 0x00RRGGBB in host order, which is also cairo's RGB24 and so copies to windows as is.
// The 16-bit x1r5g5b5 word is packed and unpacked here too.
#pragma once
#include "framework/graphics/CRGBColor.h"
#include <cstdint>

namespace NSWayfarer
{

class CPixel32
{
public:
    static constexpr uint32_t Make(uint8_t red, uint8_t green, uint8_t blue)
    {
        return (uint32_t(red) << 16) | (uint32_t(green) << 8) | uint32_t(blue);
    }
    static constexpr uint8_t Red(uint32_t pixel) { return uint8_t(pixel >> 16); }
    static constexpr uint8_t Green(uint32_t pixel) { return uint8_t(pixel >> 8); }
    static constexpr uint8_t Blue(uint32_t pixel) { return uint8_t(pixel); }
    // The unused byte masked off, for comparisons.
    static constexpr uint32_t RGB(uint32_t pixel) { return pixel & 0xFFFFFFu; }
    // From the high bytes of the components.
    static uint32_t FromColor(const CRGBColor& c)
    {
        return Make(uint8_t(c.GetRed() >> 8), uint8_t(c.GetGreen() >> 8),
                    uint8_t(c.GetBlue() >> 8));
    }
    // Each byte as the high byte of the component, the low byte 0.
    static CRGBColor ToColor(uint32_t pixel)
    {
        return CRGBColor(uint16_t(Red(pixel) << 8), uint16_t(Green(pixel) << 8),
                         uint16_t(Blue(pixel) << 8));
    }

    // 16 bits: bit 15 unused, red in 10-14, green in 5-9, blue in 0-4.
    static constexpr uint16_t Make16(uint8_t red5, uint8_t green5, uint8_t blue5)
    {
        return uint16_t(((red5 & 31u) << 10) | ((green5 & 31u) << 5) | (blue5 & 31u));
    }
    static constexpr uint8_t Red16(uint16_t pixel) { return uint8_t((pixel >> 10) & 31); }
    static constexpr uint8_t Green16(uint16_t pixel) { return uint8_t((pixel >> 5) & 31); }
    static constexpr uint8_t Blue16(uint16_t pixel) { return uint8_t(pixel & 31); }
    // A 5-bit component widened to 8 bits with its top bits repeated, so 31 is 255.
    static constexpr uint8_t Widen5(uint8_t v5) { return uint8_t((v5 << 3) | (v5 >> 2)); }
    static constexpr uint32_t From16(uint16_t pixel)
    {
        return Make(Widen5(Red16(pixel)), Widen5(Green16(pixel)), Widen5(Blue16(pixel)));
    }
    static constexpr uint16_t To16(uint32_t pixel)
    {
        return Make16(uint8_t(Red(pixel) >> 3), uint8_t(Green(pixel) >> 3),
                      uint8_t(Blue(pixel) >> 3));
    }
};

} // namespace NSWayfarer
