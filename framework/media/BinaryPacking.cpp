#include "framework/media/BinaryPacking.h"

#include "framework/text/StringUtilities.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace NSWayfarer
{

// --- Byte order --------------------------------------------------------------------------

void Pack16BitUnsignedBig(uint8_t* out, uint16_t value)
{
    out[0] = uint8_t(value >> 8);
    out[1] = uint8_t(value);
}

uint16_t Unpack16BitUnsignedBig(const uint8_t* in)
{
    return uint16_t((in[0] << 8) | in[1]);
}

void Pack24BitUnsignedBig(uint8_t* out, uint32_t value)
{
    out[0] = uint8_t(value >> 16);
    out[1] = uint8_t(value >> 8);
    out[2] = uint8_t(value);
}

uint32_t Unpack24BitUnsignedBig(const uint8_t* in)
{
    return (uint32_t(in[0]) << 16) | (uint32_t(in[1]) << 8) | in[2];
}

void Pack32BitUnsignedBig(uint8_t* out, uint32_t value)
{
    out[0] = uint8_t(value >> 24);
    out[1] = uint8_t(value >> 16);
    out[2] = uint8_t(value >> 8);
    out[3] = uint8_t(value);
}

uint32_t Unpack32BitUnsignedBig(const uint8_t* in)
{
    return (uint32_t(in[0]) << 24) | (uint32_t(in[1]) << 16) | (uint32_t(in[2]) << 8) | in[3];
}

void Pack16BitUnsignedLittle(uint8_t* out, uint16_t value)
{
    out[0] = uint8_t(value);
    out[1] = uint8_t(value >> 8);
}

uint16_t Unpack16BitUnsignedLittle(const uint8_t* in)
{
    return uint16_t(in[0] | (in[1] << 8));
}

void Pack32BitUnsignedLittle(uint8_t* out, uint32_t value)
{
    out[0] = uint8_t(value);
    out[1] = uint8_t(value >> 8);
    out[2] = uint8_t(value >> 16);
    out[3] = uint8_t(value >> 24);
}

uint32_t Unpack32BitUnsignedLittle(const uint8_t* in)
{
    return uint32_t(in[0]) | (uint32_t(in[1]) << 8) | (uint32_t(in[2]) << 16) |
           (uint32_t(in[3]) << 24);
}

uint8_t PackBool(bool value)
{
    return value ? 1 : 0;
}

bool UnpackBool(uint8_t value)
{
    return value != 0;
}

void ClearBinary(uint8_t* out, long count)
{
    if (count > 0)
        std::memset(out, 0, size_t(count));
}

void Pack4Chars(uint8_t* out, const char* chars)
{
    // A shorter text ends early; its missing characters are zero bytes, not what follows it.
    bool ended = false;
    for (int i = 0; i < 4; ++i)
    {
        ended = ended || chars[i] == 0;
        out[i] = ended ? 0 : uint8_t(chars[i]);
    }
}

void Unpack4Chars(const uint8_t* in, char* out)
{
    std::memcpy(out, in, 4);
    out[4] = 0;
}

// --- Strings -----------------------------------------------------------------------------

void PackStringWithZero(uint8_t* dst, long len, const char* src)
{
    if (len < 0)
        len = 0;
    std::memset(dst, 0, size_t(len) + 1);
    long stored = 0;
    for (; *src != 0 && stored < len; ++src)
        if (*src != '\n')
            dst[stored++] = uint8_t(*src);
}

void UnpackStringWithZero(const uint8_t* src, long len, char* dst)
{
    long i = 0;
    for (; i < len && src[i] != 0; ++i)
        dst[i] = char(src[i]);
    dst[i] = 0;
}

void UnpackFixedSizeStringNoZero(const uint8_t* src, char* dst, uint16_t len)
{
    std::memcpy(dst, src, len);
    dst[len] = 0;
}

namespace
{

// Copies what fits in room bytes, terminator included.
void CopyBounded(char* dst, const char* src, long room)
{
    if (room <= 0)
        return;
    const size_t length = std::min(std::strlen(src), size_t(room - 1));
    std::memmove(dst, src, length);
    dst[length] = 0;
}

} // namespace

void PackString(const char* src, uint8_t* dst, long len)
{
    char* out = reinterpret_cast<char*>(dst);
    CopyBounded(out, src, len);
    if (len > 0)
        ConvertMacToWinString(out);
}

void UnpackString(char* dst, const uint8_t* src, long len)
{
    CopyBounded(dst, reinterpret_cast<const char*>(src), len);
    if (len > 0)
        ConvertWinToMacString(dst);
}

// --- Nibbles and small fields ------------------------------------------------------------

void NibbleizeLittleEndian(uint8_t* out, const uint8_t* in, long n)
{
    for (long i = 0; i < n; ++i)
    {
        out[2 * i] = in[i] & 0x0F;
        out[2 * i + 1] = in[i] >> 4;
    }
}

void NibbleizeBigEndian(uint8_t* out, const uint8_t* in, long n)
{
    for (long i = 0; i < n; ++i)
    {
        out[2 * i] = in[i] >> 4;
        out[2 * i + 1] = in[i] & 0x0F;
    }
}

void UnnibbleizeLittleEndian(uint8_t* out, const uint8_t* in, long n)
{
    for (long i = 0; i < n; ++i)
        out[i] = uint8_t(in[2 * i + 1] * 16 | in[2 * i]);
}

void UnnibbleizeBigEndian(uint8_t* out, const uint8_t* in, long n)
{
    for (long i = 0; i < n; ++i)
        out[i] = uint8_t(in[2 * i] * 16 | in[2 * i + 1]);
}

uint8_t* big4encode(uint8_t* out, long n, const uint8_t* in)
{
    if (n <= 0)
        return out;
    NibbleizeBigEndian(out, in, n);
    return out + 2 * n;
}

const uint8_t* big4decode(const uint8_t* in, long n, uint8_t* out)
{
    if (n <= 0)
        return in;
    for (long i = 0; i < n; ++i)
        out[i] = uint8_t(in[2 * i] * 16 | (in[2 * i + 1] & 15));
    return in + 2 * n;
}

namespace
{

// Groups of bits bits each, most significant first; groups above bit 31 are 0.
void SplitGroups(uint32_t value, long n, uint8_t* out, int bits)
{
    const uint32_t mask = (1u << bits) - 1;
    for (long i = 0; i < n; ++i)
    {
        const long shift = long(bits) * (n - 1 - i);
        out[i] = shift < 32 ? uint8_t((value >> shift) & mask) : 0;
    }
}

void JoinGroups(long n, const uint8_t* in, uint32_t* value, int bits)
{
    const uint32_t mask = (1u << bits) - 1;
    for (long i = 0; i < n; ++i)
        *value = (*value << bits) + (in[i] & mask);
}

} // namespace

void big7split(uint32_t value, long n, uint8_t* out)
{
    SplitGroups(value, n, out, 7);
}

void big7join(long n, const uint8_t* in, uint32_t* value)
{
    JoinGroups(n, in, value, 7);
}

void big4split(uint32_t value, long n, uint8_t* out)
{
    SplitGroups(value, n, out, 4);
}

void big4join(long n, const uint8_t* in, uint32_t* value)
{
    JoinGroups(n, in, value, 4);
}

uint8_t GetHiNybble(uint8_t value)
{
    return value >> 4;
}

uint8_t GetLoNybble(uint8_t value)
{
    return value & 0x0F;
}

uint8_t NybblesToByte(uint8_t hi, uint8_t lo)
{
    return uint8_t((hi * 16 + lo) & 255);
}

uint8_t GetLoByte(uint16_t value)
{
    return uint8_t(value);
}

uint8_t GetHiByte(uint16_t value)
{
    return uint8_t(value >> 8);
}

uint16_t GetLoWord(uint32_t value)
{
    return uint16_t(value);
}

uint16_t GetHiWord(uint32_t value)
{
    return uint16_t(value >> 16);
}

uint32_t WordsToLong(uint16_t hi, uint16_t lo)
{
    return uint32_t(hi) * 65536 + lo;
}

uint32_t AssembleLong(uint16_t hi, uint16_t lo)
{
    return WordsToLong(hi, lo);
}

uint32_t BytesToLong(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    return (uint32_t(a) << 24) | (uint32_t(b) << 16) | (uint32_t(c) << 8) | d;
}

uint16_t SwapWord(uint16_t value)
{
    return uint16_t((value << 8) | (value >> 8));
}

void SwapWordBytes(uint8_t* bytes)
{
    std::swap(bytes[0], bytes[1]);
}

void SwapLongBytes(uint8_t* bytes)
{
    std::swap(bytes[0], bytes[3]);
    std::swap(bytes[1], bytes[2]);
}

void SwapWordArray(uint16_t* words, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i)
        words[i] = SwapWord(words[i]);
}

uint32_t Calc32BitChecksum(const uint8_t* data, uint32_t len)
{
    uint32_t sum = 0;
    for (uint32_t i = 0; i < len; ++i)
        sum += data[i];
    return sum;
}

// --- 7-bit frames ------------------------------------------------------------------------

namespace MAX_PACKED_7BIT
{

void PackFrame(uint8_t* out8, const uint8_t* in7)
{
    uint8_t tops = 0;
    for (int i = 0; i < 7; ++i)
    {
        out8[i] = in7[i] & 0x7F;
        tops |= uint8_t((in7[i] >> 7) << (6 - i));
    }
    out8[7] = tops;
}

void UnpackFrame(const uint8_t* in8, uint8_t* out7)
{
    for (int i = 0; i < 7; ++i)
        out7[i] = uint8_t((in8[i] & 0x7F) | (((in8[7] >> (6 - i)) & 1) << 7));
}

long EightBitSizeTo7Bit(long n)
{
    return n <= 0 ? 0 : (n + 6) / 7 * 8;
}

void Pack(uint8_t* out, const uint8_t* in, long n)
{
    for (long done = 0; done < n; done += 7, out += 8)
    {
        uint8_t group[7] = {};
        std::memcpy(group, in + done, size_t(std::min<long>(7, n - done)));
        PackFrame(out, group);
    }
}

void Unpack(const uint8_t* in, uint8_t* out, long n)
{
    for (long done = 0; done < n; done += 7, in += 8)
    {
        uint8_t group[7];
        UnpackFrame(in, group);
        std::memcpy(out + done, group, size_t(std::min<long>(7, n - done)));
    }
}

} // namespace MAX_PACKED_7BIT

// --- 80-bit extended floats --------------------------------------------------------------

namespace
{

uint32_t LimitTo32Bits(double value)
{
    if (!(value > 0))
        return 0;
    if (value >= 4294967295.0)
        return 0xFFFFFFFFu;
    return uint32_t(value);
}

void StoreIEEE80(uint8_t* out, uint16_t signAndExponent, uint32_t upper, uint32_t lower)
{
    Pack16BitUnsignedBig(out, signAndExponent);
    Pack32BitUnsignedBig(out + 2, upper);
    Pack32BitUnsignedBig(out + 6, lower);
}

} // namespace

void PackIEEE80Big(uint8_t* out, double value)
{
    const uint16_t sign = std::signbit(value) ? 0x8000 : 0;
    if (value == 0)
    {
        StoreIEEE80(out, 0, 0, 0);
        return;
    }
    if (std::isnan(value))
    {
        StoreIEEE80(out, uint16_t(sign | 0x7FFF), 0xC0000000u, 0);
        return;
    }
    if (std::isinf(value))
    {
        StoreIEEE80(out, uint16_t(sign | 0x7FFF), 0x80000000u, 0);
        return;
    }
    // The exact binary exponent: |x| = m * 2^p with m in [0.5, 1), so floor(log2 |x|) = p - 1.
    // Going through logarithms can land one off next to powers of two.
    int p = 0;
    std::frexp(std::fabs(value), &p);
    const int exponent = p - 1 + 16383;
    // Scaled so that the leading 1 sits in bit 31 of the upper mantissa.
    const double t = std::ldexp(std::fabs(value), 16414 - exponent);
    const uint32_t upper = LimitTo32Bits(std::floor(t));
    const uint32_t lower = LimitTo32Bits((t - double(upper)) * 4294967296.0);
    StoreIEEE80(out, uint16_t(sign | exponent), upper, lower);
}

double UnpackIEEE80Big(const uint8_t* in)
{
    const uint16_t signAndExponent = Unpack16BitUnsignedBig(in);
    const int exponent = signAndExponent & 0x7FFF;
    const uint32_t upper = Unpack32BitUnsignedBig(in + 2);
    const uint32_t lower = Unpack32BitUnsignedBig(in + 6);
    if (exponent == 0 && upper == 0 && lower == 0)
        return 0;
    // The all-ones exponent holds infinities and NaNs rather than huge numbers.
    if (exponent == 0x7FFF && ((upper & 0x7FFFFFFFu) != 0 || lower != 0))
        return std::numeric_limits<double>::quiet_NaN();
    const double value = std::ldexp(double(upper), exponent - 16383 - 31) +
                         std::ldexp(double(lower), exponent - 16383 - 63);
    return (signAndExponent & 0x8000) ? -value : value;
}

void PackIEEE80BigFromLong(uint8_t* out, long value)
{
    PackIEEE80Big(out, double(value));
}

long UnpackIEEE80BigToLong(const uint8_t* in)
{
    const double value = UnpackIEEE80Big(in);
    if (std::isnan(value))
        return 0;
    if (value >= 9223372036854775807.0)
        return std::numeric_limits<long>::max();
    if (value <= -9223372036854775808.0)
        return std::numeric_limits<long>::min();
    return long(value);
}

} // namespace NSWayfarer
