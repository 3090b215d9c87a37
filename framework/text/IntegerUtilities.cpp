#include "framework/text/IntegerUtilities.h"

#include <cmath>
#include <cstdint>

namespace NSWayfarer
{

namespace
{

// Float results pulled into the range of long before conversion.
long TruncateFloat(float f)
{
    if (std::isnan(f))
        return 0;
    if (f >= 9.2e18f)
        return INT64_MAX;
    if (f <= -9.2e18f)
        return INT64_MIN;
    return long(f);
}

// Floor division for a positive divisor.
long FloorDiv(long v, long n)
{
    long q = v / n;
    if (v % n != 0 && v < 0)
        --q;
    return q;
}

} // namespace

long Min(long a, long b)
{
    return a < b ? a : b;
}

long Max(long a, long b)
{
    return a > b ? a : b;
}

long AbsoluteValue(long v)
{
    return v < 0 ? -v : v;
}

long ClipValue(long v, long lo, long hi)
{
    if (v < lo)
        return lo;
    if (v > hi)
        return hi;
    return v;
}

long WrapValue(long v, long lo, long hi)
{
    const long range = hi - lo;
    if (range <= 0)
        return lo;
    // The remainder does in one step what adding the range while negative does in many.
    long offset = (v - lo) % range;
    if (offset < 0)
        offset += range;
    return lo + offset;
}

long ScaleValue(long v, long mul, long div)
{
    if (div == 0)
        div = 1;
    return (v * mul + (div >> 1)) / div;
}

long Scale32BitValue(long v, long mul, long div)
{
    if (div == 0)
        div = 1;
    return TruncateFloat(float(v) * float(mul) / float(div));
}

long Scale32BitValueRoundUp(long v, long mul, long div)
{
    if (div == 0)
        div = 1;
    const long result = Scale32BitValue(v, mul, div);
    const float product = float(v) * float(mul);
    return product > float(div) * float(result) ? result + 1 : result;
}

unsigned short ScaleWithFraction(unsigned short value, unsigned short divisor, unsigned short unit,
                                 unsigned short* fraction)
{
    if (divisor == 0)
        divisor = 1;
    const unsigned whole = unsigned(value) / divisor;
    *fraction = static_cast<unsigned short>(unsigned(unit) * value / divisor - unit * whole);
    return static_cast<unsigned short>(whole);
}

long AlignValueDownwards(long v, long n)
{
    if (n < 1)
        return v;
    return FloorDiv(v, n) * n;
}

long AlignValueUpwards(long v, long n)
{
    if (n < 1)
        return v;
    return -FloorDiv(-v, n) * n;
}

long AlignValueWithRound(long v, long n)
{
    const long half = n / 2;
    return AlignValueDownwards(v <= 0 ? v - half : v + half, n);
}

long RoundValue(long v, unsigned long n)
{
    if (v < 0)
        return -AlignValueWithRound(-v, long(n));
    return AlignValueWithRound(v, long(n));
}

long DivideAndRoundUp(long a, long b)
{
    if (b == 0)
        b = 1;
    return (a + b - 1) / b;
}

long ToPowerOf2(long v)
{
    if (v == 0)
        return -1;
    long halvings = 0;
    while (v > 1)
    {
        v >>= 1;
        ++halvings;
    }
    return halvings;
}

unsigned long LongToPower2(unsigned long v)
{
    const auto value = static_cast<int32_t>(static_cast<uint32_t>(v));
    if (value <= 0)
        return 0x80000000ul;
    uint32_t power = 0x40000000u;
    while (power > uint32_t(value))
        power >>= 1;
    return power;
}

bool IsOverlap(long a1, long a2, long b1, long b2)
{
    return b1 < a2 && a1 < b2;
}

bool IsValueWithinTolerance(long v, long reference, long tolerance)
{
    return AbsoluteValue(v - reference) <= tolerance;
}

} // namespace NSWayfarer
