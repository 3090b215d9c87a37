// Small integer helpers of the framework: minimum and maximum, clipping and wrapping,
// scaling, alignment to multiples, powers of two and range tests.
#pragma once

namespace NSWayfarer
{

long Min(long a, long b);
long Max(long a, long b);
long AbsoluteValue(long v);
// lo if v < lo, else hi if v > hi, else v.
long ClipValue(long v, long lo, long hi);
// v wrapped into [lo, hi); an empty range gives lo.
long WrapValue(long v, long lo, long hi);
// (v * mul + div / 2) / div, rounded integer scaling; a divisor of 0 counts as 1.
long ScaleValue(long v, long mul, long div);
// v * mul / div in single precision, truncated; a divisor of 0 counts as 1.
long Scale32BitValue(long v, long mul, long div);
// As Scale32BitValue, plus 1 when the product exceeds div times the truncated result.
long Scale32BitValueRoundUp(long v, long mul, long div);
// value / divisor; fraction gets the remainder in units of 1/unit.
unsigned short ScaleWithFraction(unsigned short value, unsigned short divisor, unsigned short unit,
                                 unsigned short* fraction);
// Multiples of n (n < 1 leaves v unchanged).
long AlignValueDownwards(long v, long n);
long AlignValueUpwards(long v, long n);
long AlignValueWithRound(long v, long n);
long RoundValue(long v, unsigned long n);
// a / b rounded up for positive values; a divisor of 0 counts as 1.
long DivideAndRoundUp(long a, long b);
// floor(log2 v) for v >= 1, -1 for 0, 0 for negative values.
long ToPowerOf2(long v);
// The largest power of two not above v taken as a signed 32-bit value; 0x80000000 when
// there is none (0 and negative values).
unsigned long LongToPower2(unsigned long v);
// The half-open ranges [a1, a2) and [b1, b2) overlap.
bool IsOverlap(long a1, long a2, long b1, long b2);
bool IsValueWithinTolerance(long v, long reference, long tolerance);

} // namespace NSWayfarer
